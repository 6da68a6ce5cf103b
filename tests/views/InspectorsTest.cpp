#include "views/DocumentInspector.h"
#include "views/ElementInspector.h"
#include "views/MMField.h"
#include "views/NumberField.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

class InspectorsTest : public ::testing::Test {
protected:
    InspectorsTest() : store(dir.path(), false) {
        LabelDocument doc(u"Shelf"_s, 40, 30);
        LabelElement barcode(ElementKind::barcode), image(ElementKind::image);
        barcode.symbology = Symbology::ean13;
        barcode.content = sample(Symbology::ean13);
        doc.elements = {barcode, image};
        EXPECT_TRUE(store.save(doc));
        session = std::make_unique<EditSession>(&store, doc.id);
        barcodeID = barcode.id;
        imageID = image.id;
        MeasureUnit(MeasureUnit::mm).save(settings);
    }

    const LabelElement& item(const QUuid& id) const { return *session->document().element(id); }
    static void typeInto(QWidget* field, const QString& text) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
    }

    QTemporaryDir dir;
    LabelStore store;
    MemorySettingsStore settings;
    std::unique_ptr<EditSession> session;
    QUuid barcodeID, imageID;
};

TEST_F(InspectorsTest, TypingIntoXInInchesIsOneStepInMillimetres) {
    MeasureUnit(MeasureUnit::inches).save(settings);
    ElementInspector inspector(*session, settings, barcodeID);
    inspector.show();
    auto* x = inspector.findChild<MMField*>();
    ASSERT_EQ(x->title(), u"X"_s);
    const int steps = session->undoStack()->count();
    typeInto(x->field(), u"1.5"_s);
    EXPECT_DOUBLE_EQ(item(barcodeID).x, 1.5 * 25.4);
    EXPECT_EQ(session->undoStack()->count(), steps + 1);
    EXPECT_EQ(session->undoStack()->undoText(), u"Change X"_s);
    typeInto(x->field(), u"9"_s);
    EXPECT_DOUBLE_EQ(item(barcodeID).x, 200) << "clamped after conversion";

    x->field()->clearFocus();
    session->undoStack()->undo();
    EXPECT_DOUBLE_EQ(item(barcodeID).x, LabelElement(ElementKind::barcode).x);
    EXPECT_EQ(x->field()->text(), LengthInput::text(item(barcodeID).x / 25.4, 3))
        << "the field follows an undo";
}

TEST_F(InspectorsTest, TypeSwitchReplacesTheSampleAndTheCheckFollowsTheList) {
    ElementInspector inspector(*session, settings, barcodeID);
    auto* type = inspector.findChild<QComboBox*>(u"Type"_s);
    auto* check = inspector.findChild<QLabel*>(u"Barcode check"_s);
    EXPECT_EQ(check->text(), inputHint(Symbology::ean13));
    Q_EMIT type->activated(type->findText(u"UPC-E"_s));
    EXPECT_EQ(item(barcodeID).symbology, Symbology::upcE);
    EXPECT_EQ(item(barcodeID).content, sample(Symbology::upcE));
    EXPECT_EQ(check->text(), inputHint(Symbology::upcE));

    // A linked column is checked with the preview row's value.
    const QString csv = dir.filePath(u"codes.csv"_s);
    testsupport::writeBytes(csv,
                            "Code,Name\n" + sample(Symbology::upcE).toUtf8() + ",ok\nAB,bad\n");
    session->attachList(csv);
    auto* column = inspector.findChild<QComboBox*>(u"Data column"_s);
    ASSERT_EQ(column->count(), 3);
    EXPECT_EQ(column->itemText(0), u"None (fixed text)"_s);
    Q_EMIT column->activated(1);
    EXPECT_EQ(item(barcodeID).content, u"{Code}"_s);
    EXPECT_EQ(inspector.findChild<QPlainTextEdit*>(u"Content"_s)->toPlainText(), u"{Code}"_s);
    EXPECT_EQ(check->text(), inputHint(Symbology::upcE));
    session->setPreviewRow(1);
    EXPECT_NE(check->text(), inputHint(Symbology::upcE)) << "AB is no UPC-E";

    Q_EMIT column->activated(0);
    EXPECT_EQ(item(barcodeID).content, QString());
    session->undoStack()->undo();
    EXPECT_EQ(column->currentText(), u"Code"_s);
}

TEST_F(InspectorsTest, PhotoKeepsTheFileBytesAndRefusesWhatIsNoPicture) {
    QWidget window;
    auto* inspector = new ElementInspector(*session, settings, imageID, &window);
    const QString text = dir.filePath(u"notes.png"_s);
    testsupport::writeBytes(text, "not a picture");
    EXPECT_FALSE(inspector->usePhoto(text));
    EXPECT_FALSE(item(imageID).imageData.has_value());
    EXPECT_NE(window.findChild<QMessageBox*>(), nullptr);

    QImage picture(8, 4, QImage::Format_RGB32);
    picture.fill(Qt::black);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    const QString png = dir.filePath(u"logo.png"_s);
    testsupport::writeBytes(png, bytes);
    EXPECT_EQ(inspector->findChild<QPushButton*>()->text(), u"Choose photo"_s);
    EXPECT_TRUE(inspector->usePhoto(png));
    EXPECT_EQ(item(imageID).imageData, bytes);
    EXPECT_EQ(inspector->findChild<QPushButton*>()->text(), u"Replace photo"_s);
}

TEST_F(InspectorsTest, DocumentSizeFromStockOrTypedStaysInItsRange) {
    DocumentInspector inspector(*session, settings);
    inspector.show();
    QMenu* stock = inspector.stockSize()->menu();
    EXPECT_EQ(inspector.stockSize()->text(), u"40 × 30 mm"_s);
    stock->actions().at(1)->trigger();
    EXPECT_EQ(QSizeF(session->document().widthMM, session->document().heightMM), QSizeF(50, 30));
    EXPECT_EQ(inspector.stockSize()->text(), u"50 × 30 mm"_s);

    MMField* width = nullptr;
    for (auto* field : inspector.findChildren<MMField*>()) {
        width = field->title() == u"Width"_s ? field : width;
    }
    typeInto(width->field(), u"60"_s);
    EXPECT_EQ(session->document().widthMM, 54);
    typeInto(width->field(), u"9"_s);
    EXPECT_EQ(session->document().widthMM, 15);

    MeasureUnit(MeasureUnit::inches).save(settings);
    EXPECT_EQ(inspector.stockSize()->text(), MeasureUnit(MeasureUnit::inches).sizeText(15, 30));
    EXPECT_TRUE(stock->actions().first()->text().startsWith(u"1.57 × 1.18 in  (40 × 30 mm)"_s));
}

} // namespace
