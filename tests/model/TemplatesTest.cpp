#include "LabelKit/model/Templates.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

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
    expectSameDesign(Templates::identify(u"A"_s, u"B"_s), Templates::identify(u"A"_s, u"B"_s));
}

TEST(Templates, EveryElementLiesInsideTheLabel) {
    QList<LabelDocument> all = Templates::starters();
    all.append(Templates::identify(u"Front"_s, u"CT221B-A"_s));
    for (const LabelDocument& doc : all) {
        SCOPED_TRACE(doc.name.toStdString());
        EXPECT_FALSE(doc.elements.isEmpty());
        for (const LabelElement& e : doc.elements) {
            EXPECT_GE(e.x, 0);
            EXPECT_GE(e.y, 0);
            EXPECT_LE(e.x + e.width, doc.widthMM);
            EXPECT_LE(e.y + e.height, doc.heightMM);
        }
    }
}

} // namespace
