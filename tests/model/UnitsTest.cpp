#include "LabelKit/model/Dots.h"
#include "LabelKit/model/MeasureUnit.h"
#include "LabelKit/platform/SettingsStore.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vantrel;

using namespace Qt::StringLiterals;

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
const MeasureUnit mm(MeasureUnit::mm);
const MeasureUnit in(MeasureUnit::inches);

TEST(MeasureUnit, NumbersRoundHalfToEvenOnTheDecimalValue) {
    // 12.35 is the decimal 12.35, not the binary value below it; large numbers are not grouped.
    const std::pair<double, const char*> millimetres[] = {
        {12.5, "12.5"},  {12.25, "12.2"},
        {12.35, "12.4"}, {12.251, "12.3"},
        {40, "40"},      {0.04, "0"},
        {9.96, "10"},    {-2.5, "-2.5"},
        {-0.01, "0"},    {123456789, "123456789"}};
    for (const auto& [value, text] : millimetres) {
        EXPECT_EQ(mm.number(value, english), QString::fromLatin1(text)) << value;
    }
    EXPECT_EQ(in.number(25.4, english), u"1"_s);
    EXPECT_EQ(in.number(40, english), u"1.57"_s);
    EXPECT_EQ(mm.number(12.5, german), u"12,5"_s);
    EXPECT_EQ(mm.sizeText(40, 30, english), u"40 \u00D7 30 mm"_s);
    EXPECT_EQ(in.sizeText(40, 30, english), u"1.57 \u00D7 1.18 in"_s);
}

TEST(MeasureUnit, TheSettingFallsBackToTheRegionsMeasurementSystem) {
    MemorySettingsStore settings;
    EXPECT_EQ(MeasureUnit::load(settings, english), MeasureUnit::inches);
    EXPECT_EQ(MeasureUnit::load(settings, QLocale(QLocale::English, QLocale::UnitedKingdom)),
              MeasureUnit::mm);
    settings.setText(u"display.unit"_s, u"cm"_s);
    EXPECT_EQ(MeasureUnit::load(settings, german), MeasureUnit::mm);
    EXPECT_EQ(MeasureUnit::load(settings, english), MeasureUnit::inches);
    settings.setInteger(u"display.unit"_s, 1);
    EXPECT_EQ(MeasureUnit::load(settings, english), MeasureUnit::inches);
    mm.save(settings);
    EXPECT_EQ(settings.text(u"display.unit"_s), u"mm"_s);
    EXPECT_EQ(MeasureUnit::load(settings, english), MeasureUnit::mm);
}

} // namespace
