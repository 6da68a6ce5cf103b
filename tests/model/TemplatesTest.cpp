#include "LabelKit/model/Templates.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// Two designs equal but for the ids and times that every request makes afresh.
void expectSameDesign(LabelDocument a, LabelDocument b) {
    EXPECT_NE(a.id, b.id);
    b.id = a.id;
    b.modified = a.modified;
    ASSERT_EQ(a.elements.size(), b.elements.size());
    for (qsizetype i = 0; i < a.elements.size(); ++i) {
        EXPECT_NE(a.elements[i].id, b.elements[i].id);
        b.elements[i].id = a.elements[i].id;
    }
    EXPECT_EQ(a, b);
}

TEST(Templates, EveryRequestBuildsAFreshDesign) {
    expectSameDesign(Templates::binTag(), Templates::binTag());
    expectSameDesign(Templates::skuTag(), Templates::skuTag());
}

TEST(Templates, StartersInOrder) {
    QStringList names;
    for (const LabelDocument& doc : Templates::starters()) {
        names.append(doc.name);
    }
    EXPECT_EQ(names, QStringList({QStringLiteral("Bin tag"), QStringLiteral("SKU tag"),
                                  QStringLiteral("Dated label"), QStringLiteral("Big text")}));
    EXPECT_EQ(Templates::blank().name, QStringLiteral("New label"));
    EXPECT_TRUE(Templates::blank().elements.isEmpty());
}

TEST(Templates, EveryElementLiesInsideTheLabel) {
    QList<LabelDocument> all = Templates::starters();
    all.append(Templates::identify(QStringLiteral("Front"), QStringLiteral("CT221B-A")));
    for (const LabelDocument& doc : all) {
        EXPECT_EQ(doc.widthMM, 40);
        EXPECT_EQ(doc.heightMM, 30);
        EXPECT_EQ(doc.gapMM, 2);
        EXPECT_EQ(doc.density, 8);
        EXPECT_FALSE(doc.dataName);
        for (const LabelElement& e : doc.elements) {
            EXPECT_GE(e.x, 0) << doc.name.toStdString();
            EXPECT_GE(e.y, 0) << doc.name.toStdString();
            EXPECT_LE(e.x + e.width, 40) << doc.name.toStdString();
            EXPECT_LE(e.y + e.height, 30) << doc.name.toStdString();
        }
    }
}

TEST(Templates, TheSkuTagIsNumbered) {
    const LabelDocument sku = Templates::skuTag();
    ASSERT_EQ(sku.elements.size(), 4);
    EXPECT_EQ(sku.elements[2].kind, ElementKind::qr);
    EXPECT_EQ(sku.elements[3].kind, ElementKind::barcode);
    EXPECT_EQ(sku.elements[3].content, QStringLiteral("SKU-{serial}"));
    EXPECT_FALSE(sku.elements[3].showText);
}

TEST(Templates, IdentifyShowsNicknameAdvertisedNameAndTime) {
    const LabelDocument doc =
        Templates::identify(QStringLiteral("Front {x}"), QStringLiteral("CT221B-A"));
    EXPECT_EQ(doc.name, QStringLiteral("Identify"));
    ASSERT_EQ(doc.elements.size(), 3);
    for (const LabelElement& e : doc.elements) {
        EXPECT_EQ(e.kind, ElementKind::text);
        EXPECT_EQ(e.align, TextAlign::center);
    }
    EXPECT_EQ(doc.elements[0].content, QStringLiteral("Front {x}"));
    EXPECT_TRUE(doc.elements[0].bold);
    EXPECT_EQ(doc.elements[0].fontSize, 22);
    EXPECT_EQ(doc.elements[1].content, QStringLiteral("CT221B-A"));
    EXPECT_EQ(doc.elements[2].content, QStringLiteral("{date:MMM d, yyyy h:mm a}"));
}

} // namespace
