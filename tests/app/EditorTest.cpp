#include "tests/app/AppHarness.h"

#include "app/InspectorColumn.h"
#include "app/LabelEditor.h"
#include "app/ListPanelHost.h"
#include "app/Menus.h"
#include "app/PrintSheet.h"
#include "app/SettingsWindow.h"
#include "views/DocumentInspector.h"
#include "views/ElementInspector.h"
#include "views/LabelCanvas.h"
#include "views/ListPanel.h"
#include "views/PrintPanel.h"
#include "views/PrinterStatusLabel.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/edit/PrintPanelModel.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace Qt::StringLiterals;
using apptest::AppHarness;

namespace {

// Real editors over a stored 40 × 30 mm label: a 20 × 5 mm text at (10, 10), a locked box
// at (2, 20) and a QR code at (30, 18), in that drawing order.
class EditorTest : public ::testing::Test {
protected:
    EditorTest() : label(u"Shelf"_s, 40, 30) {
        LabelElement text(ElementKind::text), box(ElementKind::box), qr(ElementKind::qr);
        text.x = 10, text.y = 10, text.width = 20, text.height = 5;
        box.x = 2, box.y = 20, box.width = 6, box.height = 6, box.locked = true;
        qr.x = 30, qr.y = 18, qr.width = 8, qr.height = 8;
        label.elements = {text, box, qr};
        EXPECT_TRUE(store().save(label));
    }

    LabelStore& store() { return harness.app->services().store(); }

    std::unique_ptr<LabelEditor> open(const QUuid& id) {
        Application& app = *harness.app;
        auto editor =
            std::make_unique<LabelEditor>(id, app.services(), app.hub(), app.saveOnQuit());
        editor->resize(1000, 700);
        editor->show();
        editor->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(editor.get()));
        editor->canvas().setFocus();
        return editor;
    }

    // The canvas point over a point of the label (mm).
    QPoint at(const LabelEditor& editor, double x, double y) const {
        return editor.canvas().canvasPoint(QPointF(x, y)).toPoint();
    }
    const LabelElement& item(const LabelEditor& editor, qsizetype i) const {
        return editor.session().document().elements.at(i);
    }
    // Whether the canvas takes a key press; one it ignores goes on to the widgets around it.
    static bool takes(LabelEditor& editor, int key, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        static_cast<QObject&>(editor.canvas()).event(&press); // the canvas alone, not its parents
        return press.isAccepted();
    }

    void drag(LabelEditor& editor, QPoint from, const QList<QPoint>& through) {
        QWidget* canvas = &editor.canvas();
        QTest::mousePress(canvas, Qt::LeftButton, {}, from);
        for (const QPoint& point : through) {
            QTest::mouseMove(canvas, point);
        }
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, through.last());
    }

    AppHarness harness;
    LabelDocument label;
};

} // namespace

// A click selects within a millimetre of an item, locked ones too, and elsewhere clears; a
// drag on a locked item neither moves nor selects it. A drag selects its item, lands it on
// quarter millimetres (the gesture's rule) and is one undo step (the session's rule). The
// handle resizes at once, keeping a QR code square.
TEST_F(EditorTest, ClicksSelectDragsMoveUnlockedItemsAndTheHandleResizes) {
    auto editor = open(label.id);
    QTest::mouseClick(&editor->canvas(), Qt::LeftButton, {}, at(*editor, 9.2, 12));
    EXPECT_EQ(editor->session().selection(), label.elements[0].id);
    const QPoint onBox = at(*editor, 5, 23);
    drag(*editor, onBox, {onBox + QPoint(40, 40)});
    EXPECT_EQ(item(*editor, 1).x, 2);
    EXPECT_EQ(editor->session().selection(), label.elements[0].id) << "the drag selects nothing";
    QTest::mouseClick(&editor->canvas(), Qt::LeftButton, {}, onBox);
    EXPECT_EQ(editor->session().selection(), label.elements[1].id);
    QTest::mouseClick(&editor->canvas(), Qt::LeftButton, {}, at(*editor, 20, 3));
    EXPECT_EQ(editor->session().selection(), std::nullopt);

    const QPoint start = at(*editor, 15, 12);
    drag(*editor, start, {start + QPoint(2, 0), start + QPoint(int(editor->scale() * 1.37), 0)});
    EXPECT_EQ(editor->session().selection(), label.elements[0].id);
    const double x = item(*editor, 0).x;
    EXPECT_NEAR(x, 11.25, 0.25);
    EXPECT_EQ(std::fmod(x * 4, 1.0), 0.0) << x;
    EXPECT_EQ(item(*editor, 0).y, 10);
    EXPECT_EQ(editor->undoAction()->text(), u"Undo Move"_s);
    editor->undoAction()->trigger();
    EXPECT_EQ(item(*editor, 0).x, 10);
    EXPECT_FALSE(editor->undoAction()->isEnabled());

    editor->session().setSelection(label.elements[2].id);
    const QPoint handle = at(*editor, 38, 26);
    const int fiveMM = int(std::lround(editor->scale() * 5));
    // The handle lies over the text's margin too: the resize wins over a move.
    drag(*editor, handle, {handle + QPoint(1, 0), handle + QPoint(fiveMM, 0)});
    EXPECT_EQ(item(*editor, 2).width, 13);
    EXPECT_EQ(item(*editor, 2).height, 13);
    EXPECT_EQ(item(*editor, 2).x, 30);
}

// Keys nudge in the chosen unit, leave a locked item in place but delete it, and go on to the
// widgets around while nothing is selected. The inspector follows the selection and is kept
// while its item is edited.
TEST_F(EditorTest, KeysNudgeInTheUnitAndTheInspectorFollowsTheSelection) {
    harness.app->services().settings().setText(MeasureUnit::storageKey(), u"inches"_s);
    auto editor = open(label.id);
    const auto shown = [&] {
        QCoreApplication::processEvents();
        return editor->inspector().inspector();
    };
    EXPECT_TRUE(qobject_cast<DocumentInspector*>(shown()));
    EXPECT_FALSE(takes(*editor, Qt::Key_Right)) << "nothing selected";
    editor->session().setSelection(label.elements[0].id);
    auto* inspector = qobject_cast<ElementInspector*>(shown());
    ASSERT_TRUE(inspector);
    EXPECT_EQ(inspector->element(), label.elements[0].id);
    QTest::keyClick(&editor->canvas(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(item(*editor, 0).x, 10 + 3.175);
    EXPECT_EQ(shown(), inspector) << "an edit to the item keeps its inspector (and its focus)";
    editor->session().setSelection(label.elements[2].id);
    EXPECT_EQ(qobject_cast<ElementInspector*>(shown())->element(), label.elements[2].id);

    editor->session().setSelection(label.elements[1].id);
    takes(*editor, Qt::Key_Left);
    EXPECT_EQ(item(*editor, 1).x, 2) << "locked";
    EXPECT_TRUE(takes(*editor, Qt::Key_Delete));
    EXPECT_EQ(editor->session().document().elements.size(), 2);
    EXPECT_EQ(editor->session().selection(), std::nullopt);
    EXPECT_TRUE(qobject_cast<DocumentInspector*>(shown()));
}

TEST_F(EditorTest, ADropOfTwoFilesAttachesTheFirstAndAnUnreadableOneIsReported) {
    auto editor = open(label.id);
    QTemporaryDir dir;
    const QString first = dir.filePath(u"first.csv"_s), second = dir.filePath(u"second.csv"_s);
    testsupport::writeBytes(first, "SKU,Name\n1,Bolt\n2,Nut\n");
    testsupport::writeBytes(second, "Other\nx\n");
    ListPanelHost& panel = editor->listPanel();
    const auto dropFiles = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint middle = panel.rect().center();
        QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&panel, &enter);
        EXPECT_TRUE(panel.dropHighlight());
        QDropEvent drop(middle, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&panel, &drop);
        EXPECT_FALSE(panel.dropHighlight());
        return drop.isAccepted();
    };
    editor->session().setTickedRows({0});
    EXPECT_TRUE(dropFiles({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)}));
    const std::optional<DataTable> table = editor->session().table();
    ASSERT_TRUE(table);
    EXPECT_EQ(table->columns, QStringList({u"SKU"_s, u"Name"_s}));

    EXPECT_FALSE(dropFiles({QUrl::fromLocalFile(dir.filePath(u"missing.csv"_s))}));
    auto* alert = editor->findChild<QMessageBox*>(u"importErrorAlert"_s);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->windowTitle(), u"Couldn't import"_s);
    EXPECT_EQ(editor->session().table()->columns, table->columns) << "the list stays";
    alert->accept();

    apptest::action(panel.panel().menuButton()->menu()->actions(), u"Remove List"_s)->trigger();
    EXPECT_TRUE(panel.panel().showsEmptyState());
    EXPECT_FALSE(store().label(label.id)->dataName);
}

TEST_F(EditorTest, ItemsPasteBetweenEditorsWithAFreshId) {
    LabelDocument other(u"Other"_s, 30, 20);
    ASSERT_TRUE(store().save(other));
    auto source = open(label.id);
    source->session().setSelection(label.elements[0].id);
    QTest::keyClick(source.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), label.elements[0].content);

    auto target = open(other.id);
    QTest::keyClick(target.get(), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(target->session().document().elements.size(), 1);
    EXPECT_NE(item(*target, 0).id, label.elements[0].id);
    EXPECT_EQ(item(*target, 0).content, label.elements[0].content);
    EXPECT_EQ(target->session().selection(), item(*target, 0).id);

    // Cut takes the item away as one step; Ctrl+V and Ctrl+D add it back twice.
    source->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(source.get()));
    source->session().setSelection(label.elements[2].id);
    QTest::keyClick(source.get(), Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(source->session().document().elements.size(), 2);
    EXPECT_EQ(source->undoAction()->text(), u"Undo Cut"_s);
    QTest::keyClick(source.get(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(source.get(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(source->session().document().elements.size(), 4);
}

// In the main window: the toolbar adds, Edit ▸ Undo names the step, Ctrl+P saves and opens
// the print sheet with the design as edited and its ticked rows; the printer status opens the
// settings window.
TEST_F(EditorTest, TheMainWindowsEditorAddsUndoesAndPrints) {
    MainWindow& window = harness.shown();
    window.select(label.id);
    auto* editor = qobject_cast<LabelEditor*>(window.detailWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(window.windowTitle(), u"Shelf"_s);
    apptest::action(editor->toolBar()->actions(), u"Add text"_s)->trigger();
    ASSERT_EQ(editor->session().document().elements.size(), 4);
    EXPECT_TRUE(editor->canvas().hasFocus());
    const QList<QAction*> edit = window.menus().edit()->actions();
    ASSERT_FALSE(edit.isEmpty());
    EXPECT_EQ(edit.first()->text(), u"Undo Add Text"_s);

    editor->session().setTickedRows({1});
    QTest::keyClick(&window, Qt::Key_P, Qt::ControlModifier);
    ASSERT_NE(window.printSheet(), nullptr);
    const PrintPanelModel& model = window.printSheet()->panel().model();
    EXPECT_EQ(model.document().elements.size(), 4);
    EXPECT_EQ(model.selectedRows(), QSet<qsizetype>({1}));
    EXPECT_EQ(store().label(label.id)->elements.size(), 4) << "saved before the sheet opened";
    window.printSheet()->close();

    QTest::mouseClick(editor->toolBar()->findChild<PrinterStatusLabel*>(), Qt::LeftButton);
    ASSERT_NE(harness.app->settingsWindow(), nullptr);
    EXPECT_TRUE(harness.app->settingsWindow()->isVisible()) << "the printer status opens Settings";
    harness.app->settingsWindow()->close();
    window.select(std::nullopt);
    EXPECT_EQ(window.windowTitle(), u"Vantrel"_s);
    EXPECT_EQ(window.menus().edit()->actions().size(), 2) << "the edit commands left too";
}
