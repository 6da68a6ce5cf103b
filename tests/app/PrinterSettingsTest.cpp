// The settings window and its printers list, driven against virtual printers.
#include "tests/app/AppHarness.h"

#include "app/CommandHub.h"
#include "app/LabelEditor.h"
#include "app/Menus.h"
#include "app/SettingsWindow.h"
#include "views/BluetoothStatusBanner.h"
#include "views/BusyIndicator.h"
#include "views/PrinterRowView.h"
#include "views/PrinterSettings.h"
#include "views/PrinterStatusLabel.h"
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

#include <QAction>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vantrel;
using apptest::AppHarness;
using asyncsupport::runUntil;

namespace {

const QString a = QStringLiteral("CT221B-A");
const QString b = QStringLiteral("CT221B-B");

void goAway(VirtualPrinter* printer) {
    VirtualPrinter::Faults faults;
    faults.absent = true;
    printer->setFaults(faults);
}

// The settings window of an application over the virtual printers described, opened through
// the hub as the Preferences command and the editor's status link open it, on a fast clock.
struct Settings {
    asyncsupport::TimeScale fast;
    AppHarness harness;
    SettingsWindow* window = nullptr;
    PrintersList* list = nullptr;

    explicit Settings(const QString& printers, double scale = 0.02)
        : fast(scale), harness(false, {}, printers) {
        harness.app->hub().post(Notifications::showSettings);
        window = harness.app->settingsWindow();
        list = window->content().printersList();
    }

    PrinterManager& manager() { return harness.app->services().printers(); }
    PrinterRegistry& registry() { return *manager().registry(); }
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
    bool listed(qsizetype count) {
        return runUntil([&] { return list->rows().size() == count; });
    }
    std::optional<Clock::time_point> lastSeen(const QString& name) {
        for (const DiscoveredPrinter& p : manager().printers()) {
            if (p.advertisedName == name) {
                return p.lastSeen;
            }
        }
        return std::nullopt;
    }
    // Takes the printer off the air and waits until the manager no longer counts it present.
    void silence(const QString& name, double seconds) {
        goAway(printer(name));
        const Clock::time_point since = *lastSeen(name);
        runUntil([&] { return Clock::now() - since > Clock::duration(seconds); }, 30000);
    }
};

QStringList labelTexts(QWidget* widget) {
    QStringList texts;
    for (const QLabel* label : widget->findChildren<QLabel*>()) {
        if (label->isVisibleTo(widget) && !label->text().isEmpty()) {
            texts.append(label->text());
        }
    }
    return texts;
}

} // namespace

// Preferences… (Ctrl+,) opens the window; its list scans exactly while it is on screen and,
// with no printer heard, shows the spinner and both hints.
TEST(PrinterSettings, OpensFromPreferencesAndScansWhileShown) {
    AppHarness harness(false, {}, QStringLiteral("0"));
    MainWindow& main = harness.shown();
    QAction* preferences = main.menus().preferences();
    EXPECT_EQ(preferences->text(), QStringLiteral("Preferences…"));
    EXPECT_EQ(preferences->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
    QTest::keyClick(&main, Qt::Key_Comma, Qt::ControlModifier);
    SettingsWindow* window = harness.app->settingsWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(520, 460));

    PrinterManager& manager = harness.app->services().printers();
    PrintersList* list = window->content().printersList();
    EXPECT_TRUE(runUntil([&] { return manager.isScanning(); }));
    EXPECT_EQ(manager.scanRequests(), 1);
    EXPECT_TRUE(list->showsEmptyState());
    const QStringList texts = labelTexts(list);
    EXPECT_TRUE(texts.contains(QStringLiteral("Looking for printers…")))
        << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral(
        "Switch the printer on and close the Clabel app. A blinking light means it's free.")));
    EXPECT_TRUE(list->banner()->isHidden()) << "the radio is on: the banner takes no space";

    window->close();
    EXPECT_EQ(manager.scanRequests(), 0);
    EXPECT_TRUE(runUntil([&] { return !manager.isScanning(); }));
    harness.app->showSettings();
    EXPECT_EQ(harness.app->settingsWindow(), window) << "one window, shown again";
    EXPECT_EQ(manager.scanRequests(), 1);
}

// The printer status in the editor's tool bar opens the same window; Preferences… stays last
// in the Edit menu, below the editor's commands.
TEST(PrinterSettings, TheEditorsPrinterStatusOpensTheWindow) {
    AppHarness harness(false, {}, QStringLiteral("1"));
    const LabelDocument label(QStringLiteral("Shelf"));
    ASSERT_TRUE(harness.app->services().store().save(label));
    MainWindow& window = harness.shown();
    window.select(label.id);
    auto* editor = qobject_cast<LabelEditor*>(window.detailWidget());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(window.menus().edit()->actions().last(), window.menus().preferences());
    auto* status = editor->toolBar()->findChild<PrinterStatusLabel*>();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(harness.app->settingsWindow(), nullptr);
    QTest::mouseClick(status, Qt::LeftButton);
    ASSERT_NE(harness.app->settingsWindow(), nullptr);
    EXPECT_TRUE(harness.app->settingsWindow()->isVisible());
}

// Rows follow the manager's order, each with its signal and the four actions.
TEST(PrinterSettings, ListsPrintersInOrderWithSignalAndActions) {
    Settings settings(QStringLiteral("B@-75,A@-55"));
    ASSERT_TRUE(settings.listed(2));
    const QList<PrinterRowView*> rows = settings.list->rows();
    EXPECT_EQ(rows[0]->title()->text(), a);
    EXPECT_EQ(rows[1]->title()->text(), b);
    EXPECT_FALSE(settings.list->showsEmptyState());
    for (PrinterRowView* row : rows) {
        EXPECT_EQ(row->subtitle()->text(), QStringLiteral("Nearby"));
        EXPECT_TRUE(row->signalBars()->isVisibleTo(row));
        EXPECT_FALSE(row->spinner()->isVisibleTo(row));
        EXPECT_FALSE(row->star()->isVisibleTo(row));
    }
    EXPECT_EQ(rows[0]->signalBars()->bars(), 4);
    EXPECT_EQ(rows[1]->signalBars()->bars(), 2);
    EXPECT_TRUE(rows[1]->signalBars()->accessibleName().startsWith(QStringLiteral("Signal -7")));

    QStringList titles;
    for (const QAction* action : rows[0]->menuButton()->menu()->actions()) {
        titles.append(action->text());
        EXPECT_FALSE(action->icon().isNull()) << action->text().toStdString();
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Rename…"), QStringLiteral("Make default"),
                                   QStringLiteral("Identify (print name label)"),
                                   QStringLiteral("Read firmware")}));
    EXPECT_EQ(rows[0]->menuButton()->accessibleName(), QStringLiteral("Actions for CT221B-A"));
}

// Save stores the typed name without outer spaces and tabs, even when nothing is left; Cancel
// stores nothing.
TEST(PrinterSettings, RenameTrimsAndAnEmptyNameShowsTheAdvertisedName) {
    Settings settings(QStringLiteral("2"));
    ASSERT_TRUE(settings.listed(2));
    const auto rename = [&](const QString& typed, bool save) {
        settings.row(a)->renameAction()->trigger();
        RenamePrinterDialog* prompt = settings.list->renamePrompt();
        EXPECT_NE(prompt, nullptr);
        if (!prompt) {
            return;
        }
        EXPECT_EQ(prompt->windowTitle(), QStringLiteral("Name this printer"));
        EXPECT_EQ(prompt->field()->placeholderText(), QStringLiteral("e.g. Front counter"));
        EXPECT_TRUE(labelTexts(prompt).contains(QStringLiteral(
            "Use Identify to print a label from a printer if you're not sure which is which.")));
        prompt->field()->setText(typed);
        if (save) {
            QTest::mouseClick(prompt->saveButton(), Qt::LeftButton);
        } else {
            QTest::keyClick(prompt, Qt::Key_Escape);
        }
    };

    rename(QStringLiteral("  Front counter\t"), true);
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
    ASSERT_TRUE(settings.registry().nicknames().contains(a));
    EXPECT_EQ(settings.registry().nicknames().value(a), QString());
    EXPECT_EQ(settings.row(a)->title()->text(), a);
    EXPECT_EQ(settings.subtitle(a), a) << "an empty nickname still counts as one";
    EXPECT_EQ(settings.subtitle(b), QStringLiteral("Nearby"));
}

TEST(PrinterSettings, MakeAndRemoveDefaultMoveTheStarAndTheWeight) {
    Settings settings(QStringLiteral("2"));
    ASSERT_TRUE(settings.listed(2));
    const auto isMarked = [&](const QString& name) {
        PrinterRowView* row = settings.row(name);
        const bool star = row->star()->isVisibleTo(row);
        EXPECT_EQ(row->title()->font().weight() == QFont::DemiBold, star) << name.toStdString();
        return star;
    };
    settings.row(b)->defaultAction()->trigger();
    EXPECT_EQ(settings.registry().defaultPrinter(), b);
    EXPECT_TRUE(isMarked(b));
    EXPECT_FALSE(isMarked(a));
    EXPECT_EQ(settings.row(b)->defaultAction()->text(), QStringLiteral("Remove as default"));
    EXPECT_EQ(settings.row(a)->defaultAction()->text(), QStringLiteral("Make default"));

    settings.row(b)->defaultAction()->trigger();
    EXPECT_EQ(settings.registry().defaultPrinter(), std::nullopt);
    EXPECT_FALSE(isMarked(b));
    EXPECT_EQ(settings.row(b)->defaultAction()->text(), QStringLiteral("Make default"));
}

// The name label goes to that printer alone, drawn with its nickname and advertised name;
// the row spins meanwhile. A firmware read then shows in the subtitle.
TEST(PrinterSettings, IdentifyPrintsOnThatPrinterAndFirmwareShowsInTheSubtitle) {
    Settings settings(QStringLiteral("2"));
    ASSERT_TRUE(settings.listed(2));
    settings.registry().setNicknames({{b, QStringLiteral("Back room")}});
    const QDateTime when(QDate(2025, 3, 14), QTime(9, 26), Qt::UTC);
    Clock::setWallTime(when);

    settings.row(b)->identifyAction()->trigger();
    EXPECT_EQ(settings.list->busy(), b);
    EXPECT_TRUE(settings.row(b)->spinner()->isVisibleTo(settings.row(b)));
    EXPECT_TRUE(runUntil([&] { return !settings.list->busy(); }));
    Clock::setWallTime({});
    EXPECT_FALSE(settings.row(b)->spinner()->isVisibleTo(settings.row(b)));
    EXPECT_EQ(settings.list->message(), std::nullopt);
    EXPECT_TRUE(settings.list->footer()->isHidden());
    EXPECT_EQ(settings.printer(a)->pagesPrinted(), 0);
    ASSERT_EQ(settings.printer(b)->savedFiles().size(), 1);
    const QString png = settings.printer(b)->savedFiles().first();
    EXPECT_TRUE(png.startsWith(settings.printer(b)->folder() + u'/'));

    // Above its date line, the label is the identification design for this printer.
    LabelContext context;
    context.date = when;
    const QImage expected =
        LabelRenderer::render(Templates::identify(QStringLiteral("Back room"), b), context, 1, true)
            .image()
            .convertToFormat(QImage::Format_Grayscale8);
    const QImage printed = QImage(png).convertToFormat(QImage::Format_Grayscale8);
    ASSERT_EQ(printed.size(), expected.size());
    const int dateLine = 22 * 8;
    EXPECT_EQ(printed.copy(0, 0, printed.width(), dateLine),
              expected.copy(0, 0, expected.width(), dateLine));

    settings.row(a)->firmwareAction()->trigger();
    EXPECT_TRUE(runUntil([&] { return settings.subtitle(a) != QStringLiteral("Nearby"); }));
    EXPECT_EQ(settings.subtitle(a), QStringLiteral("CT221B-A · firmware V1.0.7"));
}

// A printer that cannot be reached: the not-found message under the list, the spinner gone;
// the next action clears the message as it starts.
TEST(PrinterSettings, IdentifyOnAnUnreachablePrinterShowsNotFound) {
    Settings settings(QStringLiteral("2"));
    ASSERT_TRUE(settings.listed(2));
    settings.silence(b, 10.5);

    settings.row(b)->identifyAction()->trigger();
    EXPECT_TRUE(settings.row(b)->spinner()->isVisibleTo(settings.row(b)));
    EXPECT_TRUE(runUntil([&] { return !settings.list->busy(); }));
    const QString notFound = QStringLiteral(
        "Can't find CT221B-B. Is it switched on, in range, and not connected to another phone "
        "or the Clabel app?");
    EXPECT_EQ(settings.list->footer()->text(), notFound);
    EXPECT_FALSE(settings.list->footer()->isHidden());
    EXPECT_FALSE(settings.row(b)->spinner()->isVisibleTo(settings.row(b)));
    EXPECT_EQ(settings.printer(b)->pagesPrinted(), 0);

    settings.row(a)->firmwareAction()->trigger();
    EXPECT_TRUE(settings.list->footer()->isHidden());
    EXPECT_TRUE(runUntil([&] { return !settings.list->busy(); }));
    EXPECT_TRUE(settings.list->footer()->isHidden()) << "a success leaves no message";
}

// Heard 29 s ago: still nearby; at 30 s it turns by itself, with no news from the radio.
TEST(PrinterSettings, NearbyTurnsNotSeenRecentlyAtThirtySeconds) {
    Settings settings(QStringLiteral("1"), 0.1);
    ASSERT_TRUE(settings.listed(1));
    goAway(settings.printer(a));
    const Clock::time_point seen = *settings.lastSeen(a);
    QSignalSpy news(&settings.manager(), &PrinterManager::printersChanged);

    runUntil([&] { return Clock::now() - seen >= Clock::duration(29); }, 10000);
    EXPECT_EQ(settings.subtitle(a), QStringLiteral("Nearby"));
    EXPECT_TRUE(runUntil([&] { return settings.subtitle(a) != QStringLiteral("Nearby"); }));
    const double turnedAt = (Clock::now() - seen).count();
    EXPECT_GE(turnedAt, 30.0);
    EXPECT_LT(turnedAt, 31.0);
    EXPECT_EQ(settings.subtitle(a), QStringLiteral("Not seen recently"));
    EXPECT_FALSE(settings.row(a)->signalBars()->isVisibleTo(settings.row(a)));
    EXPECT_EQ(settings.row(a)->row().tint(), PrinterRow::Tint::secondary);
    EXPECT_EQ(news.count(), 0);
}

TEST(PrinterSettings, RadioSwitchedOffShowsTheBanner) {
    Settings settings(QStringLiteral("1"));
    ASSERT_TRUE(settings.listed(1));
    BluetoothStatusBanner* banner = settings.list->banner();
    EXPECT_TRUE(banner->isHidden());
    settings.harness.app->services().virtualCentral()->setState(BluetoothState::poweredOff);
    EXPECT_TRUE(runUntil([&] { return !banner->isHidden(); }));
    EXPECT_EQ(banner->text(), QStringLiteral("Bluetooth is off. Turn it on to find printers."));
    settings.harness.app->services().virtualCentral()->setState(BluetoothState::poweredOn);
    EXPECT_TRUE(runUntil([&] { return banner->isHidden(); }));
}

// The steppers show the stored values, stop at their ends and store what they step to.
TEST(PrinterSettings, SteppersShowAndStoreTheTransferSettings) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Settings settings(QStringLiteral("0"));
    QLocale::setDefault(previous);
    QSpinBox* writeSize = settings.window->content().writeSize();
    QDoubleSpinBox* pause = settings.window->content().pause();
    PrinterRegistry& registry = settings.registry();
    EXPECT_EQ(writeSize->text(), QStringLiteral("Write size: 237 bytes"));
    EXPECT_EQ(pause->text(), QStringLiteral("Pause between labels: 1.5 s"));

    pause->stepUp();
    EXPECT_EQ(pause->text(), QStringLiteral("Pause between labels: 1.6 s"));
    EXPECT_DOUBLE_EQ(registry.interLabelDelay(), 1.6);
    writeSize->stepUp();
    EXPECT_EQ(registry.chunkSize(), 237) << "237 is the most";
    writeSize->setValue(21);
    writeSize->stepBy(-5);
    EXPECT_EQ(writeSize->text(), QStringLiteral("Write size: 20 bytes"));
    EXPECT_EQ(registry.chunkSize(), 20);
    pause->stepBy(-100);
    EXPECT_DOUBLE_EQ(registry.interLabelDelay(), 0.2);
    pause->stepBy(100);
    EXPECT_DOUBLE_EQ(registry.interLabelDelay(), 5.0);
    EXPECT_EQ(pause->text(), QStringLiteral("Pause between labels: 5.0 s"));

    registry.setChunkSize(100);
    EXPECT_EQ(writeSize->text(), QStringLiteral("Write size: 100 bytes"))
        << "a change made elsewhere shows at once";
}
