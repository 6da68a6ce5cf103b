// The settings window with its printers list, and the print sheet, driven against virtual
// printers.
#include "tests/app/AppHarness.h"

#include "app/CommandHub.h"
#include "app/PrintSheet.h"
#include "app/SettingsWindow.h"
#include "views/BluetoothStatusBanner.h"
#include "views/BusyIndicator.h"
#include "views/PrinterRowView.h"
#include "views/PrinterSettings.h"
#include "views/PrintersList.h"
#include "views/RenamePrinterDialog.h"
#include "views/SignalBars.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/printer/PrinterManager.h"
#include "LabelKit/printer/PrinterRegistry.h"
#include "LabelKit/printer/VirtualCentral.h"
#include "LabelKit/printer/VirtualPrinter.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/printer/AsyncSupport.h"
#include "tests/support/TestSupport.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using namespace vantrel;
using apptest::AppHarness;
using asyncsupport::runUntil;

namespace {

const QString a = QStringLiteral("CT221B-A");
const QString b = QStringLiteral("CT221B-B");

// The settings window of an application over the virtual printers described, opened through
// the hub as the Preferences command opens it, on a fast clock.
struct Settings {
    asyncsupport::TimeScale fast{0.02};
    AppHarness harness;
    SettingsWindow* window = nullptr;
    PrintersList* list = nullptr;

    explicit Settings(const QString& printers) : harness(false, {}, printers) {
        harness.app->hub().post(Notifications::showSettings);
        window = harness.app->settingsWindow();
        list = window->content().printersList();
    }

    PrinterRegistry& registry() { return *harness.app->services().printers().registry(); }
    VirtualPrinter* printer(const QString& name) {
        for (VirtualPrinter* p : harness.app->services().virtualPrinters()) {
            if (p->localName() == name) {
                return p;
            }
        }
        return nullptr;
    }
    PrinterRowView* row(const QString& name) { return list->row(name); }
    QString subtitle(const QString& name) { return row(name)->subtitle()->text(); }
    bool spins(const QString& name) { return row(name)->spinner()->isVisibleTo(row(name)); }
};

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

// The Preferences command opens the window, and Ctrl+, shows the one window again (as the
// editor's printer status does); its list scans exactly while it is on screen, shows the hints
// while no printer is heard, and the banner while the radio is off. The steppers show the stored
// values, stop at their ends, store what they step to and show a change made elsewhere at once.
TEST(PrinterSettings, OpensOnceScansWhileShownAndStepsTheTransferSettings) {
    Settings settings(QStringLiteral("0"));
    EXPECT_TRUE(settings.window->isVisible());
    PrinterManager& manager = settings.harness.app->services().printers();
    EXPECT_TRUE(runUntil([&] { return manager.isScanning(); }));
    EXPECT_TRUE(settings.list->showsEmptyState());
    EXPECT_TRUE(settings.list->banner()->isHidden())
        << "the radio is on: the banner takes no space";
    settings.harness.app->services().virtualCentral()->setState(BluetoothState::poweredOff);
    EXPECT_TRUE(runUntil([&] { return !settings.list->banner()->isHidden(); }));

    QSpinBox* writeSize = settings.window->content().writeSize();
    QDoubleSpinBox* pause = settings.window->content().pause();
    PrinterRegistry& registry = settings.registry();
    EXPECT_EQ(writeSize->value(), registry.chunkSize());
    pause->stepUp();
    EXPECT_DOUBLE_EQ(registry.interLabelDelay(), 1.6);
    writeSize->stepUp();
    EXPECT_EQ(registry.chunkSize(), 237) << "237 is the most";
    writeSize->setValue(21);
    writeSize->stepBy(-5);
    EXPECT_EQ(registry.chunkSize(), 20);
    pause->stepBy(-100);
    EXPECT_DOUBLE_EQ(registry.interLabelDelay(), 0.2);
    pause->stepBy(100);
    EXPECT_DOUBLE_EQ(registry.interLabelDelay(), 5.0);
    registry.setChunkSize(100);
    EXPECT_EQ(writeSize->text(), QStringLiteral("Write size: 100 bytes"));

    settings.window->close();
    EXPECT_EQ(manager.scanRequests(), 0);
    QTest::keyClick(&settings.harness.shown(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(settings.harness.app->settingsWindow(), settings.window) << "one window, shown again";
    EXPECT_TRUE(settings.window->isVisible());
    EXPECT_EQ(manager.scanRequests(), 1);
}

// Rows follow the names' order, each with its signal; Rename stores the typed name as the
// nickname rules make it (an empty one shows the advertised name), Cancel stores nothing; the
// default is starred.
TEST(PrinterSettings, RowsListInOrderAndRenameAndMarkTheDefault) {
    Settings settings(QStringLiteral("B@-55,A@-75")); // heard and strongest first: B
    ASSERT_TRUE(runUntil([&] { return settings.list->rows().size() == 2; }));
    const QList<PrinterRowView*> rows = settings.list->rows();
    EXPECT_EQ(rows[0]->title()->text(), a);
    EXPECT_EQ(rows[1]->title()->text(), b);
    EXPECT_EQ(rows[0]->subtitle()->text(), QStringLiteral("Nearby"));
    EXPECT_EQ(rows[0]->signalBars()->bars(), 2);

    const auto rename = [&](const QString& typed, bool save) {
        settings.row(a)->renameAction()->trigger();
        RenamePrinterDialog* prompt = settings.list->renamePrompt();
        ASSERT_NE(prompt, nullptr);
        prompt->field()->setText(typed);
        if (save) {
            QTest::mouseClick(prompt->saveButton(), Qt::LeftButton);
        } else {
            QTest::keyClick(prompt, Qt::Key_Escape);
        }
    };
    rename(QStringLiteral("Front counter"), true);
    EXPECT_EQ(settings.registry().nicknames().value(a), QStringLiteral("Front counter"));
    EXPECT_EQ(settings.row(a)->title()->text(), QStringLiteral("Front counter"));
    EXPECT_EQ(settings.subtitle(a), a);
    rename(QStringLiteral("Back room"), false);
    EXPECT_EQ(settings.registry().nicknames().value(a), QStringLiteral("Front counter"));
    settings.row(a)->renameAction()->trigger();
    EXPECT_EQ(settings.list->renamePrompt()->field()->text(), QStringLiteral("Front counter"))
        << "the prompt starts from the stored nickname";
    settings.list->renamePrompt()->reject();
    rename(QStringLiteral(" \t  "), true);
    EXPECT_EQ(settings.registry().nicknames().value(a, QStringLiteral("none")), QString());
    EXPECT_EQ(settings.row(a)->title()->text(), a);
    EXPECT_EQ(settings.subtitle(a), a) << "an empty nickname still counts as one";

    const auto isMarked = [&](const QString& name) {
        return settings.row(name)->star()->isVisibleTo(settings.row(name));
    };
    settings.row(b)->defaultAction()->trigger();
    EXPECT_EQ(settings.registry().defaultPrinter(), b);
    EXPECT_TRUE(isMarked(b));
    EXPECT_FALSE(isMarked(a));
    EXPECT_EQ(settings.row(b)->defaultAction()->text(), QStringLiteral("Remove as default"));
    settings.row(b)->defaultAction()->trigger();
    EXPECT_EQ(settings.registry().defaultPrinter(), std::nullopt);
    EXPECT_FALSE(isMarked(b));
}

// The name label goes to that printer alone, drawn with its nickname and advertised name, the
// row spinning meanwhile; a firmware read shows in the subtitle. A printer gone for 30 s loses
// its bars, and identifying it says it cannot be found until the next action starts.
TEST(PrinterSettings, IdentifyAndFirmwareReachOnePrinterAndSayWhenItIsGone) {
    Settings settings(QStringLiteral("2"));
    ASSERT_TRUE(runUntil([&] { return settings.list->rows().size() == 2; }));
    settings.registry().setNicknames({{b, QStringLiteral("Back room")}});
    const QDateTime when(QDate(2025, 3, 14), QTime(9, 26), Qt::UTC);
    Clock::setWallTime(when);
    settings.row(b)->identifyAction()->trigger();
    EXPECT_TRUE(settings.spins(b));
    EXPECT_TRUE(runUntil([&] { return !settings.list->busy(); }));
    Clock::setWallTime({});
    EXPECT_FALSE(settings.spins(b));
    EXPECT_TRUE(settings.list->footer()->isHidden());
    EXPECT_EQ(settings.printer(a)->pagesPrinted(), 0);
    ASSERT_EQ(settings.printer(b)->savedFiles().size(), 1);

    // Above its date line, the label is the identification design for this printer.
    LabelContext context;
    context.date = when;
    const QImage expected =
        LabelRenderer::render(Templates::identify(QStringLiteral("Back room"), b), context, 1, true)
            .image()
            .convertToFormat(QImage::Format_Grayscale8);
    const QImage printed = QImage(settings.printer(b)->savedFiles().first())
                               .convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(printed.size(), expected.size());
    const int dateLine = 22 * 8;
    EXPECT_EQ(printed.copy(0, 0, printed.width(), dateLine),
              expected.copy(0, 0, expected.width(), dateLine));

    settings.row(a)->firmwareAction()->trigger();
    EXPECT_TRUE(runUntil([&] { return settings.subtitle(a) != QStringLiteral("Nearby"); }));
    EXPECT_EQ(settings.subtitle(a), QStringLiteral("CT221B-A · firmware V1.0.7"));

    VirtualPrinter::Faults absent;
    absent.absent = true;
    settings.printer(b)->setFaults(absent);
    EXPECT_TRUE(runUntil(
        [&] { return !settings.row(b)->signalBars()->isVisibleTo(settings.row(b)); }, 30000));
    settings.row(b)->identifyAction()->trigger();
    EXPECT_TRUE(runUntil([&] { return !settings.list->busy(); }));
    EXPECT_EQ(settings.list->footer()->text(),
              QStringLiteral("Can't find Back room. Is it switched on, in range, and not "
                             "connected to another phone or the Clabel app?"));
    EXPECT_FALSE(settings.list->footer()->isHidden());
    EXPECT_FALSE(settings.spins(b));
    EXPECT_EQ(settings.printer(b)->savedFiles().size(), 1);
    settings.row(a)->firmwareAction()->trigger();
    EXPECT_TRUE(settings.list->footer()->isHidden());
    EXPECT_TRUE(runUntil([&] { return !settings.list->busy(); }));
}

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
