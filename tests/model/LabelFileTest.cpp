#include "LabelKit/model/LabelFile.h"

#include "tests/support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

LabelDocument decode(const char* json) {
    return LabelFile::decode(QByteArray(json));
}

LabelElement onlyElement(const char* elementJson) {
    const LabelDocument doc =
        LabelFile::decode(QByteArray(R"({"elements": [)") + elementJson + "]}");
    EXPECT_EQ(doc.elements.size(), 1);
    return doc.elements.value(0);
}

bool isRecent(const QDateTime& t) {
    return std::abs(t.secsTo(QDateTime::currentDateTimeUtc())) < 60;
}

// Reading: defects are repaired field by field.

TEST(LabelFileReading, AnEmptyObjectIsADefaultDocument) {
    const LabelDocument doc = decode("{}");
    EXPECT_EQ(doc.name, QStringLiteral("Untitled"));
    EXPECT_EQ(doc.widthMM, 40);
    EXPECT_EQ(doc.heightMM, 30);
    EXPECT_EQ(doc.gapMM, 2);
    EXPECT_EQ(doc.density, 8);
    EXPECT_TRUE(doc.elements.isEmpty());
    EXPECT_FALSE(doc.id.isNull());
    EXPECT_TRUE(isRecent(doc.modified));
    EXPECT_FALSE(doc.dataName);
    EXPECT_TRUE(doc.dataHasHeader);
    // Each read of a file without an id gets its own.
    EXPECT_NE(decode("{}").id, doc.id);
}

TEST(LabelFileReading, NotJsonOrNotAnObjectFails) {
    for (const char* bytes :
         {"", "{", "not json", "[1, 2]", "42", "\"label\"", "null", "{\"name\": \"a\"} trailing"}) {
        EXPECT_THROW(decode(bytes), UserError) << bytes;
    }
    try {
        decode("[]");
        FAIL();
    } catch (const UserError& e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
}

TEST(LabelFileReading, DocumentFieldsOfTheWrongTypeKeepTheirDefaults) {
    const LabelDocument doc = decode(R"({"name": 5, "widthMM": "50", "heightMM": null,
        "gapMM": true, "density": 8.5, "dataName": 3, "dataHasHeader": "no",
        "id": "not-a-uuid", "modified": 12, "elements": {}})");
    EXPECT_EQ(doc.name, QStringLiteral("Untitled"));
    EXPECT_EQ(doc.widthMM, 40);
    EXPECT_EQ(doc.heightMM, 30);
    EXPECT_EQ(doc.gapMM, 2);
    EXPECT_EQ(doc.density, 8);
    EXPECT_FALSE(doc.dataName);
    EXPECT_TRUE(doc.dataHasHeader);
    EXPECT_FALSE(doc.id.isNull());
    EXPECT_TRUE(doc.elements.isEmpty());
}

TEST(LabelFileReading, DocumentFieldsThatDecodeAreTaken) {
    const LabelDocument doc = decode(R"({"name": "Shelf", "widthMM": 50.8, "heightMM": 25,
        "gapMM": 3, "density": 8.0, "dataName": "stock.csv", "dataHasHeader": false,
        "id": "5a1d7e3b-0c2f-4b69-8e4d-7f6a2c9b1e05", "modified": "2025-03-14T09:26:53Z",
        "unknown": [1, 2, 3]})");
    EXPECT_EQ(doc.name, QStringLiteral("Shelf"));
    EXPECT_EQ(doc.widthMM, 50.8);
    EXPECT_EQ(doc.heightMM, 25);
    EXPECT_EQ(doc.gapMM, 3);
    EXPECT_EQ(doc.density, 8);
    EXPECT_EQ(doc.dataName, QStringLiteral("stock.csv"));
    EXPECT_FALSE(doc.dataHasHeader);
    EXPECT_EQ(doc.id, QUuid::fromString(QStringLiteral("5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05")));
    EXPECT_EQ(doc.modified, QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC));
}

TEST(LabelFileReading, OnlyTheCanonicalUuidFormIsAccepted) {
    const char* refused[] = {R"({"id": "{5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05}"})",
                             R"({"id": "5A1D7E3B0C2F4B698E4D7F6A2C9B1E05"})",
                             R"({"id": "5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E0G"})",
                             R"({"id": " 5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05"})"};
    const QUuid stored = QUuid::fromString(QStringLiteral("5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05"));
    for (const char* json : refused) {
        EXPECT_NE(decode(json).id, stored) << json;
    }
}

struct DateCase {
    const char* text;
    bool parses;
    QDateTime expected;
};

class LabelFileDates : public ::testing::TestWithParam<DateCase> {};

TEST_P(LabelFileDates, OnlyWholeSecondInternetDateTimesParse) {
    const DateCase c = GetParam();
    const QByteArray json = QByteArray(R"({"modified": ")") + c.text + "\"}";
    const LabelDocument doc = LabelFile::decode(json);
    if (c.parses) {
        EXPECT_EQ(doc.modified, c.expected) << c.text;
    } else {
        EXPECT_TRUE(isRecent(doc.modified)) << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, LabelFileDates,
    ::testing::Values(DateCase{"2025-03-14T09:26:53Z", true,
                               QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC)},
                      DateCase{"2025-03-14T10:26:53+01:00", true,
                               QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC)},
                      DateCase{"2025-03-14T04:56:53-04:30", true,
                               QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC)},
                      DateCase{"2025-03-14T09:26:53.250Z", false, {}},
                      DateCase{"2025-03-14T09:26:53", false, {}},
                      DateCase{"2025-03-14 09:26:53Z", false, {}},
                      DateCase{"2025-02-30T09:26:53Z", false, {}},
                      DateCase{"2025-03-14T25:26:53Z", false, {}},
                      DateCase{"14/03/2025", false, {}}, DateCase{"", false, {}}));

TEST(LabelFileReading, ABadEntryEmptiesTheWholeElementList) {
    EXPECT_TRUE(decode(R"({"elements": [{"kind": "box"}, null]})").elements.isEmpty());
    EXPECT_TRUE(decode(R"({"elements": [{"kind": "box"}, 3]})").elements.isEmpty());
    EXPECT_EQ(decode(R"({"elements": [{"kind": "box"}, {}]})").elements.size(), 2);
}

TEST(LabelFileReading, AnElementWithoutKindIsAText) {
    const LabelElement e = onlyElement("{}");
    EXPECT_EQ(e.kind, ElementKind::text);
    EXPECT_EQ(e.content, QStringLiteral("Text"));
    EXPECT_EQ(e.width, 30);
    EXPECT_EQ(e.height, 7);
    EXPECT_FALSE(e.id.isNull());
}

TEST(LabelFileReading, AnUnknownKindIsATextWhoseOtherKeysStillApply) {
    const LabelElement e = onlyElement(R"({"kind": "star", "content": "Hi", "width": 12})");
    EXPECT_EQ(e.kind, ElementKind::text);
    EXPECT_EQ(e.content, QStringLiteral("Hi"));
    EXPECT_EQ(e.width, 12);
    EXPECT_EQ(e.height, 7);
}

TEST(LabelFileReading, AKindAloneGivesThatKindsDefaults) {
    const LabelElement e = onlyElement(R"({"kind": "barcode"})");
    EXPECT_EQ(e.kind, ElementKind::barcode);
    EXPECT_EQ(e.content, QStringLiteral("12345678"));
    EXPECT_EQ(e.width, 34);
    EXPECT_EQ(e.height, 12);
    EXPECT_EQ(e.symbology, Symbology::code128);
    EXPECT_TRUE(e.showText);
}

TEST(LabelFileReading, EnumerationRawValuesAreCaseSensitive) {
    EXPECT_EQ(onlyElement(R"({"symbology": "EAN13"})").symbology, Symbology::code128);
    EXPECT_EQ(onlyElement(R"({"symbology": "ean13"})").symbology, Symbology::ean13);
    EXPECT_EQ(onlyElement(R"({"align": "Center"})").align, TextAlign::left);
    EXPECT_EQ(onlyElement(R"({"align": "right"})").align, TextAlign::right);
    EXPECT_EQ(onlyElement(R"({"kind": "QR"})").kind, ElementKind::text);
}

TEST(LabelFileReading, ABadElementFieldCostsOnlyThatField) {
    const LabelElement e = onlyElement(R"({"kind": "box", "x": "3", "y": 4, "width": null,
        "height": 5, "rotation": 90.5, "bold": 1, "filled": true, "strokeMM": "thin",
        "fontSize": 9, "locked": true, "showText": false, "shrinkToFit": true,
        "fontFamily": 7, "imageData": "not base64!"})");
    EXPECT_EQ(e.kind, ElementKind::box);
    EXPECT_EQ(e.x, 2);
    EXPECT_EQ(e.y, 4);
    EXPECT_EQ(e.width, 16);
    EXPECT_EQ(e.height, 5);
    EXPECT_EQ(e.rotation, 0);
    EXPECT_FALSE(e.bold);
    EXPECT_TRUE(e.filled);
    EXPECT_EQ(e.strokeMM, 0.5);
    EXPECT_EQ(e.fontSize, 9);
    EXPECT_TRUE(e.locked);
    EXPECT_FALSE(e.showText);
    EXPECT_TRUE(e.shrinkToFit);
    EXPECT_EQ(e.fontFamily, QStringLiteral("Helvetica"));
    EXPECT_FALSE(e.imageData);
}

TEST(LabelFileReading, RotationIsKeptAsStored) {
    LabelElement e = onlyElement(R"({"rotation": 45})");
    EXPECT_EQ(e.rotation, 45);
    e.rotateQuarter();
    EXPECT_EQ(e.rotation, 135);
    EXPECT_EQ(onlyElement(R"({"rotation": -90})").rotation, -90);
    EXPECT_EQ(onlyElement(R"({"rotation": 1e30})").rotation, 0);
}

TEST(LabelFileReading, PicturesAreStandardBase64) {
    EXPECT_EQ(onlyElement(R"({"kind": "image", "imageData": "AAEC/w=="})").imageData,
              QByteArray("\x00\x01\x02\xff", 4));
    EXPECT_EQ(onlyElement(R"({"imageData": ""})").imageData, QByteArray());
    EXPECT_FALSE(onlyElement(R"({"imageData": "AAEC/w"})").imageData);   // padding missing
    EXPECT_FALSE(onlyElement(R"({"imageData": "AAEC_w=="})").imageData); // URL alphabet
}

TEST(LabelFileReading, EscapedSolidusAndAnyLayoutAreRead) {
    const LabelDocument doc = LabelFile::decode(
        "{\"name\":\"a\\/b\",\n\n\t\"elements\":[{\"content\":\"x\\/y\\u00e9\"}]}");
    EXPECT_EQ(doc.name, QStringLiteral("a/b"));
    EXPECT_EQ(doc.elements.value(0).content, QStringLiteral("x/y\u00e9"));
}

// Writing.

LabelDocument sampleDocument() {
    LabelElement text(ElementKind::text);
    text.id = QUuid::fromString(QStringLiteral("6f0c3c1e-2b7a-4f0e-9d41-3a8e5b1c7d20"));
    text.content = QStringLiteral("Caf\u00e9 {serial}");
    text.x = 1.25;
    LabelElement image(ElementKind::image);
    image.id = QUuid::fromString(QStringLiteral("0b9e2d4a-7c1f-4e38-a6b5-91d3f0e2c847"));
    image.imageData = QByteArray("\x89PNG", 4);
    LabelDocument doc(QStringLiteral("Shelf"), 50.8, 30, {text, image});
    doc.id = QUuid::fromString(QStringLiteral("5a1d7e3b-0c2f-4b69-8e4d-7f6a2c9b1e05"));
    doc.modified = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53, 900), Qt::UTC);
    return doc;
}

TEST(LabelFileWriting, KeysAreSortedAndValuesEncodedAsStored) {
    const QByteArray bytes = LabelFile::encode(sampleDocument());
    const QString text = QString::fromUtf8(bytes);
    // Whole seconds, the fraction dropped rather than rounded.
    EXPECT_TRUE(text.contains(QStringLiteral("\"modified\": \"2025-03-14T09:26:53Z\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"id\": \"5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"id\": \"6F0C3C1E-2B7A-4F0E-9D41-3A8E5B1C7D20\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"widthMM\": 50.8")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"heightMM\": 30,")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"imageData\": \"iVBORw==\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"kind\": \"image\"")));
    EXPECT_TRUE(text.contains(QStringLiteral("Caf\u00e9 {serial}")));
    // One member a line: pretty-printed.
    EXPECT_GT(bytes.count('\n'), 40);
    // Keys in sorted order at the top level.
    const QStringList topLevel = {
        QStringLiteral("\"dataHasHeader\""), QStringLiteral("\"density\""),
        QStringLiteral("\"elements\""),      QStringLiteral("\"gapMM\""),
        QStringLiteral("\"heightMM\""),      QStringLiteral("\"modified\""),
        QStringLiteral("\"name\""),          QStringLiteral("\"widthMM\"")};
    qsizetype last = -1;
    for (const QString& key : topLevel) {
        const qsizetype at = text.lastIndexOf(key);
        EXPECT_GT(at, last) << key.toStdString();
        last = at;
    }
}

TEST(LabelFileWriting, AbsentOptionalsAreLeftOut) {
    LabelDocument doc = sampleDocument();
    doc.elements.removeLast();
    const QJsonObject o = QJsonDocument::fromJson(LabelFile::encode(doc)).object();
    EXPECT_FALSE(o.contains(QStringLiteral("dataName")));
    EXPECT_FALSE(o.value(QStringLiteral("elements"))
                     .toArray()
                     .at(0)
                     .toObject()
                     .contains(QStringLiteral("imageData")));
    EXPECT_EQ(o.value(QStringLiteral("elements")).toArray().at(0).toObject().size(), 18);
    EXPECT_EQ(o.size(), 9);
    doc.dataName = QStringLiteral("list.csv");
    EXPECT_EQ(QJsonDocument::fromJson(LabelFile::encode(doc)).object().size(), 10);
}

TEST(LabelFileWriting, WhatIsWrittenReadsBackEqual) {
    LabelDocument doc = sampleDocument();
    doc.dataName = QStringLiteral("stock.csv");
    doc.dataHasHeader = false;
    doc.density = -3;
    doc.elements[0].rotation = -270;
    doc.elements[0].align = TextAlign::right;
    doc.elements[0].symbology = Symbology::upcE;
    const LabelDocument back = LabelFile::decode(LabelFile::encode(doc));
    doc.modified = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    EXPECT_EQ(back, doc);
    EXPECT_EQ(LabelFile::encode(back), LabelFile::encode(doc));
}

TEST(LabelFileWriting, NumbersJsonCannotHoldFailTheWrite) {
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
        LabelDocument doc = sampleDocument();
        doc.gapMM = bad;
        EXPECT_THROW(LabelFile::encode(doc), UserError);
        doc = sampleDocument();
        doc.elements[0].strokeMM = bad;
        EXPECT_THROW(LabelFile::encode(doc), UserError);
    }
}

TEST(LabelFileWriting, TheSampleLabelRoundTripsByteForByte) {
    const QByteArray bytes =
        testsupport::readBytes(testsupport::sourcePath(QStringLiteral("samples/bin-tag.vtllabel")));
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(LabelFile::encode(LabelFile::decode(bytes)), bytes);
}

} // namespace
