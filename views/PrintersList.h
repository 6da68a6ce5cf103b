#pragma once

#include <QMap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <qcoro/qcorotask.h>

#include <optional>

class QGroupBox;
class QLabel;
class QVBoxLayout;

namespace vantrel {

class BluetoothStatusBanner;
class PrinterListModel;
class PrinterManager;
class PrinterRowView;
class RenamePrinterDialog;

// The "Printers" group of the printer settings: every printer heard, one row each of a
// PrinterListModel (so a printer turns from "Nearby" to "Not seen recently" the moment its 30 s
// run out), with a menu to rename it, make it the default, print its name label and read its
// firmware; while none is heard, a spinner and hints. It asks the manager to scan while it is on
// screen. The error of the last action is the group's footer until the next action starts.
class PrintersList : public QWidget {
    Q_OBJECT
public:
    explicit PrintersList(PrinterManager& printers, QWidget* parent = nullptr);
    ~PrintersList() override;

    // The printer an action (identify, read firmware) was last started on, while it runs.
    const std::optional<QString>& busy() const { return m_busy; }
    // The error of the last action, shown under the group.
    const std::optional<QString>& message() const { return m_message; }

    // The rows in order; the row of a printer, or null.
    QList<PrinterRowView*> rows() const;
    PrinterRowView* row(const QString& name) const;
    bool showsEmptyState() const;
    BluetoothStatusBanner* banner() const { return m_banner; }
    QLabel* footer() const { return m_footer; }
    // The open rename prompt, if any.
    RenamePrinterDialog* renamePrompt() const;

    // What the row menus do. Renaming opens the prompt; Save stores its text, trimmed, as the
    // printer's nickname.
    void rename(const QString& name);
    void toggleDefault(const QString& name);
    void identify(const QString& name);
    void readFirmware(const QString& name);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void refresh();
    PrinterRowView* addRow(const QString& name);
    quint64 beginAction(const QString& name);
    void endAction(quint64 action, const std::optional<QString>& failure);
    void setMessage(const std::optional<QString>& message);
    template <typename T>
    static QCoro::Task<> finish(QPointer<PrintersList> list, quint64 action, QCoro::Task<T> task);

    PrinterManager& m_printers;
    PrinterListModel* m_model;
    QGroupBox* m_group;
    BluetoothStatusBanner* m_banner;
    QWidget* m_empty;
    QVBoxLayout* m_rowsLayout;
    QLabel* m_footer;
    QMap<QString, PrinterRowView*> m_rows;
    QPointer<RenamePrinterDialog> m_prompt;
    std::optional<QString> m_busy;
    std::optional<QString> m_message;
    quint64 m_lastAction = 0;
    bool m_scanning = false;
};

} // namespace vantrel
