#pragma once

#include "views/PrinterRow.h"

#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QToolButton;

namespace vantrel {

class BusyIndicator;
class SignalBars;

// One printer in the printers list: its icon, the title (semibold with a yellow star for the
// default printer) over the subtitle, a spinner while an action runs on it, the signal bars
// while it is around, and the menu of its actions. It shows a PrinterRow; the list acts on
// the menu's actions.
class PrinterRowView : public QWidget {
    Q_OBJECT
public:
    explicit PrinterRowView(QWidget* parent = nullptr);

    const PrinterRow& row() const { return m_row; }
    void setRow(const PrinterRow& row);

    QLabel* title() const { return m_title; }
    QLabel* star() const { return m_star; }
    QLabel* subtitle() const { return m_subtitle; }
    BusyIndicator* spinner() const { return m_spinner; }
    SignalBars* signalBars() const { return m_bars; }
    QToolButton* menuButton() const { return m_menuButton; }

    QAction* renameAction() const { return m_rename; }
    QAction* defaultAction() const { return m_default; }
    QAction* identifyAction() const { return m_identify; }
    QAction* firmwareAction() const { return m_firmware; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refreshIcons();

    PrinterRow m_row;
    QLabel* m_icon;
    QLabel* m_title;
    QLabel* m_star;
    QLabel* m_subtitle;
    BusyIndicator* m_spinner;
    SignalBars* m_bars;
    QToolButton* m_menuButton;
    QMenu* m_menu;
    QAction* m_rename;
    QAction* m_default;
    QAction* m_identify;
    QAction* m_firmware;
};

} // namespace vantrel
