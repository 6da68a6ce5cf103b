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

struct Worked {
    Symbology symbology;
    const char* input;
    const char* digits;
    std::optional<QString> left;
    std::optional<QString> right;
    QList<RetailGroup> groups;
    qsizetype moduleCount;
};

const QList<RetailGroup> kEan13Groups{{u"006381"_s, 3, 45}, {u"333931"_s, 50, 92}};
const QList<RetailGroup> kUpcAGroups{{u"36000"_s, 10, 45}, {u"29145"_s, 50, 85}};
const QList<RetailGroup> kEan8Groups{{u"9638"_s, 3, 31}, {u"5074"_s, 36, 64}};
const QList<RetailGroup> kUpcEGroups{{u"425261"_s, 3, 45}};
constexpr std::nullopt_t none = std::nullopt;

TEST(RetailBarcode, WorkedExamplesGiveTheDigitsTextAndModulesOfTheStandard) {
    const Worked cases[] = {
        {Symbology::ean13, "400638133393", "4006381333931", "4", none, kEan13Groups, 95},
        {Symbology::ean13, " 400-638 1333\t93 ", "4006381333931", "4", none, kEan13Groups, 95},
        {Symbology::upcA, "03600029145", "036000291452", "0", "2", kUpcAGroups, 95},
        {Symbology::upcA, "036000291452", "036000291452", "0", "2", kUpcAGroups, 95},
        {Symbology::ean8, "9638-5074", "96385074", none, none, kEan8Groups, 67},
        {Symbology::upcE, "0425261", "04252614", "0", "4", kUpcEGroups, 51},
        {Symbology::upcE, "425261", "04252614", "0", "4", kUpcEGroups, 51},
        {Symbology::upcE, "04252614", "04252614", "0", "4", kUpcEGroups, 51},
        {Symbology::upcE, "042100005264", "04252614", "0", "4", kUpcEGroups, 51},
        {Symbology::upcE, "04210000526", "04252614", "0", "4", kUpcEGroups, 51},
        {Symbology::upcE, "1425261", "14252611", "1", "1", kUpcEGroups, 51}};
    for (const Worked& w : cases) {
        SCOPED_TRACE(w.input);
        const RetailSymbol symbol = RetailBarcode::encode(w.symbology, q(w.input));
        EXPECT_EQ(symbol.digits, q(w.digits));
        EXPECT_EQ(symbol.leftDigit, w.left);
        EXPECT_EQ(symbol.rightDigit, w.right);
        EXPECT_EQ(symbol.groups, w.groups);
        EXPECT_EQ(symbol.modules.size(), w.moduleCount);
        EXPECT_EQ(moduleText(symbol.modules), moduleText(zxingModules(w.symbology, symbol.digits)));
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

struct Failure {
    Symbology symbology;
    const char* input;
    const char* message;
};

const char* const kNotCompressible = "This UPC-A can't be shortened to UPC-E";
const char* const kUpcELength = "UPC-E needs 6, 7 or 8 digits, or a 12-digit UPC-A that compresses";

TEST(RetailBarcode, RefusesWithTheErrorsMessage) {
    const Failure cases[] = {
        {Symbology::ean13, "4006381333932", "Check digit should be 1"},
        {Symbology::ean8, "96385070", "Check digit should be 4"},
        {Symbology::upcE, "04252610", "Check digit should be 4"},
        {Symbology::upcE, "2425261", "UPC-E must start with 0 or 1"},
        {Symbology::upcE, "012345678905", kNotCompressible},
        // The compression refuses number system 2 before the number-system test sees it.
        {Symbology::upcE, "24210000526", kNotCompressible},
        // A wrong check digit is found before any compression.
        {Symbology::upcE, "042100005265", "Check digit should be 4"},
        {Symbology::upcE, "123456789", kUpcELength},
        {Symbology::ean13, " - -", "EAN-13 needs 12 digits (check digit added) or 13 digits"},
        {Symbology::upcA, "0360002914523",
         "UPC-A needs 11 digits (check digit added) or 12 digits"},
        {Symbology::ean8, "", "EAN-8 needs 7 digits (check digit added) or 8 digits"},
        {Symbology::ean13, "40063813339A", "Digits only"},
        {Symbology::ean8, "９６３８５０７", "Digits only"},
        {Symbology::upcE, "0425261\xe2\x80\x8b", "Digits only"},
        {Symbology::code128, "12345678", "Digits only"}};
    for (const Failure& c : cases) {
        EXPECT_EQ(refusal(c.symbology, q(c.input)), q(c.message)) << c.input;
    }
}

TEST(RetailBarcodeCheckDigit, WeighsThreeOneFromTheRightAndIgnoresOtherCharacters) {
    EXPECT_EQ(RetailBarcode::checkDigit(q("4006-3813 3393")), QChar(u'1'));
    EXPECT_EQ(RetailBarcode::checkDigit(q("10")), QChar(u'9'));
    EXPECT_EQ(RetailBarcode::checkDigit(q("abc")), QChar(u'0'));
}

// One row per zero-suppression rule, read both ways: compressing the UPC-A body gives the core,
// expanding the core under the body's number system gives the body back.
struct Rule {
    const char* body;
    const char* core;
};

TEST(RetailBarcode, UpcECompressesAndExpandsBothWays) {
    const Rule cases[] = {{"01200000345", "123450"}, // rule 1, "000"
                          {"01210000345", "123451"}, // rule 1, "100"
                          {"11220000345", "123452"}, // rule 1, "200"
                          {"04210000526", "425261"}, // rule 1
                          {"01230000045", "123453"}, // rule 2
                          {"01234000005", "123454"}, // rule 3
                          {"11234000009", "123494"}, // rule 3
                          {"01234500005", "123455"}, // rule 4
                          {"11234500009", "123459"}, // rule 4
                          {"00000000000", "000000"},
                          // Several rules fit: the first wins.
                          {"01200000045", "120450"},
                          {"01330000005", "133053"}};
    for (const Rule& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(RetailBarcode::compressUPCA(q(c.body)), q(c.core));
        EXPECT_EQ(RetailBarcode::expandUPCE(q(c.core), QChar(QLatin1Char(c.body[0]))), q(c.body));
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
