#include "LabelKit/model/Dots.h"
#include "LabelKit/model/MeasureUnit.h"
#include "LabelKit/platform/SettingsStore.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

TEST(Dots, RoundsHalvesAwayFromZeroAndRefusesLengthsWithoutADotCount) {
    for (const QStringList& c : testsupport::dataTable(u"dots.txt"_s)) {
        const std::optional<qint64> dots =
            c[1] == u"none"_s ? std::nullopt : std::optional(c[1].toLongLong());
        EXPECT_EQ(Dots::from(c[0].toDouble()), dots) << c[0].toStdString();
    }
}

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
