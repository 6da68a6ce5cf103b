#include "tests/app/AppHarness.h"

#include "app/Menus.h"

#include "LabelKit/model/MeasureUnit.h"
#include "LabelKit/model/Templates.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <gtest/gtest.h>

using namespace vantrel;
using apptest::AppHarness;

namespace {

// Chooses the file in the file dialog that the window opened.
void chooseFile(const QString& path) {
    QFileDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())));
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(path);
    QTest::keyClick(name, Qt::Key_Return);
}

// Picks an item of the toolbar's "New Label" menu by its title.
void pickNewLabelItem(MainWindow& window, const QString& title) {
    QToolButton* button = nullptr;
    for (QToolButton* candidate : window.findChildren<QToolButton*>()) {
        if (candidate->text() == QStringLiteral("New Label")) {
            button = candidate;
        }
    }
    ASSERT_NE(button, nullptr);
    QTimer::singleShot(0, button, [button, title] {
        QMenu* menu = button->menu();
        for (QAction* action : menu->actions()) {
            if (action->text() == title) {
                menu->setActiveAction(action);
            }
        }
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::mouseClick(button, Qt::LeftButton);
    // Offscreen, nothing gives the window its focus back after a popup.
    window.windowHandle()->requestActivate();
    QTRY_COMPARE(QGuiApplication::focusWindow(), window.windowHandle());
}

QSet<QUuid> elementIDs(const LabelDocument& document) {
    QSet<QUuid> ids;
    for (const LabelElement& element : document.elements) {
        ids.insert(element.id);
    }
    return ids;
}

} // namespace

// Each pick of a starter design adds a new label with ids of its own, and selects it.
TEST(MainWindow, AddingAStarterTwiceGivesTwoDistinctLabels) {
    AppHarness harness;
    MainWindow& window = harness.shown();
    LabelStore& store = harness.app->services().store();
    pickNewLabelItem(window, QStringLiteral("SKU tag"));
    pickNewLabelItem(window, QStringLiteral("SKU tag"));
    ASSERT_EQ(store.labels().size(), 2);
    const LabelDocument& newer = store.labels()[0];
    const LabelDocument& older = store.labels()[1];
    EXPECT_EQ(newer.name, QStringLiteral("SKU tag"));
    EXPECT_EQ(older.name, QStringLiteral("SKU tag"));
    EXPECT_NE(newer.id, older.id);
    EXPECT_EQ(elementIDs(newer).size(), 4);
    EXPECT_TRUE(elementIDs(newer).intersect(elementIDs(older)).isEmpty());
    EXPECT_EQ(window.selectedID(), newer.id);

    // Ctrl+N and the Blank item add the blank design.
    MeasureUnit(MeasureUnit::mm).save(harness.app->services().settings());
    QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(store.labels().size(), 3);
    pickNewLabelItem(window, QStringLiteral("Blank 40 × 30 mm"));
    ASSERT_EQ(store.labels().size(), 4);
    EXPECT_EQ(store.labels()[0].name, QStringLiteral("New label"));
    EXPECT_EQ(store.labels()[1].name, QStringLiteral("New label"));
    EXPECT_EQ(window.selectedID(), store.labels()[0].id);
}

// Ctrl+O imports the chosen label file and selects it; a file that is not a label file shows
// the store's message in the "Something went wrong" alert and changes nothing.
TEST(MainWindow, ImportSelectsTheLabelOrShowsTheError) {
    AppHarness harness;
    MainWindow& window = harness.shown();
    LabelStore& store = harness.app->services().store();
    const QString good = harness.dir.filePath(QStringLiteral("bin.vtllabel"));
    testsupport::writeBytes(good, LabelStore::encode(Templates::binTag()));
    const QString bad = harness.dir.filePath(QStringLiteral("notes.json"));
    testsupport::writeBytes(bad, "{ not json");

    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    chooseFile(good);
    QTRY_COMPARE(store.labels().size(), 1);
    EXPECT_EQ(window.selectedID(), store.labels()[0].id);

    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    chooseFile(bad);
    QMessageBox* alert = nullptr;
    QTRY_VERIFY((alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())));
    EXPECT_EQ(alert->windowTitle(), QStringLiteral("Something went wrong"));
    QString reason;
    try {
        LabelStore::readLabelFile(bad);
    } catch (const UserError& error) {
        reason = error.message();
    }
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(alert->text(), reason);
    EXPECT_EQ(store.labels().size(), 1);
    QTest::mouseClick(alert->button(QMessageBox::Ok), Qt::LeftButton);
    QTRY_COMPARE(QApplication::activeModalWidget(), nullptr);
}

// "Labels" in the toolbar slides the sidebar out and back in at its width.
TEST(MainWindow, TheLabelsButtonTogglesTheSidebar) {
    AppHarness harness;
    MainWindow& window = harness.shown();
    QWidget* sidebar = window.findChild<QWidget*>(QStringLiteral("sidebar"));
    ASSERT_NE(sidebar, nullptr);
    QToolButton* toggle = nullptr;
    for (QToolButton* button : window.findChildren<QToolButton*>()) {
        toggle = button->text() == QStringLiteral("Labels") ? button : toggle;
    }
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->toolTip(), QStringLiteral("Show or hide the label list"));
    EXPECT_EQ(sidebar->width(), 260);
    QTest::mouseClick(toggle, Qt::LeftButton);
    QTRY_VERIFY(!sidebar->isVisible());
    QTest::mouseClick(toggle, Qt::LeftButton);
    QTRY_COMPARE(sidebar->width(), 260);
    EXPECT_TRUE(sidebar->isVisible());
}
