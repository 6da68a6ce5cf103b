#include "LabelKit/barcode/RetailBarcode.h"
#include "LabelKit/barcode/ModuleMatrix.h"
#include "tests/support/TestSupport.h"

#include <QRandomGenerator>

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

QString q(const char* text) {
    return QString::fromUtf8(text);
}

QString refusal(Symbology symbology, const QString& text) {
    try {
        return u"encoded "_s + RetailBarcode::encode(symbology, text).digits;
    } catch (const RetailBarcodeError& error) {
        return error.message();
    }
}

// The symbol that ZXing's own writer makes of the digits, margin 0.
QList<bool> zxingModules(Symbology symbology, const QString& digits) {
    using F = ZXing::BarcodeFormat;
    const F format = symbology == Symbology::upcA   ? F::UPCA
                     : symbology == Symbology::upcE ? F::UPCE
                     : symbology == Symbology::ean8 ? F::EAN8
                                                    : F::EAN13;
    const ZXing::BitMatrix matrix =
        ZXing::MultiFormatWriter(format).setMargin(0).encode(digits.toStdString(), 0, 1);
    QList<bool> modules;
    for (int x = 0; x < matrix.width(); ++x) {
        modules.append(matrix.get(x, 0));
    }
    return modules;
}

TEST(RetailBarcode, WorkedExamplesGiveTheDigitsTextAndModulesOfTheStandard) {
    const QMap<Symbology, QList<RetailGroup>> groups{
        {Symbology::ean13, {{u"006381"_s, 3, 45}, {u"333931"_s, 50, 92}}},
        {Symbology::upcA, {{u"36000"_s, 10, 45}, {u"29145"_s, 50, 85}}},
        {Symbology::ean8, {{u"9638"_s, 3, 31}, {u"5074"_s, 36, 64}}},
        {Symbology::upcE, {{u"425261"_s, 3, 45}}}};
    const auto digit = [](const QString& field) {
        return field == u"-"_s ? std::nullopt : std::optional(field);
    };
    for (const QStringList& c : testsupport::dataTable(u"retail-worked.txt"_s)) {
        SCOPED_TRACE(c[1].toStdString());
        const Symbology symbology = *fromRawValue<Symbology>(c[0]);
        const RetailSymbol symbol = RetailBarcode::encode(symbology, c[1]);
        EXPECT_EQ(symbol.digits, c[2]);
        EXPECT_EQ(symbol.leftDigit, digit(c[3]));
        EXPECT_EQ(symbol.rightDigit, digit(c[4]));
        EXPECT_EQ(symbol.groups, groups[symbology]);
        EXPECT_EQ(symbol.modules.size(), c[5].toLongLong());
        EXPECT_EQ(moduleText(symbol.modules), moduleText(zxingModules(symbology, symbol.digits)));
    }
}

TEST(RetailBarcode, GuardsAreTheGuardPatternsAndTheOuterUpcADigits) {
    const auto range = [](std::set<int> set, int first, int last) {
        for (int i = first; i <= last; ++i) {
            set.insert(i);
        }
        return set;
    };
    const std::set<int> ean13 = range(range(range({}, 0, 2), 45, 49), 92, 94);
    EXPECT_EQ(RetailBarcode::encode(Symbology::ean13, q("400638133393")).guards, ean13);
    EXPECT_EQ(RetailBarcode::encode(Symbology::upcA, q("03600029145")).guards,
              range(range(ean13, 3, 9), 85, 91));
    EXPECT_EQ(RetailBarcode::encode(Symbology::ean8, q("9638507")).guards,
              range(range(range({}, 0, 2), 31, 35), 64, 66));
    EXPECT_EQ(RetailBarcode::encode(Symbology::upcE, q("0425261")).guards,
              range(range({}, 0, 2), 45, 50));
}

TEST(RetailBarcode, RandomNumbersMatchZXingsWriter) {
    QRandomGenerator random(20250314);
    const std::pair<Symbology, int> shapes[] = {
        {Symbology::ean13, 12}, {Symbology::upcA, 11}, {Symbology::ean8, 7}, {Symbology::upcE, 7}};
    for (const auto& [symbology, length] : shapes) {
        for (int i = 0; i < 60; ++i) {
            QString input;
            while (input.size() < length) {
                input.append(QChar(u'0' + int(random.bounded(10))));
            }
            if (symbology == Symbology::upcE) {
                input[0] = i % 2 ? u'1' : u'0';
            }
            const RetailSymbol symbol = RetailBarcode::encode(symbology, input);
            ASSERT_EQ(moduleText(symbol.modules),
                      moduleText(zxingModules(symbology, symbol.digits)))
                << input.toStdString();
        }
    }
}

TEST(RetailBarcode, RefusesWithTheErrorsMessage) {
    for (const QStringList& c : testsupport::dataTable(u"retail-refusals.txt"_s)) {
        EXPECT_EQ(refusal(*fromRawValue<Symbology>(c[0]), c[1]), c[2]) << c[1].toStdString();
    }
}

TEST(RetailBarcodeCheckDigit, WeighsThreeOneFromTheRightAndIgnoresOtherCharacters) {
    EXPECT_EQ(RetailBarcode::checkDigit(q("4006-3813 3393")), QChar(u'1'));
    EXPECT_EQ(RetailBarcode::checkDigit(q("10")), QChar(u'9'));
    EXPECT_EQ(RetailBarcode::checkDigit(q("abc")), QChar(u'0'));
}

// Compressing the UPC-A body gives the core; expanding the core under the body's number system
// gives the body back.
TEST(RetailBarcode, UpcECompressesAndExpandsBothWays) {
    for (const QStringList& c : testsupport::dataTable(u"upce-rules.txt"_s)) {
        SCOPED_TRACE(c[0].toStdString());
        EXPECT_EQ(RetailBarcode::compressUPCA(c[0]), c[1]);
        EXPECT_EQ(RetailBarcode::expandUPCE(c[1], c[0].front()), c[0]);
    }
}

TEST(RetailBarcode, CompressionRefusesWhatNoRuleFits) {
    for (const char* body : {"21200000345", "91234500005", "01234567890", "01234500004",
                             "01234100345", "0120000034", "012000003450", "0120000034a", ""}) {
        EXPECT_EQ(RetailBarcode::compressUPCA(q(body)), std::nullopt) << body;
    }
    EXPECT_EQ(RetailBarcode::expandUPCE(q("12345"), u'0'), QString());
    EXPECT_EQ(RetailBarcode::expandUPCE(q("12345x"), u'0'), QString());
}

} // namespace
