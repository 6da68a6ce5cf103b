#include "tests/app/AppHarness.h"

#include "app/CommandHub.h"
#include "app/PrintSheet.h"
#include "app/SaveOnQuit.h"
#include "views/PrintPanel.h"

#include "LabelKit/edit/PrintPanelModel.h"

#include "LabelKit/model/MeasureUnit.h"
#include "LabelKit/model/Templates.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/support/TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QSet>
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

// The modal window of this type, once it opens.
template <class Window>
Window* modal() {
    Window* found = nullptr;
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return (found = qobject_cast<Window*>(QApplication::activeModalWidget())) != nullptr;
    }));
    return found;
}

// Chooses the file in the file dialog that the window opened.
void chooseFile(const QString& path) {
    QFileDialog* dialog = modal<QFileDialog>();
    ASSERT_NE(dialog, nullptr);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(path);
    QTest::keyClick(name, Qt::Key_Return);
}

// A toolbar button by its title.
QToolButton* toolButton(MainWindow& window, const QString& title) {
    for (QToolButton* button : window.findChildren<QToolButton*>()) {
        if (button->text() == title) {
            return button;
        }
    }
    return nullptr;
}

// Picks an item of the toolbar's "New Label" menu by its title.
void pickNewLabelItem(MainWindow& window, const QString& title) {
    QMenu* menu = toolButton(window, QStringLiteral("New Label"))->menu();
    Q_EMIT menu->aboutToShow(); // the menu fills as it opens
    apptest::action(menu->actions(), title)->trigger();
}

// The main window of an application over an empty library.
class MainWindowTest : public ::testing::Test {
protected:
    AppHarness harness;
    MainWindow& window = harness.shown();
    LabelStore& store = harness.app->services().store();
};

QSet<QUuid> elementIDs(const LabelDocument& document) {
    QSet<QUuid> ids;
    for (const LabelElement& element : document.elements) {
        ids.insert(element.id);
    }
    return ids;
}

} // namespace

// Each pick of a starter design, and Ctrl+N, adds a new label with ids of its own, and selects
// it.
TEST_F(MainWindowTest, AddingAStarterTwiceGivesTwoDistinctLabels) {
    pickNewLabelItem(window, QStringLiteral("SKU tag"));
    pickNewLabelItem(window, QStringLiteral("SKU tag"));
    ASSERT_EQ(store.labels().size(), 2);
    const LabelDocument& newer = store.labels()[0];
    const LabelDocument& older = store.labels()[1];
    EXPECT_EQ(newer.name, QStringLiteral("SKU tag"));
    EXPECT_NE(newer.id, older.id);
    EXPECT_TRUE(elementIDs(newer).intersect(elementIDs(older)).isEmpty());
    EXPECT_EQ(window.selectedID(), newer.id);
    QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(store.labels().size(), 3);
    EXPECT_EQ(store.labels()[0].name, QStringLiteral("New label"));
    EXPECT_EQ(window.selectedID(), store.labels()[0].id);
}

// Ctrl+O imports the chosen label file and selects it; a file that is not a label file shows
// the store's message in the "Something went wrong" alert and changes nothing. Ctrl+Shift+O posts
// its command's notification. (Ctrl+N, Ctrl+P and Ctrl+Q are pressed in the tests of what their
// commands do.)
TEST_F(MainWindowTest, ImportSelectsTheLabelOrShowsTheError) {
    const QString good = harness.dir.filePath(QStringLiteral("bin.vtllabel"));
    testsupport::writeBytes(good, LabelStore::encode(Templates::binTag()));
    const QString bad = harness.dir.filePath(QStringLiteral("notes.json"));
    testsupport::writeBytes(bad, "{ not json");

    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    chooseFile(good);
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.labels().size() == 1; }));
    EXPECT_EQ(window.selectedID(), store.labels()[0].id);

    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    chooseFile(bad);
    QMessageBox* alert = modal<QMessageBox>();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->windowTitle(), QStringLiteral("Something went wrong"));
    EXPECT_TRUE(alert->text().contains(bad)) << alert->text().toStdString();
    EXPECT_EQ(store.labels().size(), 1);
    alert->accept();

    QSignalSpy importList(&harness.app->hub(), &CommandHub::importList);
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(importList.count(), 1);
}

// A settings file that cannot be read is reported when the window opens (the store sets it
// aside).
TEST(MainWindow, ADamagedSettingsFileIsReported) {
    AppHarness harness(false, "{ damaged");
    harness.shown();
    QMessageBox* alert = modal<QMessageBox>();
    ASSERT_NE(alert, nullptr);
    EXPECT_TRUE(alert->text().contains(QStringLiteral("could not be read")))
        << alert->text().toStdString();
}

// The tool bar's buttons have names for assistive technology; "Labels" slides the sidebar out
// and back in at its width.
TEST_F(MainWindowTest, TheToolbarIsNamedAndItsLabelsButtonTogglesTheSidebar) {
    QStringList named;
    for (QToolButton* button : window.findChild<QToolBar*>()->findChildren<QToolButton*>()) {
        if (button->isVisible()) {
            named.append(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name));
        }
    }
    EXPECT_EQ(named, QStringList({QStringLiteral("Labels"), QStringLiteral("New Label")}));
    QWidget* sidebar = window.findChild<QWidget*>(QStringLiteral("sidebar"));
    ASSERT_NE(sidebar, nullptr);
    QToolButton* toggle = toolButton(window, QStringLiteral("Labels"));
    const int width = sidebar->width();
    QTest::mouseClick(toggle, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sidebar->isVisible(); }));
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return sidebar->isVisible() && sidebar->width() == width; }));
}

namespace {

QListView* labelList(MainWindow& window) {
    return window.findChild<QListView*>(QStringLiteral("labelList"));
}

QStringList listedNames(MainWindow& window) {
    QStringList names;
    QAbstractItemModel* model = labelList(window)->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        names.append(model->index(row, 0).data().toString());
    }
    return names;
}

QModelIndex rowNamed(MainWindow& window, const QString& name) {
    QAbstractItemModel* model = labelList(window)->model();
    return model->match(model->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly).value(0);
}

// Opens a row's context menu as a right click does and picks the item with the title.
void pickFromRowMenu(MainWindow& window, const QString& name, const QString& title) {
    QListView* list = labelList(window);
    const QModelIndex row = rowNamed(window, name);
    ASSERT_TRUE(row.isValid()) << name.toStdString();
    const QPoint at = list->visualRect(row).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
    QMenu* menu = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr;
    }));
    menu->setActiveAction(apptest::action(menu->actions(), title));
    QTest::keyClick(menu, Qt::Key_Return);
}

void saveNamed(LabelStore& store, const QStringList& names) {
    for (const QString& name : names) {
        ASSERT_TRUE(store.save(LabelDocument(name)));
        QTest::qWait(2); // distinct save times keep the order
    }
}

} // namespace

// The search filters the list (its rule is the filter model's); the empty list says why it is
// empty, and the detail shows the empty state without a selection.
TEST_F(MainWindowTest, SearchFiltersTheListAndExplainsAnEmptyOne) {
    auto* empty = window.findChild<QLabel*>(QStringLiteral("listEmpty"));
    EXPECT_EQ(empty->text(), QStringLiteral("No labels yet. Press + to make one."));
    EXPECT_TRUE(window.findChild<QWidget*>(QStringLiteral("emptyState"))->isVisible());
    saveNamed(store, {QStringLiteral("Shelf"), QStringLiteral("Bin tag")});
    EXPECT_FALSE(empty->isVisible());
    QTest::keyClicks(window.findChild<QLineEdit*>(QStringLiteral("search")), QStringLiteral("zz"));
    EXPECT_TRUE(listedNames(window).isEmpty());
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->text(), QStringLiteral("No matches."));
}

// A click selects; the row menu acts on its row: deleting the selected label selects the first
// one left, deleting another keeps the selection, and other labels changing keep it too.
// Duplicate selects the copy; Print… opens the sheet for that label.
TEST_F(MainWindowTest, RowMenuActsOnItsRowKeepingTheSelectionRules) {
    saveNamed(store, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    ASSERT_EQ(listedNames(window), QStringList({"C", "B", "A"}));

    QListView* list = labelList(window);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(rowNamed(window, QStringLiteral("B"))).center());
    const QUuid b = store.labelNamed(QStringLiteral("B"))->id;
    EXPECT_EQ(window.selectedID(), b);

    // Saving another label moves its row; the selection stays on B.
    LabelDocument a = *store.labelNamed(QStringLiteral("A"));
    a.name = QStringLiteral("A2");
    store.save(a);
    EXPECT_EQ(window.selectedID(), b);
    EXPECT_EQ(list->currentIndex().data().toString(), QStringLiteral("B"));

    pickFromRowMenu(window, QStringLiteral("C"), QStringLiteral("Delete"));
    EXPECT_EQ(listedNames(window), QStringList({"A2", "B"}));
    EXPECT_EQ(window.selectedID(), b);

    pickFromRowMenu(window, QStringLiteral("B"), QStringLiteral("Delete"));
    EXPECT_EQ(window.selectedID(), store.labelNamed(QStringLiteral("A2"))->id);

    pickFromRowMenu(window, QStringLiteral("A2"), QStringLiteral("Duplicate"));
    const auto copy = store.labelNamed(QStringLiteral("A2 copy"));
    ASSERT_TRUE(copy);
    EXPECT_EQ(window.selectedID(), copy->id);
    pickFromRowMenu(window, QStringLiteral("A2"), QStringLiteral("Print…"));
    ASSERT_NE(window.printSheet(), nullptr);
    EXPECT_EQ(window.printSheet()->panel().model().document().id, a.id);
    window.printSheet()->close();

    pickFromRowMenu(window, QStringLiteral("A2 copy"), QStringLiteral("Delete"));
    pickFromRowMenu(window, QStringLiteral("A2"), QStringLiteral("Delete"));
    EXPECT_EQ(window.selectedID(), std::nullopt);
    EXPECT_TRUE(window.findChild<QWidget*>(QStringLiteral("emptyState"))->isVisible());
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
