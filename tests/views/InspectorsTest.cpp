#include "tests/views/SessionFixture.h"

#include "views/DocumentInspector.h"
#include "views/ElementInspector.h"
#include "views/ListPanel.h"
#include "views/MMField.h"
#include "views/NumberField.h"
#include "views/PlaceholderMenu.h"
#include "views/UnitPicker.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

using InspectorsTest = viewstest::SessionFixture;

// Choosing a unit switches every open length field at once; what is typed is converted, then
// clamped, as one undo step, and the field follows an undo. The barcode's type and data column.
TEST_F(InspectorsTest, LengthFieldsFollowTheUnitAndTheBarcodesTypeAndColumnFollowTheList) {
    ElementInspector inspector(*session, settings, barcodeID);
    inspector.show();
    inspector.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&inspector));
    auto* x = inspector.findChild<MMField*>();
    ASSERT_EQ(x->title(), u"X"_s);
    UnitPicker picker(settings);
    for (auto* segment : picker.findChildren<QAbstractButton*>()) {
        if (segment->text() == MeasureUnit(MeasureUnit::inches).title()) {
            segment->click();
        }
    }
    EXPECT_EQ(x->symbol()->text(), u"in"_s);
    const double start = item(barcodeID).x;
    EXPECT_EQ(x->field()->text(), LengthInput::text(start / 25.4, 3));

    const int steps = session->undoStack()->count();
    typeInto(x->field(), u"1.5"_s);
    EXPECT_DOUBLE_EQ(item(barcodeID).x, 1.5 * 25.4);
    EXPECT_EQ(session->undoStack()->undoText(), u"Change X"_s);
    typeInto(x->field(), u"9"_s);
    EXPECT_DOUBLE_EQ(item(barcodeID).x, 200) << "clamped after conversion";
    EXPECT_EQ(x->field()->text(), u"9"_s) << "typing stays as typed while focused";
    EXPECT_EQ(session->undoStack()->count(), steps + 1);

    x->field()->clearFocus();
    session->undoStack()->undo();
    EXPECT_DOUBLE_EQ(item(barcodeID).x, start);
    EXPECT_EQ(x->field()->text(), LengthInput::text(start / 25.4, 3));

    // A switch of type replaces the sample, and a linked column is checked with the preview row.
    auto* type = inspector.findChild<QComboBox*>(u"Type"_s);
    auto* check = inspector.findChild<QLabel*>(u"Barcode check"_s);
    Q_EMIT type->activated(type->findText(u"UPC-E"_s));
    EXPECT_EQ(item(barcodeID).content, sample(Symbology::upcE));
    attach("Code,Name\n" + sample(Symbology::upcE).toUtf8() + ",ok\nAB,bad\n");
    auto* column = inspector.findChild<QComboBox*>(u"Data column"_s);
    Q_EMIT column->activated(1);
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
    const QString png = dir.filePath(u"logo.png"_s);
    ASSERT_TRUE(picture.save(png));
    EXPECT_TRUE(inspector->usePhoto(png));
    EXPECT_EQ(item(imageID).imageData, testsupport::readBytes(png));
}

// Every control that shows, icon-only ones included, has a name for assistive technology.
TEST_F(InspectorsTest, EveryControlHasAnAccessibleNameAndTheLabelSizeStaysInItsRange) {
    attach();
    const QUuid text = session->addElement(ElementKind::text);
    QWidget window;
    auto* document = new DocumentInspector(*session, settings, &window);
    for (const QUuid& id : {text, barcodeID, imageID}) {
        new ElementInspector(*session, settings, id, &window);
    }
    new ListPanel(*session, &window);
    window.show();
    int checked = 0;
    for (QWidget* control : window.findChildren<QWidget*>()) {
        QWidget* parent = control->parentWidget();
        if (!control->isVisible() || qobject_cast<QAbstractSpinBox*>(parent) ||
            qobject_cast<QComboBox*>(parent) || qobject_cast<QAbstractItemView*>(parent) ||
            !(qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
              qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QComboBox*>(control))) {
            continue;
        }
        ++checked;
        EXPECT_FALSE(
            QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty())
            << control->metaObject()->className() << " " << control->toolTip().toStdString();
    }
    EXPECT_GT(checked, 20);

    // The label's size, from stock or typed, stays in its range.
    QMenu* stock = document->stockSize()->menu();
    EXPECT_EQ(document->stockSize()->text(), u"40 × 30 mm"_s);
    stock->actions().at(1)->trigger();
    EXPECT_EQ(QSizeF(session->document().widthMM, session->document().heightMM), QSizeF(50, 30));

    MMField* width = nullptr;
    for (auto* field : document->findChildren<MMField*>()) {
        width = field->title() == u"Width"_s ? field : width;
    }
    typeInto(width->field(), u"60"_s);
    EXPECT_EQ(session->document().widthMM, 54);
    typeInto(width->field(), u"9"_s);
    EXPECT_EQ(session->document().widthMM, 15);
    MeasureUnit(MeasureUnit::inches).save(settings);
    EXPECT_EQ(document->stockSize()->text(), MeasureUnit(MeasureUnit::inches).sizeText(15, 30));
}

TEST(InspectorControls, PlaceholderMenuOffersListColumnsInTheirOwnSection) {
    PlaceholderMenu menu;
    QSignalSpy chosen(&menu, &PlaceholderMenu::tokenChosen);
    menu.setColumns({u"SKU"_s});
    const QList<QAction*> actions = menu.menu()->actions();
    ASSERT_EQ(actions.size(), 7);
    EXPECT_TRUE(actions.at(5)->isSeparator());
    EXPECT_EQ(actions.at(5)->text(), u"List columns"_s);
    actions.at(6)->trigger();
    actions.at(3)->trigger();
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen.at(0).first().toString(), u"{SKU}"_s);
    EXPECT_EQ(chosen.at(1).first().toString(), u"{serial}"_s);
}

} // namespace
