#include "tests/app/AppHarness.h"

#include "app/CommandHub.h"
#include "app/MainWindow.h"
#include "app/Menus.h"
#include "app/SaveOnQuit.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <csignal>

using namespace vantrel;
using apptest::AppHarness;

namespace {

QString accessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QString();
}

} // namespace

// The four commands carry their exact titles and shortcuts, and a key press does nothing but
// post the command's notification.
TEST(Shell, MenuCommandsPostTheirNotifications) {
    AppHarness harness;
    MainWindow& window = harness.shown();
    CommandHub& hub = harness.app->hub();
    struct Case {
        QAction* action;
        const char* title;
        QKeySequence keys;
        void (CommandHub::*signal)();
    };
    const Menus& menus = window.menus();
    const Case cases[] = {
        {menus.newLabel(), "New Label", QKeySequence(Qt::CTRL | Qt::Key_N), &CommandHub::newLabel},
        {menus.importLabel(), "Import Label File…", QKeySequence(Qt::CTRL | Qt::Key_O),
         &CommandHub::importLabel},
        {menus.importList(), "Import List (CSV)…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
         &CommandHub::importList},
        {menus.print(), "Print…", QKeySequence(Qt::CTRL | Qt::Key_P), &CommandHub::printLabel},
    };
    // Shortcuts reach the commands from the window (before a command opens a dialog over it).
    QSignalSpy fromKey(&hub, &CommandHub::importList);
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(fromKey.count(), 1);

    for (const Case& c : cases) {
        EXPECT_EQ(c.action->text(), QString::fromUtf8(c.title));
        EXPECT_EQ(c.action->shortcut(), c.keys);
        QSignalSpy spy(&hub, c.signal);
        c.action->trigger();
        EXPECT_EQ(spy.count(), 1) << c.title;
    }
    EXPECT_EQ(menus.quit()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
}

// The tool bar's controls have names for assistive technology.
TEST(Shell, ToolbarControlsAreNamed) {
    AppHarness harness;
    MainWindow& window = harness.shown();
    int named = 0;
    for (QToolButton* button : window.findChild<QToolBar*>()->findChildren<QToolButton*>()) {
        if (button->isVisible()) {
            named += !accessibleName(button).isEmpty();
            EXPECT_FALSE(accessibleName(button).isEmpty()) << button->toolTip().toStdString();
        }
    }
    EXPECT_EQ(named, 2); // "Labels" and "New Label"
}

// However the application is asked to quit, every registered editor flush runs before the
// event loop returns, and none of an editor that went away.
TEST(Shell, EveryWayOfQuittingFlushesOpenEditors) {
    struct Case {
        const char* name;
        std::function<void(AppHarness&)> quit;
    };
    const Case cases[] = {
        {"Quit command",
         [](AppHarness& h) {
             QTest::keyClick(&h.app->mainWindow(), Qt::Key_Q, Qt::ControlModifier);
         }},
        {"closing the window", [](AppHarness& h) { h.app->mainWindow().close(); }},
        {"SIGTERM", [](AppHarness&) { std::raise(SIGTERM); }},
        {"SIGINT", [](AppHarness&) { std::raise(SIGINT); }},
    };
    for (const Case& c : cases) {
        AppHarness harness;
        harness.shown();
        int flushes = 0;
        int gone = 0;
        const SaveOnQuit::Registration registration =
            harness.app->saveOnQuit().add([&flushes] { ++flushes; });
        { // an editor that went away
            const SaveOnQuit::Registration ended = harness.app->saveOnQuit().add([&] { ++gone; });
        }
        QTimer::singleShot(0, harness.app.get(), [&] { c.quit(harness); });
        // A quit that never comes fails instead of hanging.
        QTimer::singleShot(5000, harness.app.get(), [] { QCoreApplication::exit(1); });
        EXPECT_EQ(QCoreApplication::exec(), 0) << c.name;
        EXPECT_GE(flushes, 1) << c.name;
        EXPECT_EQ(gone, 0) << c.name;
    }
}
