#include "LabelKit/model/LabelFile.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantrel;

using namespace Qt::StringLiterals;

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

const QDateTime reference(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);

// Reading: defects are repaired field by field.

void expectDefaultDocument(const LabelDocument& doc) {
    EXPECT_FALSE(doc.id.isNull());
    EXPECT_TRUE(isRecent(doc.modified));
    LabelDocument expected;
    std::tie(expected.id, expected.modified) = std::tie(doc.id, doc.modified);
    EXPECT_EQ(doc, expected);
}

TEST(LabelFileReading, AnEmptyObjectOrFieldsOfTheWrongTypeGiveTheDefaults) {
    const LabelDocument doc = decode("{}");
    expectDefaultDocument(doc);
    // Each read of a file without an id gets its own.
    EXPECT_NE(decode("{}").id, doc.id);
    expectDefaultDocument(decode(R"({"name": 5, "widthMM": "50", "heightMM": null,
        "gapMM": true, "density": 8.5, "dataName": 3, "dataHasHeader": "no",
        "id": "not-a-uuid", "modified": 12, "elements": {}})"));
}

TEST(LabelFileReading, NotJsonOrNotAnObjectFails) {
    for (const char* bytes :
         {"", "{", "not json", "[1, 2]", "42", "\"label\"", "null", "{\"name\": \"a\"} trailing"}) {
        EXPECT_THROW(decode(bytes), UserError) << bytes;
    }
}

// A small file of tiny values would take gigabytes once parsed: beyond the limits it is refused.
TEST(LabelFileReading, FilesBeyondTheLimitsAreRefusedNamingTheLimit) {
    const auto elements = [](const char* key, qsizetype count, const char* element = "{}") {
        QByteArray entries = QByteArray(element) + ',';
        return "{\"" + QByteArray(key) + "\": [" + entries.repeated(count).chopped(1) + "]}";
    };
    const auto refusal = [](const QByteArray& bytes) {
        return testsupport::userError([&] { LabelFile::decode(bytes); });
    };
    const qsizetype max = LabelDocument::maxElements;
    EXPECT_EQ(LabelFile::decode(elements("elements", max)).elements.size(), max);
    const QString tooMany = u"The label has too many elements: a label holds at most 1000."_s;
    EXPECT_EQ(refusal(elements("elements", max + 1)), tooMany);
    EXPECT_EQ(refusal(elements("\\u0065lements", max + 1)), tooMany);
    // Values anywhere count, nested or under keys nobody reads.
    const QString tooComplex =
        u"The label file is too complex: a label file holds at most 100000 values."_s;
    EXPECT_EQ(refusal(elements("junk", LabelFile::maxValues, "0")), tooComplex);
    const QByteArray hundredValues = "{\"x\": [" + QByteArray("0,").repeated(99) + "0]}";
    EXPECT_EQ(refusal(elements("elements", max, hundredValues.constData())), tooComplex);
    EXPECT_NO_THROW(LabelFile::decode(elements("junk", LabelFile::maxValues - 2, "0")));
}

TEST(LabelFileReading, OnlyTheCanonicalUuidFormIsAccepted) {
    const QUuid stored = QUuid::fromString(u"5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05"_s);
    for (const char* json : {R"({"id": "{5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05}"})",
                             R"({"id": "5A1D7E3B0C2F4B698E4D7F6A2C9B1E05"})",
                             R"({"id": "5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E0G"})",
                             R"({"id": " 5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05"})"}) {
        EXPECT_NE(decode(json).id, stored) << json;
    }
}

// Only whole-second internet date-times parse; anything else reads as now.
TEST(LabelFileReading, OnlyWholeSecondInternetDateTimesParse) {
    const auto modified = [](const char* text) {
        return LabelFile::decode(R"({"modified": ")" + QByteArray(text) + "\"}").modified;
    };
    for (const char* text :
         {"2025-03-14T09:26:53Z", "2025-03-14T10:26:53+01:00", "2025-03-14T04:56:53-04:30"}) {
        EXPECT_EQ(modified(text), reference) << text;
    }
    for (const char* text :
         {"2025-03-14T09:26:53.250Z", "2025-03-14T09:26:53", "2025-03-14 09:26:53Z",
          "2025-02-30T09:26:53Z", "2025-03-14T25:26:53Z", "14/03/2025", ""}) {
        EXPECT_TRUE(isRecent(modified(text))) << text;
    }
}

TEST(LabelFileReading, ABadEntryEmptiesTheWholeElementList) {
    EXPECT_TRUE(decode(R"({"elements": [{"kind": "box"}, null]})").elements.isEmpty());
    EXPECT_TRUE(decode(R"({"elements": [{"kind": "box"}, 3]})").elements.isEmpty());
    EXPECT_EQ(decode(R"({"elements": [{"kind": "box"}, {}]})").elements.size(), 2);
}

// The element as read, its id aside.
void expectElement(const char* json, LabelElement expected) {
    const LabelElement e = onlyElement(json);
    EXPECT_FALSE(e.id.isNull());
    expected.id = e.id;
    EXPECT_EQ(e, expected) << json;
}

TEST(LabelFileReading, AMissingOrUnknownKindIsATextAndAKindAloneGivesItsDefaults) {
    expectElement("{}", LabelElement(ElementKind::text));
    LabelElement unknown(ElementKind::text);
    unknown.content = u"Hi"_s;
    unknown.width = 12;
    expectElement(R"({"kind": "star", "content": "Hi", "width": 12})", unknown);
    expectElement(R"({"kind": "barcode"})", LabelElement(ElementKind::barcode));
    EXPECT_EQ(LabelElement(ElementKind::barcode).content, u"12345678"_s);
}

// Raw values are case-sensitive; rotations are kept as stored; pictures are standard Base64;
// escaped solidi and any layout are read.
TEST(LabelFileReading, FieldsReadAsStoredOrNotAtAll) {
    EXPECT_EQ(onlyElement(R"({"symbology": "EAN13"})").symbology, Symbology::code128);
    EXPECT_EQ(onlyElement(R"({"symbology": "ean13"})").symbology, Symbology::ean13);
    EXPECT_EQ(onlyElement(R"({"align": "Center"})").align, TextAlign::left);
    EXPECT_EQ(onlyElement(R"({"align": "right"})").align, TextAlign::right);
    EXPECT_EQ(onlyElement(R"({"kind": "QR"})").kind, ElementKind::text);
    EXPECT_EQ(onlyElement(R"({"rotation": 45})").rotation, 45);
    EXPECT_EQ(onlyElement(R"({"rotation": -90})").rotation, -90);
    EXPECT_EQ(onlyElement(R"({"rotation": 1e30})").rotation, 0);
    EXPECT_EQ(onlyElement(R"({"kind": "image", "imageData": "AAEC/w=="})").imageData,
              QByteArray("\x00\x01\x02\xff", 4));
    EXPECT_EQ(onlyElement(R"({"imageData": ""})").imageData, QByteArray());
    EXPECT_FALSE(onlyElement(R"({"imageData": "AAEC/w"})").imageData);   // padding missing
    EXPECT_FALSE(onlyElement(R"({"imageData": "AAEC_w=="})").imageData); // URL alphabet
    const LabelDocument doc = LabelFile::decode(
        "{\"name\":\"a\\/b\",\n\n\t\"elements\":[{\"content\":\"x\\/y\\u00e9\"}]}");
    EXPECT_EQ(doc.name, u"a/b"_s);
    EXPECT_EQ(doc.elements.value(0).content, u"x/y\u00e9"_s);
}

TEST(LabelFileReading, ABadElementFieldCostsOnlyThatField) {
    LabelElement expected(ElementKind::box);
    expected.y = 4;
    expected.height = 5;
    expected.filled = true;
    expected.fontSize = 9;
    expected.locked = true;
    expected.showText = false;
    expected.shrinkToFit = true;
    expectElement(R"({"kind": "box", "x": "3", "y": 4, "width": null,
        "height": 5, "rotation": 90.5, "bold": 1, "filled": true, "strokeMM": "thin",
        "fontSize": 9, "locked": true, "showText": false, "shrinkToFit": true,
        "fontFamily": 7, "imageData": "not base64!"})",
                  expected);
}

// Writing.

LabelDocument sampleDocument() {
    LabelElement text(ElementKind::text);
    text.id = QUuid::fromString(u"6f0c3c1e-2b7a-4f0e-9d41-3a8e5b1c7d20"_s);
    text.content = u"Caf\u00e9 {serial}"_s;
    text.x = 1.25;
    LabelElement image(ElementKind::image);
    image.id = QUuid::fromString(u"0b9e2d4a-7c1f-4e38-a6b5-91d3f0e2c847"_s);
    image.imageData = QByteArray("\x89PNG", 4);
    LabelDocument doc(u"Shelf"_s, 50.8, 30, {text, image});
    doc.id = QUuid::fromString(u"5a1d7e3b-0c2f-4b69-8e4d-7f6a2c9b1e05"_s);
    doc.modified = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53, 900), Qt::UTC);
    return doc;
}

// Key order and layout are pinned by the sample label's byte-for-byte round trip below.
TEST(LabelFileWriting, ValuesAreEncodedAsStoredAndAbsentOptionalsAreLeftOut) {
    LabelDocument doc = sampleDocument();
    const QString text = QString::fromUtf8(LabelFile::encode(doc));
    // Whole seconds, the fraction dropped rather than rounded; upper-case ids; text as UTF-8.
    for (const QString& member :
         {u"\"modified\": \"2025-03-14T09:26:53Z\""_s,
          u"\"id\": \"5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05\""_s, u"\"widthMM\": 50.8"_s,
          u"\"heightMM\": 30,"_s, u"\"imageData\": \"iVBORw==\""_s, u"Caf\u00e9 {serial}"_s}) {
        EXPECT_TRUE(text.contains(member)) << member.toStdString();
    }
    EXPECT_FALSE(text.contains(u"dataName"_s));
    doc.elements.removeLast();
    EXPECT_FALSE(QString::fromUtf8(LabelFile::encode(doc)).contains(u"imageData"_s));
}

TEST(LabelFileWriting, WhatIsWrittenReadsBackEqual) {
    LabelDocument doc = sampleDocument();
    doc.dataName = u"stock.csv"_s;
    doc.dataHasHeader = false;
    doc.density = -3;
    doc.elements[0].rotation = -270;
    doc.elements[0].align = TextAlign::right;
    doc.elements[0].symbology = Symbology::upcE;
    const LabelDocument back = LabelFile::decode(LabelFile::encode(doc));
    doc.modified = reference;
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
        testsupport::readBytes(testsupport::sourcePath(u"samples/bin-tag.vtllabel"_s));
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(LabelFile::encode(LabelFile::decode(bytes)), bytes);
}

} // namespace
