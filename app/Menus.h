#pragma once

#include <QObject>

class QAction;
class QMainWindow;
class QMenu;

namespace vantrel {

class CommandHub;

// The menu bar, built in one place. The four commands only post their notifications through
// the hub; Quit asks the application to quit (what editors hold is saved on the way out).
// Later windows add their items here: the Edit menu is created on first use, after File.
class Menus : public QObject {
    Q_OBJECT
public:
    Menus(QMainWindow* window, CommandHub& hub);

    QMenu* file() const { return m_file; }
    // The Edit menu, created the first time it is asked for.
    QMenu* edit();

    QAction* newLabel() const { return m_newLabel; }
    QAction* importLabel() const { return m_importLabel; }
    QAction* importList() const { return m_importList; }
    QAction* print() const { return m_print; }
    QAction* quit() const { return m_quit; }

private:
    QMainWindow* m_window;
    QMenu* m_file;
    QMenu* m_edit = nullptr;
    QAction* m_newLabel;
    QAction* m_importLabel;
    QAction* m_importList;
    QAction* m_print;
    QAction* m_quit;
};

} // namespace vantrel
