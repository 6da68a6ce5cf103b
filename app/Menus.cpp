#include "app/Menus.h"

#include "app/CommandHub.h"

#include <QAction>
#include <QActionEvent>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace vantrel {

namespace {

// Titles are shown as written: no mnemonics, so an "&" never appears or vanishes.
QAction* command(QMenu* menu, const QString& title, const QKeySequence& shortcut) {
    QAction* action = menu->addAction(title);
    action->setShortcut(shortcut);
    return action;
}

} // namespace

Menus::Menus(QMainWindow* window, CommandHub& hub) : QObject(window), m_window(window) {
    m_file = window->menuBar()->addMenu(QStringLiteral("File"));
    m_newLabel = command(m_file, QStringLiteral("New Label"), QKeySequence(Qt::CTRL | Qt::Key_N));
    m_importLabel =
        command(m_file, QStringLiteral("Import Label File…"), QKeySequence(Qt::CTRL | Qt::Key_O));
    m_importList = command(m_file, QStringLiteral("Import List (CSV)…"),
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    m_file->addSeparator();
    m_print = command(m_file, QStringLiteral("Print…"), QKeySequence(Qt::CTRL | Qt::Key_P));
    m_file->addSeparator();
    m_quit = command(m_file, QStringLiteral("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setMenuRole(QAction::QuitRole);

    m_edit = window->menuBar()->addMenu(QStringLiteral("Edit"));
    m_preferencesSection = m_edit->addSeparator();
    m_preferences =
        command(m_edit, QStringLiteral("Preferences…"), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    m_preferences->setMenuRole(QAction::PreferencesRole);
    m_edit->installEventFilter(this);

    const auto post = [&hub](const QString& name) { return [&hub, name] { hub.post(name); }; };
    connect(m_newLabel, &QAction::triggered, &hub, post(Notifications::newLabel));
    connect(m_importLabel, &QAction::triggered, &hub, post(Notifications::importLabel));
    connect(m_importList, &QAction::triggered, &hub, post(Notifications::importList));
    connect(m_print, &QAction::triggered, &hub, post(Notifications::printLabel));
    connect(m_preferences, &QAction::triggered, &hub, post(Notifications::showSettings));
    connect(m_quit, &QAction::triggered, qApp, &QApplication::quit, Qt::QueuedConnection);
}

bool Menus::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_edit && event->type() == QEvent::ActionAdded) {
        const QAction* added = static_cast<QActionEvent*>(event)->action();
        if (added != m_preferencesSection && added != m_preferences) {
            // Preferences… stays last, below the commands windows add and take away again.
            m_edit->removeAction(m_preferencesSection);
            m_edit->removeAction(m_preferences);
            m_edit->addAction(m_preferencesSection);
            m_edit->addAction(m_preferences);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vantrel
