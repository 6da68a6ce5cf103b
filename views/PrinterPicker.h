#pragma once

#include <QComboBox>
#include <QString>

#include <optional>

namespace vantrel {

class PrinterManager;

// The choice of the printer to print on. It lists the printers the manager has heard, by
// display name ("Searching…" while there are none), and asks the manager to scan while it is
// on screen. While nothing is chosen it fills in the preferred printer, at once and whenever
// the list changes; a choice once made is never changed by the picker. A chosen printer that
// is not (or no longer) listed stays shown as an entry of its own.
class PrinterPicker : public QComboBox {
    Q_OBJECT
public:
    explicit PrinterPicker(PrinterManager& printers, QWidget* parent = nullptr);
    ~PrinterPicker() override;

    const std::optional<QString>& selection() const { return m_selection; }
    void setSelection(const std::optional<QString>& selection);

Q_SIGNALS:
    void selectionChanged(const std::optional<QString>& selection);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void fillInPreferred();
    void rebuild();

    PrinterManager& m_printers;
    std::optional<QString> m_selection;
    bool m_scanning = false;
};

} // namespace vantrel
