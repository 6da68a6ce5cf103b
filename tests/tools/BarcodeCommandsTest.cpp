#include "tests/support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

using testsupport::runCli;

QString q(const char* text) {
    return QString::fromUtf8(text);
}

QJsonObject jsonOf(const testsupport::CliRun& run) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith('\n'));
    return document.object();
}

QList<int> intsOf(const QJsonValue& value) {
    QList<int> ints;
    for (const QJsonValue& v : value.toArray()) {
        ints.append(v.toInt(-1));
    }
    return ints;
}

QList<int> range(int first, int last) {
    QList<int> ints;
    for (int i = first; i <= last; ++i) {
        ints.append(i);
    }
    return ints;
}

TEST(BarcodeCommand, PrintsARetailSymbolAsJson) {
    const auto run = runCli({q("barcode"), q("ean13"), q("400638133393")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject json = jsonOf(run);
    EXPECT_EQ(json.keys(), (QStringList{q("digits"), q("groups"), q("guards"), q("leftDigit"),
                                        q("modules"), q("rightDigit")}));
    EXPECT_EQ(json[q("modules")].toString(),
              q("1010001101010011101011110111101000100101100110101010000101000010100001011101001"
                "0000101100110101"));
    EXPECT_EQ(intsOf(json[q("guards")]), range(0, 2) + range(45, 49) + range(92, 94));
    const QJsonArray groups = json[q("groups")].toArray();
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[0].toObject(),
              (QJsonObject{{q("text"), q("006381")}, {q("start"), 3}, {q("end"), 45}}));
    EXPECT_EQ(groups[1].toObject(),
              (QJsonObject{{q("text"), q("333931")}, {q("start"), 50}, {q("end"), 92}}));
    EXPECT_EQ(json[q("leftDigit")], QJsonValue(q("4")));
    EXPECT_TRUE(json[q("rightDigit")].isNull());
    EXPECT_EQ(json[q("digits")].toString(), q("4006381333931"));
}

TEST(BarcodeCommand, PrintsEveryRetailSymbology) {
    const auto upcA = runCli({q("barcode"), q("upcA"), q("03600029145")});
    ASSERT_EQ(upcA.exitCode, 0);
    const QJsonObject a = jsonOf(upcA);
    EXPECT_EQ(a[q("digits")].toString(), q("036000291452"));
    EXPECT_EQ(a[q("leftDigit")], QJsonValue(q("0")));
    EXPECT_EQ(a[q("rightDigit")], QJsonValue(q("2")));
    EXPECT_EQ(intsOf(a[q("guards")]), range(0, 9) + range(45, 49) + range(85, 94));

    const auto upcE = runCli({q("barcode"), q("upcE"), q("042100005264")});
    ASSERT_EQ(upcE.exitCode, 0);
    const QJsonObject e = jsonOf(upcE);
    EXPECT_EQ(e[q("modules")].toString(), q("101001110100100110111001001101101011110011001010101"));
    EXPECT_EQ(e[q("digits")].toString(), q("04252614"));
    EXPECT_EQ(intsOf(e[q("guards")]), range(0, 2) + range(45, 50));

    const auto ean8 = runCli({q("barcode"), q("ean8"), q("9638 507")});
    ASSERT_EQ(ean8.exitCode, 0);
    const QJsonObject eight = jsonOf(ean8);
    EXPECT_EQ(eight[q("modules")].toString().size(), 67);
    EXPECT_TRUE(eight[q("leftDigit")].isNull());
    EXPECT_TRUE(eight[q("rightDigit")].isNull());
    EXPECT_EQ(eight[q("digits")].toString(), q("96385074"));
}

TEST(BarcodeCommand, PrintsCode128Modules) {
    const auto run = runCli({q("barcode"), q("code128"), q("12345678")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject json = jsonOf(run);
    EXPECT_EQ(json.keys(), QStringList{q("modules")});
    const QString modules = json[q("modules")].toString();
    EXPECT_EQ(modules.size(), 79);
    EXPECT_TRUE(modules.startsWith(q("11010011100")));
    EXPECT_EQ(modules.count(u'0') + modules.count(u'1'), 79);
}

struct Refusal {
    const char* symbology;
    const char* text;
    const char* message;
};

class BarcodeCommandRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(BarcodeCommandRefusal, PrintsTheMessageAsJsonAndExitsWithOne) {
    const Refusal& r = GetParam();
    const auto run = runCli({q("barcode"), q(r.symbology), q(r.text)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(jsonOf(run), (QJsonObject{{q("error"), q(r.message)}}));
}

INSTANTIATE_TEST_SUITE_P(
    BarcodeCommand, BarcodeCommandRefusal,
    ::testing::Values(
        Refusal{"ean13", "4006381333932", "Check digit should be 1"},
        Refusal{"ean8", "12345", "EAN-8 needs 7 digits (check digit added) or 8 digits"},
        Refusal{"upcA", "0360002914x", "Digits only"},
        Refusal{"upcE", "2425261", "UPC-E must start with 0 or 1"},
        Refusal{"upcE", "012345678905", "This UPC-A can't be shortened to UPC-E"},
        Refusal{"ean13", "", "EAN-13 needs 12 digits (check digit added) or 13 digits"},
        Refusal{"code128", "caf\xc3\xa9", "Code 128 supports ASCII only"},
        Refusal{"code128", "", "Empty"},
        Refusal{"code128",
                "123456789012345678901234567890123456789012345678901234567890123456789012345678901",
                "Too long for Code 128 (80 characters at most)"}));

TEST(BarcodeCommand, AnUnknownSymbologyOrAMissingTextIsAUsageError) {
    for (const QStringList& arguments :
         {QStringList{q("barcode"), q("EAN13"), q("400638133393")},
          QStringList{q("barcode"), q("qr"), q("hello")}, QStringList{q("barcode"), q("ean13")},
          QStringList{q("barcode")},
          QStringList{q("barcode"), q("ean13"), q("400638133393"), q("extra")}}) {
        const auto run = runCli(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
}

} // namespace
