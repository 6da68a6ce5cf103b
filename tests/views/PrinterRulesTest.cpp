// The rules of the printer views, each pinned once without a display: a row's icon, tint and
// bars; nickname input; the signal levels; the Bluetooth notices; the steppers' labels.
#include "views/BluetoothNotice.h"
#include "views/PrinterRow.h"
#include "views/SignalStrength.h"
#include "views/TransferStepper.h"

#include <gtest/gtest.h>

using namespace vantrel;

// Filled icon only when connected; the accent while around (connected or heard lately).
TEST(PrinterRow, IconAndTintFollowTheLink) {
    PrinterRow row;
    EXPECT_EQ(row.tint(), PrinterRow::Tint::secondary);
    row.available = true;
    EXPECT_EQ(row.tint(), PrinterRow::Tint::accent);
    EXPECT_EQ(row.iconSymbol(), QStringView(u"printer"));
    row.connected = true;
    EXPECT_EQ(row.iconSymbol(), QStringView(u"printer.fill"));
}

// Spaces and tabs go at both ends; line breaks and inner spaces stay.
TEST(PrinterRow, NicknameInputLosesOuterSpacesAndTabsOnly) {
    const struct {
        const char* typed;
        const char* stored;
    } cases[] = {
        {"  Front counter\t", "Front counter"}, {" \t  ", ""},         {"", ""},
        {"\nBack room \n", "\nBack room \n"},   {"\t\nA\n ", "\nA\n"}, {"A  B", "A  B"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PrinterRow::nicknameFromInput(QString::fromUtf8(c.typed)),
                  QString::fromUtf8(c.stored))
            << c.typed;
    }
}

TEST(SignalStrength, FourLevelsSplitAtTheDecades) {
    const struct {
        int rssi;
        int bars;
    } cases[] = {{-30, 4}, {-59, 4}, {-60, 3},  {-69, 3}, {-70, 2},
                 {-79, 2}, {-80, 1}, {-100, 1}, {-127, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(SignalStrength::bars(c.rssi), c.bars) << c.rssi;
    }
    EXPECT_EQ(SignalStrength::accessibleText(-63), QStringLiteral("Signal -63 dBm"));
}

TEST(BluetoothNotice, SaysWhyNoPrinterCanBeFound) {
    using S = BluetoothState;
    const struct {
        S state;
        const char* text;
    } cases[] = {
        {S::unsupported, "This device has no Bluetooth LE."},
        {S::unauthorized,
         "Bluetooth access is denied. Allow it in the system's Bluetooth settings."},
        {S::poweredOff, "Bluetooth is off. Turn it on to find printers."},
    };
    for (const auto& c : cases) {
        const auto notice = BluetoothNotice::forState(c.state);
        ASSERT_TRUE(notice) << int(c.state);
        EXPECT_EQ(notice->text, QString::fromUtf8(c.text));
    }
    for (const S quiet : {S::unknown, S::resetting, S::poweredOn}) {
        EXPECT_FALSE(BluetoothNotice::forState(quiet)) << int(quiet);
    }
}

// The pause has exactly one decimal, written as the user writes numbers.
TEST(TransferStepper, LabelsCarryTheValueInTheUsersFormat) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    const TransferStepper pause = TransferStepper::pause();
    EXPECT_EQ(pause.label(2, english), QStringLiteral("Pause between labels: 2.0 s"));
    EXPECT_EQ(pause.label(1.5, german), QStringLiteral("Pause between labels: 1,5 s"));
    EXPECT_EQ(pause.label(1.6000000000000001, english),
              QStringLiteral("Pause between labels: 1.6 s"));
}
