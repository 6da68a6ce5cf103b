#pragma once

#include <QString>
#include <QToolButton>

#include <functional>
#include <optional>

namespace vantrel {

class PrinterManager;
struct PrinterActivity;

// A one-line title with a leading icon telling what the printer connection is doing:
// "Connecting Front counter…", "Front counter 2/10" while printing, the connected printer, or
// at rest the preferred printer ("Printers" when there is none). It follows the manager at
// once. Clicking it asks for the printer settings (clicked()).
class PrinterStatusLabel : public QToolButton {
    Q_OBJECT
public:
    struct Status {
        QString title;
        QString symbol; // the icon's symbol name (Icons)

        friend bool operator==(const Status&, const Status&) = default;
    };

    // The status for an activity, the preferred printer and the printers' display names.
    static Status describe(const PrinterActivity& activity, const std::optional<QString>& preferred,
                           const std::function<QString(const QString&)>& displayName);
    static Status status(const PrinterManager& printers);

    explicit PrinterStatusLabel(PrinterManager& printers, QWidget* parent = nullptr);

private:
    void refresh();

    PrinterManager& m_printers;
    QString m_symbol;
};

} // namespace vantrel
