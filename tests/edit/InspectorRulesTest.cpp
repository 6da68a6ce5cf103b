#include "LabelKit/edit/InspectorRules.h"

#include "LabelKit/render/LabelRenderer.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace Qt::StringLiterals;
using Section = InspectorRules::Section;

namespace {

TEST(LengthInputTest, EnteredValuesAreConvertedThenClampedIntoTheRange) {
    struct Case {
        LengthInput input;
        MeasureUnit unit;
        double entered, storedMM;
    };
    for (const Case& c : {
             Case{InspectorRules::positionInput, MeasureUnit::mm, 300, 200},
             Case{InspectorRules::positionInput, MeasureUnit::mm, -60, -50},
             Case{InspectorRules::positionInput, MeasureUnit::inches, 1, 25.4},
             Case{InspectorRules::positionInput, MeasureUnit::inches, 8, 200},
             Case{InspectorRules::labelWidthInput, MeasureUnit::mm, 10, 15},
             Case{InspectorRules::labelWidthInput, MeasureUnit::mm, 60, 54},
             Case{InspectorRules::labelWidthInput, MeasureUnit::inches, 0.5, 15},
             Case{InspectorRules::gapInput, MeasureUnit::inches, 0.1, 2.54},
         }) {
        EXPECT_DOUBLE_EQ(c.input.stored(c.entered, c.unit), c.storedMM)
            << c.entered << " " << c.unit.symbol().toStdString();
    }
}

TEST(LengthInputTest, FieldsShowStepAndBoundInTheUnit) {
    const LengthInput x = InspectorRules::positionInput;
    EXPECT_DOUBLE_EQ(x.shown(25.4, MeasureUnit::inches), 1);
    EXPECT_DOUBLE_EQ(x.step(MeasureUnit::inches), 0.02);
    EXPECT_EQ(x.bounds(MeasureUnit::mm), std::pair(-50.0, 200.0));
    EXPECT_DOUBLE_EQ(x.bounds(MeasureUnit::inches).second, 200 / 25.4);
    EXPECT_EQ(LengthInput::decimals(MeasureUnit::mm), 2);
    EXPECT_EQ(LengthInput::decimals(MeasureUnit::inches), 3);
}

TEST(LengthInputTest, TextDropsTrailingZerosAndNegativeZero) {
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German);
    EXPECT_EQ(LengthInput::text(12.50, 2, c), u"12.5"_s);
    EXPECT_EQ(LengthInput::text(40, 1, c), u"40"_s);
    EXPECT_EQ(LengthInput::text(1234.56, 2, german), u"1234,56"_s);
    EXPECT_EQ(LengthInput::text(-0.001, 2, c), u"0"_s);
    EXPECT_EQ(LengthInput::text(-0.25, 2, c), u"-0.25"_s);
}

TEST(InspectorRulesTest, SectionsFollowTheKind) {
    const QList<Section> tail{Section::position, Section::actions};
    EXPECT_EQ(InspectorRules::sections(ElementKind::text),
              QList<Section>({Section::content, Section::font}) + tail);
    EXPECT_EQ(InspectorRules::sections(ElementKind::barcode),
              QList<Section>({Section::content, Section::barcode}) + tail);
    EXPECT_EQ(InspectorRules::sections(ElementKind::qr), QList<Section>({Section::content}) + tail);
    EXPECT_EQ(InspectorRules::sections(ElementKind::image),
              QList<Section>({Section::image}) + tail);
    for (ElementKind kind : {ElementKind::line, ElementKind::box, ElementKind::ellipse}) {
        EXPECT_EQ(InspectorRules::sections(kind), QList<Section>({Section::shape}) + tail);
        EXPECT_EQ(InspectorRules::offersFilled(kind), kind != ElementKind::line);
    }
    EXPECT_EQ(InspectorRules::heightInput(ElementKind::line).stepMM, 0.25);
    EXPECT_EQ(InspectorRules::heightInput(ElementKind::box).stepMM, 0.5);
}

TEST(InspectorRulesTest, DataColumnMatchesTheWholeTrimmedToken) {
    const QStringList columns{u"Name"_s, u"SKU"_s};
    EXPECT_EQ(InspectorRules::linkedColumn(u"  {SKU}\n"_s, columns), u"SKU"_s);
    for (const QString& content : {u"{sku}"_s, u"Lot {SKU}"_s, u"{SKU}{Name}"_s, QString()}) {
        EXPECT_EQ(InspectorRules::linkedColumn(content, columns), std::nullopt)
            << content.toStdString();
    }
    EXPECT_EQ(InspectorRules::linkContent(u"SKU"_s), u"{SKU}"_s);
    EXPECT_EQ(InspectorRules::linkContent(std::nullopt), QString());
}

TEST(InspectorRulesTest, SymbologySwitchReplacesOnlyASample) {
    LabelElement barcode(ElementKind::barcode);
    barcode.symbology = Symbology::ean13;
    barcode.content = sample(Symbology::ean13);
    InspectorRules::switchSymbology(barcode, Symbology::upcE);
    EXPECT_EQ(barcode.symbology, Symbology::upcE);
    EXPECT_EQ(barcode.content, sample(Symbology::upcE));

    barcode.content = u"4006381333931"_s;
    InspectorRules::switchSymbology(barcode, Symbology::code128);
    EXPECT_EQ(barcode.symbology, Symbology::code128);
    EXPECT_EQ(barcode.content, u"4006381333931"_s);
}

TEST(InspectorRulesTest, PlaceholderItemsAppendTheirTokens) {
    const auto& items = InspectorRules::placeholderItems();
    ASSERT_EQ(items.size(), 5);
    for (const auto& item : items) {
        EXPECT_TRUE(item.title.endsWith(u"  "_s + item.token)) << item.title.toStdString();
    }
    EXPECT_EQ(InspectorRules::insertToken(u"Lot "_s, items.at(3).token), u"Lot {serial}"_s);
    const auto columns = InspectorRules::columnItems({u"A&B"_s});
    ASSERT_EQ(columns.size(), 1);
    EXPECT_EQ(columns.first().title, u"{A&B}"_s);
    EXPECT_EQ(columns.first().token, u"{A&B}"_s);
}

TEST(InspectorRulesTest, StockSizesAreTitledInBothUnits) {
    const QLocale c = QLocale::c();
    const QSizeF first = InspectorRules::stockSizes().first();
    EXPECT_EQ(InspectorRules::stockSizeTitle(first, MeasureUnit::mm, c),
              u"40 × 30 mm  (1.57 × 1.18 in)"_s);
    EXPECT_EQ(
        InspectorRules::stockSizeTitle(InspectorRules::stockSizes().last(), MeasureUnit::inches, c),
        u"2 × 1 in  (50.8 × 25.4 mm)"_s);
}

TEST(InspectorRulesTest, BarcodeCheckExpandsTheContextBeforeChecking) {
    LabelElement barcode(ElementKind::barcode);
    barcode.symbology = Symbology::ean13;
    barcode.content = u"{EAN}"_s;
    LabelContext context;
    context.fields[u"EAN"_s] = sample(Symbology::ean13);
    const auto fine = InspectorRules::barcodeCheck(barcode, context);
    EXPECT_FALSE(fine.problem);
    EXPECT_EQ(fine.text, inputHint(Symbology::ean13));

    context.fields[u"EAN"_s] = u"12AB"_s;
    const auto bad = InspectorRules::barcodeCheck(barcode, context);
    EXPECT_TRUE(bad.problem);
    EXPECT_EQ(bad.text, LabelRenderer::barcodeIssue(barcode, u"12AB"_s).value());
}

} // namespace
