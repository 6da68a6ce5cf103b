#pragma once

#include <QObject>

class QAction;
class QMainWindow;
class QMenu;

namespace vantrel {

class CommandHub;

// The menu bar, built in one place. The commands only post their notifications through the
// hub; Quit asks the application to quit (what editors hold is saved on the way out).
// Later windows add their items here. The Edit menu always ends with Preferences…, below
// whatever is added to it.
class Menus : public QObject {
    Q_OBJECT
public:
    Menus(QMainWindow* window, CommandHub& hub);

    QMenu* file() const { return m_file; }
    QMenu* edit() const { return m_edit; }

    QAction* newLabel() const { return m_newLabel; }
    QAction* importLabel() const { return m_importLabel; }
    QAction* importList() const { return m_importList; }
    QAction* print() const { return m_print; }
    QAction* quit() const { return m_quit; }
    QAction* preferences() const { return m_preferences; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMainWindow* m_window;
    QMenu* m_file;
    QMenu* m_edit;
    QAction* m_newLabel;
    QAction* m_importLabel;
    QAction* m_importList;
    QAction* m_print;
    QAction* m_quit;
    QAction* m_preferencesSection;
    QAction* m_preferences;
};

} // namespace vantrel
