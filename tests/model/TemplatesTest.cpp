#include "LabelKit/model/Templates.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

// Every request builds a fresh design, equal but for the ids and times; every element lies
// inside the label.
TEST(Templates, EveryRequestBuildsAFreshDesignInsideTheLabel) {
    const std::function<LabelDocument()> makers[] = {
        Templates::binTag, Templates::skuTag, Templates::dated, Templates::plainText,
        [] { return Templates::identify(u"A"_s, u"B"_s); }};
    for (const auto& make : makers) {
        const LabelDocument a = make();
        LabelDocument b = make();
        SCOPED_TRACE(a.name.toStdString());
        EXPECT_NE(a.id, b.id);
        std::tie(b.id, b.modified) = std::tie(a.id, a.modified);
        ASSERT_EQ(a.elements.size(), b.elements.size());
        EXPECT_FALSE(a.elements.isEmpty());
        for (qsizetype i = 0; i < a.elements.size(); ++i) {
            const LabelElement& e = a.elements[i];
            EXPECT_NE(e.id, b.elements[i].id);
            b.elements[i].id = e.id;
            EXPECT_TRUE(e.x >= 0 && e.y >= 0 && e.x + e.width <= a.widthMM &&
                        e.y + e.height <= a.heightMM);
        }
        EXPECT_EQ(a, b);
    }
}

} // namespace
