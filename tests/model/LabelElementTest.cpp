#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/model/LabelFont.h"

#include "tests/support/TestSupport.h"

#include <QSet>

#include <gtest/gtest.h>

#include <limits>

namespace {

struct KindDefaults {
    ElementKind kind;
    double width;
    double height;
    QString content;
};

class NewElement : public ::testing::TestWithParam<KindDefaults> {};

TEST_P(NewElement, HasItsKindsSizeAndContentAndTheCommonDefaults) {
    const KindDefaults d = GetParam();
    const LabelElement e(d.kind);
    EXPECT_EQ(e.kind, d.kind);
    EXPECT_EQ(e.width, d.width);
    EXPECT_EQ(e.height, d.height);
    if (d.kind == ElementKind::qr) {
        EXPECT_FALSE(e.content.isEmpty());
    } else {
        EXPECT_EQ(e.content, d.content);
    }
    EXPECT_EQ(e.x, 2);
    EXPECT_EQ(e.y, 2);
    EXPECT_EQ(e.rotation, 0);
    EXPECT_EQ(e.fontFamily, QStringLiteral("Helvetica"));
    EXPECT_EQ(e.fontSize, 12);
    EXPECT_FALSE(e.bold);
    EXPECT_EQ(e.align, TextAlign::left);
    EXPECT_FALSE(e.shrinkToFit);
    EXPECT_TRUE(e.showText);
    EXPECT_EQ(e.symbology, Symbology::code128);
    EXPECT_EQ(e.strokeMM, 0.5);
    EXPECT_FALSE(e.filled);
    EXPECT_FALSE(e.imageData);
    EXPECT_FALSE(e.locked);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, NewElement,
    ::testing::Values(KindDefaults{ElementKind::text, 30, 7, QStringLiteral("Text")},
                      KindDefaults{ElementKind::barcode, 34, 12, QStringLiteral("12345678")},
                      KindDefaults{ElementKind::qr, 14, 14, {}},
                      KindDefaults{ElementKind::line, 30, 0.5, {}},
                      KindDefaults{ElementKind::box, 16, 10, {}},
                      KindDefaults{ElementKind::ellipse, 12, 12, {}},
                      KindDefaults{ElementKind::image, 14, 14, {}}));

TEST(LabelElement, EveryNewElementHasItsOwnId) {
    QSet<QUuid> ids;
    for (int i = 0; i < 100; ++i) {
        ids.insert(LabelElement(ElementKind::box).id);
    }
    EXPECT_EQ(ids.size(), 100);
}

TEST(LabelElement, EqualityCoversEveryField) {
    const LabelElement a(ElementKind::image);
    LabelElement b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    b.imageData = QByteArray();
    EXPECT_NE(a, b); // an empty picture is not an absent one
    b = a;
    b.locked = true;
    EXPECT_NE(a, b);
    EXPECT_NE(a, LabelElement(ElementKind::image)); // the id counts
}

TEST(QuarterTurn, KeepsTheCentreAndSwapsTheSides) {
    LabelElement e(ElementKind::text);
    e.rotateQuarter();
    EXPECT_EQ(e.x, 13.5);
    EXPECT_EQ(e.y, -9.5);
    EXPECT_EQ(e.width, 7);
    EXPECT_EQ(e.height, 30);
    EXPECT_EQ(e.rotation, 90);
}

TEST(QuarterTurn, FourTurnsRestoreTheBox) {
    const LabelElement start(ElementKind::barcode);
    LabelElement e = start;
    for (int i = 0; i < 4; ++i) {
        e.rotateQuarter();
    }
    EXPECT_EQ(e, start);
}

TEST(QuarterTurn, TheRemainderTakesTheSignOfTheAngle) {
    LabelElement e;
    for (auto [from, to] : {std::pair<qint64, qint64>{270, 0},
                            {-90, 0},
                            {-180, -90},
                            {-450, -0},
                            {45, 135},
                            {350, 80}}) {
        e.rotation = from;
        e.rotateQuarter();
        EXPECT_EQ(e.rotation, to) << from;
    }
    // No overflow at the top of the range.
    e.rotation = std::numeric_limits<qint64>::max();
    e.rotateQuarter();
    EXPECT_EQ(e.rotation, (std::numeric_limits<qint64>::max() % 360 + 90) % 360);
}

TEST(LabelFont, TheTableHoldsSixFamiliesInMenuOrder) {
    QStringList families;
    for (const LabelFont& f : LabelFont::all()) {
        families.append(f.family);
    }
    EXPECT_EQ(families,
              QStringList({QStringLiteral("Helvetica"), QStringLiteral("Avenir Next"),
                           QStringLiteral("Avenir Next Condensed"), QStringLiteral("Menlo"),
                           QStringLiteral("Georgia"), QStringLiteral("Courier New")}));
}

TEST(LabelFont, LookupIsExactWithHelveticaAsFallback) {
    EXPECT_EQ(LabelFont::named(QStringLiteral("Menlo")).regular, QStringLiteral("Menlo-Regular"));
    EXPECT_EQ(LabelFont::named(QStringLiteral("Courier New")).face(true),
              QStringLiteral("CourierNewPS-BoldMT"));
    EXPECT_EQ(LabelFont::named(QStringLiteral("menlo")).family, QStringLiteral("Helvetica"));
    EXPECT_EQ(LabelFont::named(QString()).bold, QStringLiteral("Helvetica-Bold"));
}

TEST(Enumerations, RawValuesRoundTripAndAreCaseSensitive) {
    for (ElementKind k : allCases<ElementKind>()) {
        EXPECT_EQ(fromRawValue<ElementKind>(rawValue(k)), k);
    }
    for (Symbology s : allCases<Symbology>()) {
        EXPECT_EQ(fromRawValue<Symbology>(rawValue(s)), s);
    }
    EXPECT_EQ(rawValue(Symbology::upcA), QStringLiteral("upcA"));
    EXPECT_FALSE(fromRawValue<Symbology>(u"UPCA"));
    EXPECT_FALSE(fromRawValue<TextAlign>(u""));
}

TEST(Enumerations, SymbologyTable) {
    EXPECT_FALSE(isRetail(Symbology::code128));
    for (Symbology s : {Symbology::upcA, Symbology::upcE, Symbology::ean13, Symbology::ean8}) {
        EXPECT_TRUE(isRetail(s));
    }
    EXPECT_EQ(title(Symbology::ean8), QStringLiteral("EAN-8"));
    EXPECT_EQ(inputHint(Symbology::ean8),
              QStringLiteral("7 digits (check digit added) or 8 digits"));
    EXPECT_EQ(sample(Symbology::upcE), QStringLiteral("0425261"));
    EXPECT_EQ(title(ElementKind::qr), QStringLiteral("QR"));
    EXPECT_EQ(symbol(ElementKind::line), QStringLiteral("line.diagonal"));
}

TEST(LabelDocument, NewDocumentDefaults) {
    const LabelDocument doc;
    EXPECT_EQ(doc.name, QStringLiteral("Untitled"));
    EXPECT_EQ(doc.widthMM, 40);
    EXPECT_EQ(doc.heightMM, 30);
    EXPECT_EQ(doc.gapMM, 2);
    EXPECT_EQ(doc.density, 8);
    EXPECT_FALSE(doc.dataName);
    EXPECT_TRUE(doc.dataHasHeader);
    EXPECT_NE(LabelDocument().id, doc.id);
}

TEST(LabelDocument, SizeInDots) {
    LabelDocument doc;
    EXPECT_EQ(doc.widthDots(), 320);
    doc.widthMM = 50.8;
    EXPECT_EQ(doc.widthDots(), 406);
    doc.heightMM = 0.0625;
    EXPECT_EQ(doc.heightDots(), 1);
    doc.widthMM = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(doc.widthDots());
}

} // namespace
