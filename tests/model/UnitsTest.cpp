#include "LabelKit/model/Dots.h"
#include "LabelKit/model/MeasureUnit.h"
#include "LabelKit/platform/SettingsStore.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct DotsCase {
    double mm;
    std::optional<qint64> dots;
};

class DotsFrom : public ::testing::TestWithParam<DotsCase> {};

TEST_P(DotsFrom, RoundsHalvesAwayFromZeroAndRefusesLengthsWithoutADotCount) {
    EXPECT_EQ(Dots::from(GetParam().mm), GetParam().dots) << GetParam().mm;
}

constexpr double inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Lengths, DotsFrom,
    ::testing::Values(DotsCase{40, 320}, DotsCase{0.06, 0}, DotsCase{0.0625, 1},
                      DotsCase{-0.0625, -1}, DotsCase{25.4, 203}, DotsCase{50.0625, 401},
                      DotsCase{50.06, 400}, DotsCase{0, 0},
                      // The largest lengths whose dot count fits, and the first that do not.
                      DotsCase{1152921504606846848.0, 9223372036854775807LL - 1023},
                      DotsCase{-1152921504606846976.0, std::numeric_limits<qint64>::min()},
                      DotsCase{1152921504606846976.0, std::nullopt},
                      DotsCase{-1.2e18, std::nullopt}, DotsCase{1e300, std::nullopt},
                      DotsCase{inf, std::nullopt}, DotsCase{-inf, std::nullopt},
                      DotsCase{std::numeric_limits<double>::quiet_NaN(), std::nullopt}));

const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale german(QLocale::German, QLocale::Germany);

TEST(MeasureUnit, NumbersRoundHalfToEvenOnTheDecimalValue) {
    const MeasureUnit mm(MeasureUnit::mm);
    const MeasureUnit in(MeasureUnit::inches);
    EXPECT_EQ(mm.number(12.5, english), QStringLiteral("12.5"));
    EXPECT_EQ(mm.number(12.25, english), QStringLiteral("12.2"));
    EXPECT_EQ(mm.number(12.35, english), QStringLiteral("12.4")); // the decimal 12.35, not binary
    EXPECT_EQ(mm.number(12.251, english), QStringLiteral("12.3"));
    EXPECT_EQ(mm.number(40, english), QStringLiteral("40"));
    EXPECT_EQ(mm.number(0.04, english), QStringLiteral("0"));
    EXPECT_EQ(mm.number(9.96, english), QStringLiteral("10"));
    EXPECT_EQ(mm.number(-2.5, english), QStringLiteral("-2.5"));
    EXPECT_EQ(mm.number(-0.01, english), QStringLiteral("0"));
    EXPECT_EQ(mm.number(123456789, english), QStringLiteral("123456789")); // no grouping
    EXPECT_EQ(in.number(25.4, english), QStringLiteral("1"));
    EXPECT_EQ(in.number(40, english), QStringLiteral("1.57"));
    EXPECT_EQ(in.number(30, english), QStringLiteral("1.18"));
    EXPECT_EQ(mm.number(12.5, german), QStringLiteral("12,5"));
}

TEST(MeasureUnit, SizeText) {
    EXPECT_EQ(MeasureUnit(MeasureUnit::mm).sizeText(40, 30, english),
              QStringLiteral("40 \u00D7 30 mm"));
    EXPECT_EQ(MeasureUnit(MeasureUnit::inches).sizeText(40, 30, english),
              QStringLiteral("1.57 \u00D7 1.18 in"));
}

TEST(MeasureUnit, ConversionAndSteps) {
    const MeasureUnit in(MeasureUnit::inches);
    const MeasureUnit mm(MeasureUnit::mm);
    EXPECT_DOUBLE_EQ(in.fromMM(50.8), 2);
    EXPECT_DOUBLE_EQ(in.toMM(2), 50.8);
    EXPECT_EQ(mm.fromMM(3.3), 3.3);
    EXPECT_EQ(in.step(0.5), 0.02);
    EXPECT_EQ(in.step(0.1), 0.01);
    EXPECT_EQ(in.step(25.4), 1);
    EXPECT_EQ(mm.step(1), 1);
    EXPECT_EQ(mm.fractionDigits(), std::pair(0, 2));
    EXPECT_EQ(in.fractionDigits(), std::pair(0, 3));
    EXPECT_EQ(in.symbol(), QStringLiteral("in"));
    EXPECT_EQ(mm.title(), QStringLiteral("Millimetres"));
}

TEST(MeasureUnit, TheRegionDefaultFollowsTheMeasurementSystem) {
    EXPECT_EQ(MeasureUnit::regionDefault(english), MeasureUnit::inches);
    EXPECT_EQ(MeasureUnit::regionDefault(QLocale(QLocale::English, QLocale::UnitedKingdom)),
              MeasureUnit::mm);
    EXPECT_EQ(MeasureUnit::regionDefault(german), MeasureUnit::mm);
}

TEST(MeasureUnit, TheSettingFallsBackToTheRegionDefault) {
    MemorySettingsStore settings;
    EXPECT_EQ(MeasureUnit::load(settings, english), MeasureUnit::inches);
    settings.setText(QStringLiteral("display.unit"), QStringLiteral("cm"));
    EXPECT_EQ(MeasureUnit::load(settings, german), MeasureUnit::mm);
    EXPECT_EQ(MeasureUnit::load(settings, english), MeasureUnit::inches);
    settings.setInteger(QStringLiteral("display.unit"), 1);
    EXPECT_EQ(MeasureUnit::load(settings, english), MeasureUnit::inches);
    MeasureUnit(MeasureUnit::mm).save(settings);
    EXPECT_EQ(settings.text(QStringLiteral("display.unit")), QStringLiteral("mm"));
    EXPECT_EQ(MeasureUnit::load(settings, english), MeasureUnit::mm);
}

} // namespace
