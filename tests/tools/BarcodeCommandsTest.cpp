#include "tests/support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using testsupport::words;

// The JSON a barcode command printed, with its exit status.
std::pair<int, QJsonObject> barcode(const QString& arguments) {
    const auto run = testsupport::runCli(words(u"barcode "_s + arguments));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith('\n'));
    return {run.exitCode, document.object()};
}

QList<int> range(int first, int last) {
    QList<int> ints;
    for (int i = first; i <= last; ++i) {
        ints.append(i);
    }
    return ints;
}

TEST(BarcodeCommand, PrintsARetailSymbolAsJson) {
    const auto [status, json] = barcode(u"ean13 400638133393"_s);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(json.keys(), (QStringList{u"digits"_s, u"groups"_s, u"guards"_s, u"leftDigit"_s,
                                        u"modules"_s, u"rightDigit"_s}));
    EXPECT_EQ(json[u"modules"_s].toString(),
              u"1010001101010011101011110111101000100101100110101010000101000010100001011101001"
              "0000101100110101"_s);
    QList<int> guards;
    for (const QJsonValue& v : json[u"guards"_s].toArray()) {
        guards.append(v.toInt(-1));
    }
    EXPECT_EQ(guards, range(0, 2) + range(45, 49) + range(92, 94));
    EXPECT_EQ(
        json[u"groups"_s].toArray(),
        QJsonArray({QJsonObject{{u"text"_s, u"006381"_s}, {u"start"_s, 3}, {u"end"_s, 45}},
                    QJsonObject{{u"text"_s, u"333931"_s}, {u"start"_s, 50}, {u"end"_s, 92}}}));
    EXPECT_EQ(json[u"leftDigit"_s], QJsonValue(u"4"_s));
    EXPECT_TRUE(json[u"rightDigit"_s].isNull());
    EXPECT_EQ(json[u"digits"_s].toString(), u"4006381333931"_s);

    const auto [code128Status, code128] = barcode(u"code128 12345678"_s);
    ASSERT_EQ(code128Status, 0);
    EXPECT_EQ(code128.keys(), QStringList{u"modules"_s});
    EXPECT_TRUE(code128[u"modules"_s].toString().startsWith(u"11010011100"_s));
}

TEST(BarcodeCommand, ARefusalIsItsMessageAsJsonAndExitsWithOne) {
    for (const auto& [arguments, message] :
         {std::pair(u"ean13 4006381333932"_s, "Check digit should be 1"),
          std::pair(u"upcE 012345678905"_s, "This UPC-A can't be shortened to UPC-E"),
          std::pair(u"code128 caf\u00e9"_s, "Code 128 supports ASCII only")}) {
        const auto [status, json] = barcode(arguments);
        EXPECT_EQ(status, 1) << arguments.toStdString();
        EXPECT_EQ(json, (QJsonObject{{u"error"_s, QString::fromUtf8(message)}}));
    }
    // An empty text is an argument of its own.
    const auto run = testsupport::runCli({u"barcode"_s, u"code128"_s, QString()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(QJsonDocument::fromJson(run.out).object(), (QJsonObject{{u"error"_s, u"Empty"_s}}));
}

TEST(BarcodeCommand, AnUnknownSymbologyOrAMissingTextIsAUsageError) {
    for (const char* arguments : {"barcode EAN13 400638133393", "barcode qr hello", "barcode ean13",
                                  "barcode", "barcode ean13 400638133393 extra"}) {
        const auto run = testsupport::runCli(words(QString::fromUtf8(arguments)));
        EXPECT_EQ(run.exitCode, 2) << arguments;
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_FALSE(run.err.isEmpty());
    }
}

} // namespace
