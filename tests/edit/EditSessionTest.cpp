#include "LabelKit/edit/EditSession.h"

#include "LabelKit/store/LabelStore.h"
#include "tests/printer/AsyncSupport.h"
#include "tests/support/TestSupport.h"

#include <QRectF>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

class EditSessionTest : public ::testing::Test {
protected:
    EditSessionTest() : store(dir.path(), false) {
        LabelDocument doc(u"Shelf"_s, 30, 20);
        LabelElement text(ElementKind::text), locked(ElementKind::box);
        locked.locked = true;
        doc.elements = {text, locked};
        EXPECT_TRUE(store.save(doc));
        label = doc;
        session = std::make_unique<EditSession>(&store, doc.id);
    }

    const LabelElement& element(qsizetype i) const { return session->document().elements.at(i); }
    QString undoText() const { return session->undoStack()->undoText(); }

    QTemporaryDir dir;
    LabelStore store;
    LabelDocument label;
    std::unique_ptr<EditSession> session;
};

TEST_F(EditSessionTest, AddedItemsAreShrunkCentredOnQuarterMillimetresOnTopAndSelected) {
    struct Case {
        ElementKind kind;
        double labelWidth, labelHeight, x, y, width, height;
    };
    for (const Case& c : {Case{ElementKind::text, 30, 20, 1, 6.5, 28, 7},
                          Case{ElementKind::qr, 30, 20, 8, 3, 14, 14},
                          Case{ElementKind::box, 40.3, 11.1, 12.25, 1, 16, 9.1}}) {
        session->editDocument(u"Size"_s, [&](LabelDocument& d) {
            d.widthMM = c.labelWidth;
            d.heightMM = c.labelHeight;
        });
        const QUuid id = session->addElement(c.kind);
        const LabelElement& added = session->document().elements.last();
        EXPECT_EQ(session->selection(), id);
        EXPECT_EQ(undoText(), u"Add "_s + title(c.kind));
        EXPECT_EQ(QRectF(added.x, added.y, added.width, added.height),
                  QRectF(c.x, c.y, c.width, c.height));
    }
}

// A column dropped on an item is one step (on no item, none); delete, duplicate and reorder act
// on the selection; a paste lands 1 mm further, or centred where that would overhang.
TEST_F(EditSessionTest, ColumnDropsSelectionCommandsAndPastes) {
    EXPECT_FALSE(session->deleteSelection()) << "nothing selected";
    EXPECT_FALSE(session->duplicateSelection());
    const QUuid text = element(0).id, box = element(1).id;
    session->dropColumn(text, u"SKU"_s);
    EXPECT_EQ(element(0).content, u"{SKU}"_s);
    session->dropColumn(QUuid::createUuid(), u"Name"_s);
    EXPECT_EQ(session->undoStack()->count(), 1);

    session->setSelection(text);
    const std::optional<QUuid> copy = session->duplicateSelection();
    ASSERT_TRUE(copy);
    EXPECT_EQ(session->selection(), copy);
    LabelElement expected = element(0);
    expected.id = *copy;
    expected.x += 1;
    expected.y += 1;
    EXPECT_EQ(element(2), expected);
    EXPECT_EQ(undoText(), u"Duplicate"_s);

    session->setSelection(text);
    const int steps = session->undoStack()->count();
    session->reorderSelection(-1); // already at the bottom
    EXPECT_EQ(session->undoStack()->count(), steps);
    session->reorderSelection(+1);
    EXPECT_EQ(element(1).id, text);
    EXPECT_EQ(undoText(), u"Bring Forward"_s);
    session->setSelection(box); // Backspace deletes too, a locked item included
    EXPECT_TRUE(session->handleKey(Qt::Key_Backspace, {}, false, MeasureUnit::mm));
    EXPECT_FALSE(session->document().element(box));

    LabelElement item(ElementKind::box); // 16 x 10 at (2, 2): fits 1 mm further on 30 x 20
    EXPECT_NE(session->paste(item), item.id);
    EXPECT_EQ(session->selection(), session->document().elements.last().id);
    EXPECT_EQ(session->document().elements.last().x, 3);
    item.x = 14.5; // 1 mm further it would overhang the right edge: centred instead
    session->paste(item);
    EXPECT_EQ(session->document().elements.last().x, 7);
    EXPECT_EQ(session->document().elements.last().y, 5);
}

// Arrows nudge by the unit's step, and a held key is one step.
TEST_F(EditSessionTest, ArrowsNudgeByTheUnitsStepAndAHeldKeyOrAGestureIsOneStep) {
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        MeasureUnit unit;
        double dx, dy;
    };
    const QUuid text = element(0).id;
    session->setSelection(text);
    for (const Case& c : {Case{Qt::Key_Right, {}, MeasureUnit::mm, 0.25, 0},
                          Case{Qt::Key_Up, Qt::ShiftModifier, MeasureUnit::mm, 0, -1},
                          Case{Qt::Key_Left, {}, MeasureUnit::inches, -0.396875, 0},
                          Case{Qt::Key_Right, Qt::ShiftModifier, MeasureUnit::inches, 3.175, 0},
                          Case{Qt::Key_Down, {}, MeasureUnit::mm, 0, 0.25}}) {
        const LabelElement before = element(0);
        EXPECT_TRUE(session->handleKey(c.key, c.modifiers, false, c.unit));
        EXPECT_DOUBLE_EQ(element(0).x - before.x, c.dx);
        EXPECT_DOUBLE_EQ(element(0).y - before.y, c.dy);
    }
    EXPECT_EQ(session->undoStack()->count(), 5);

    // Key repeats merge into the press; the next press is a new step.
    const double x = element(0).x;
    for (const bool repeat : {false, true, true, true}) {
        session->handleKey(Qt::Key_Right, {}, repeat, MeasureUnit::mm);
    }
    EXPECT_DOUBLE_EQ(element(0).x, x + 1);
    EXPECT_EQ(session->undoStack()->count(), 6);
    session->handleKey(Qt::Key_Right, {}, false, MeasureUnit::mm);
    EXPECT_EQ(session->undoStack()->count(), 7);

    // A gesture is one step, and undoing it restores the selection.
    const LabelDocument start = session->document();
    QSignalSpy changed(session.get(), &EditSession::documentChanged);
    for (int i = 1; i <= 5; ++i) {
        session->editElement(
            text, u"Move"_s, [&](LabelElement& e) { e.x = 2 + i; }, u"drag"_s);
    }
    EXPECT_EQ(changed.last().at(0).value<QSet<QUuid>>(), QSet<QUuid>{text});
    EXPECT_EQ(session->undoStack()->count(), 8);

    session->setSelection(std::nullopt);
    session->undoStack()->undo();
    EXPECT_EQ(session->document(), start);
    EXPECT_EQ(session->selection(), text);
    session->undoStack()->redo();
    EXPECT_DOUBLE_EQ(element(0).x, 7);

    // After an undo or redo the same gesture starts a new step.
    session->editElement(
        text, u"Move"_s, [](LabelElement& e) { e.y = 9; }, u"drag"_s);
    EXPECT_EQ(session->undoStack()->count(), 9);

    // A gesture that returns to where it began leaves no step.
    session->editElement(
        text, u"Content"_s, [](LabelElement& e) { e.content = u"A"_s; }, u"content"_s);
    session->editElement(
        text, u"Content"_s, [](LabelElement& e) { e.content = u"Text"_s; }, u"content"_s);
    EXPECT_EQ(session->undoStack()->count(), 9);
}

TEST_F(EditSessionTest, ListsAttachThroughTheStoreAndPickThePreviewRow) {
    const QString csv = dir.filePath(u"in.csv"_s);
    testsupport::writeBytes(csv, "Name\nA\nB\nC\n");
    session->setPreviewRow(2);
    session->setTickedRows({1});
    QSignalSpy tableChanged(session.get(), &EditSession::tableChanged);
    session->editDocument(u"Rename"_s, [](LabelDocument& d) { d.name = u"Bin"_s; });

    session->attachList(csv);
    EXPECT_EQ(tableChanged.count(), 1);
    EXPECT_EQ(store.label(label.id)->dataName, u"in.csv"_s) << "saved at once";
    EXPECT_EQ(session->previewRow(), 0);
    EXPECT_TRUE(session->tickedRows().isEmpty());
    EXPECT_EQ(session->mergeContext().fields.value(u"Name"_s), u"A"_s);

    for (const int delta : {-1, +1, +1, +1}) {
        session->stepPreviewRow(delta);
    }
    EXPECT_EQ(session->previewRow(), 2);
    session->setPreviewRow(7); // beyond the list: the last row shows
    EXPECT_EQ(session->mergeContext().fields.value(u"Name"_s), u"C"_s);

    // An edit from before the list came, undone, keeps the list: it lives in the store's files.
    session->undoStack()->undo();
    EXPECT_EQ(session->document().name, label.name);
    EXPECT_EQ(session->document().dataName, u"in.csv"_s);

    session->setTickedRows({0, 2});
    session->removeList();
    EXPECT_FALSE(store.label(label.id)->dataName);
    EXPECT_TRUE(session->tickedRows().isEmpty());
    EXPECT_TRUE(session->mergeContext().fields.isEmpty());
}

// A burst of edits is saved once, 0.6 s after the last; closing saves what is unsaved and
// nothing else. Nothing is saved before the label loads, nor after it left the library.
TEST_F(EditSessionTest, EditsAreSavedAfterABurstAndOnClosingButOnlyWhileTheLabelIsStored) {
    asyncsupport::TimeScale fast(0.5); // the save itself (a flush to the disk) is not scaled
    QList<Clock::time_point> saves;
    QObject context;
    QObject::connect(&store, &LabelStore::labelChanged, &context,
                     [&] { saves.append(Clock::now()); });
    Clock::time_point last;
    for (int i = 0; i < 5; ++i) {
        session->editDocument(u"Rename"_s, [&](LabelDocument& d) { d.name = u"N%1"_s.arg(i); });
        last = Clock::now();
        asyncsupport::runFor(0.1);
    }
    asyncsupport::runFor(1.0);
    ASSERT_EQ(saves.size(), 1);
    const double after = (saves.first() - last).count();
    EXPECT_GE(after, 0.59);
    EXPECT_LE(after, 0.85);
    EXPECT_EQ(store.label(label.id)->name, u"N4"_s);

    session->editDocument(u"Rename"_s, [](LabelDocument& d) { d.name = u"Last"_s; });
    session.reset();
    EXPECT_EQ(saves.size(), 2);
    EXPECT_EQ(store.label(label.id)->name, u"Last"_s);
    { EditSession reopened(&store, label.id); }
    EXPECT_EQ(saves.size(), 2);

    LabelDocument later(u"Later"_s);
    auto waiting = std::make_unique<EditSession>(&store, later.id);
    EXPECT_FALSE(waiting->loaded());
    waiting->addElement(ElementKind::text);
    EXPECT_FALSE(waiting->saveNow());
    EXPECT_FALSE(store.label(later.id));
    ASSERT_TRUE(store.save(later));
    EXPECT_TRUE(waiting->load());
    EXPECT_EQ(waiting->document(), *store.label(later.id));
    waiting->addElement(ElementKind::line);
    store.remove(later.id);
    EXPECT_FALSE(waiting->loaded());
    waiting.reset();
    asyncsupport::runFor(1.0);
    EXPECT_FALSE(store.label(later.id));
}

} // namespace
