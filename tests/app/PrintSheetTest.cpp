#include "tests/app/AppHarness.h"

#include "app/PrintSheet.h"

#include "LabelKit/printer/VirtualPrinter.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/printer/AsyncSupport.h"
#include "tests/support/TestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace vantrel;
using apptest::AppHarness;

namespace {

// A stored design with one text item, optionally bound to a list file.
LabelDocument storeDesign(Application& app, const QString& name, const QString& content,
                          const QByteArray& csv = {}) {
    LabelStore& store = app.services().store();
    LabelDocument document(name);
    LabelElement text;
    text.content = content;
    document.elements.append(text);
    if (!csv.isEmpty()) {
        const QString path = QDir(store.directory()).filePath(QStringLiteral("../items.csv"));
        testsupport::writeBytes(path, csv);
        document = store.attachData(document, path);
    }
    EXPECT_TRUE(store.save(document));
    return document;
}

QSpinBox* stepper(QWidget* sheet, const QString& name) {
    for (QSpinBox* box : sheet->findChildren<QSpinBox*>()) {
        if (box->accessibleName() == name) {
            return box;
        }
    }
    return nullptr;
}

} // namespace

// A print link selects its label and opens the sheet with the link's copies and fields (which
// links count is the print request's rule). Three rows of a list, two copies each, print through
// the virtual printer: the progress line while printing, the outcome, and the next serial.
TEST(PrintSheet, PrintLinksOpenTheSheetThatPrintsThroughTheVirtualPrinter) {
    asyncsupport::TimeScale fast(0.02);
    AppHarness harness;
    MainWindow& window = harness.shown();
    const LabelDocument shelf =
        storeDesign(*harness.app, QStringLiteral("Shelf"), QStringLiteral("{Note} {Aisle}"));
    window.openURL(QStringLiteral("vantrel://print?label=SHELF&copies=12&Note=fragile"));
    PrintSheet* sheet = window.printSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(window.selectedID(), shelf.id);
    EXPECT_EQ(stepper(sheet, QStringLiteral("Copies"))->value(), 12);
    QStringList fields;
    for (QLineEdit* edit : sheet->findChildren<QLineEdit*>()) {
        if (edit->isVisibleTo(sheet) && !edit->accessibleName().isEmpty()) {
            fields.append(edit->accessibleName() + u'=' + edit->text());
        }
    }
    EXPECT_EQ(fields, QStringList({QStringLiteral("Aisle="), QStringLiteral("Note=fragile")}));
    QTest::keyClick(sheet, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.printSheet() == nullptr; }));

    storeDesign(*harness.app, QStringLiteral("Tag"), QStringLiteral("{serial} {Name}"),
                "Name\nBolt\nNut\nWasher\n");
    window.openURL(QStringLiteral("vantrel://print?label=Tag"));
    sheet = window.printSheet();
    ASSERT_NE(sheet, nullptr);
    QTest::keyClick(stepper(sheet, QStringLiteral("Copies")), Qt::Key_Up);
    auto* print = sheet->findChild<QPushButton*>(QStringLiteral("printButton"));
    // The picker chooses the only printer as soon as it is heard.
    ASSERT_TRUE(QTest::qWaitFor([&] { return print->isEnabled(); }));
    QTest::mouseClick(print, Qt::LeftButton);
    EXPECT_FALSE(print->isVisibleTo(sheet)) << "the progress line replaces the button";
    EXPECT_EQ(sheet->findChild<QLabel*>(QStringLiteral("progressText"))->text(),
              QStringLiteral("Printing 0 of 3"));
    auto* status = sheet->findChild<QLabel*>(QStringLiteral("printStatus"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return status->text() == QStringLiteral("Sent 6 labels"); }, 20000));
    EXPECT_EQ(harness.app->services().virtualPrinter()->pagesPrinted(), 3);
    EXPECT_EQ(stepper(sheet, QStringLiteral("Start at"))->value(), 4) << "the sheet numbers on";
}
