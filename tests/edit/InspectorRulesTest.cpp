#include "LabelKit/edit/InspectorRules.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

// In inches a step is the millimetre step to two decimals, halves away from zero, never zero.
TEST(LengthInput, StepsInTheUnitAndText) {
    const struct {
        MeasureUnit unit;
        double forMM, step;
    } cases[] = {
        {MeasureUnit::mm, 0.1, 0.1},        {MeasureUnit::inches, 25.4, 1},
        {MeasureUnit::inches, 0.5, 0.02},   {MeasureUnit::inches, 0.1, 0.01},
        {MeasureUnit::inches, 0.635, 0.03},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ((LengthInput{c.forMM, 0, 1}.step(c.unit)), c.step)
            << c.unit.rawValue().toStdString() << " " << c.forMM;
    }
    // The text drops trailing zeros and a negative zero.
    const QLocale c = QLocale::c();
    EXPECT_EQ(LengthInput::text(12.50, 2, c), u"12.5"_s);
    EXPECT_EQ(LengthInput::text(40, 1, c), u"40"_s);
    EXPECT_EQ(LengthInput::text(1234.56, 2, QLocale(QLocale::German)), u"1234,56"_s);
    EXPECT_EQ(LengthInput::text(-0.001, 2, c), u"0"_s);
    EXPECT_EQ(LengthInput::text(-0.25, 2, c), u"-0.25"_s);
}

// A data column is linked by the whole trimmed token; switching the symbology replaces only a
// sample; tokens append; columns keep their ampersands.
TEST(InspectorRulesTest, ColumnLinksSymbologySwitchesAndTokens) {
    const QStringList columns{u"Name"_s, u"SKU"_s};
    EXPECT_EQ(InspectorRules::linkedColumn(u"  {SKU}\n"_s, columns), u"SKU"_s);
    for (const QString& content : {u"{sku}"_s, u"Lot {SKU}"_s, u"{SKU}{Name}"_s, QString()}) {
        EXPECT_EQ(InspectorRules::linkedColumn(content, columns), std::nullopt)
            << content.toStdString();
    }
    EXPECT_EQ(InspectorRules::linkContent(std::nullopt), QString());

    LabelElement barcode(ElementKind::barcode);
    barcode.content = u"4006381333931"_s;
    InspectorRules::switchSymbology(barcode, Symbology::code128);
    EXPECT_EQ(barcode.symbology, Symbology::code128);
    EXPECT_EQ(barcode.content, u"4006381333931"_s);

    EXPECT_EQ(InspectorRules::insertToken(u"Lot "_s, u"{serial}"_s), u"Lot {serial}"_s);
    const auto items = InspectorRules::columnItems({u"A&B"_s});
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first().title, u"{A&B}"_s);
}

} // namespace
