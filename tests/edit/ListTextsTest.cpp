#include "LabelKit/edit/ListTexts.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace Qt::StringLiterals;

TEST(ListTextsTest, RowsBeyondTheListShowItsEnds) {
    struct Case {
        qsizetype row, count;
        QString rowOf, position;
    };
    const Case cases[] = {
        {0, 5, u"Row 1 of 5"_s, u"1 of 5"_s},
        {4, 5, u"Row 5 of 5"_s, u"5 of 5"_s},
        {9, 5, u"Row 5 of 5"_s, u"5 of 5"_s},
        {-3, 5, u"Row 1 of 5"_s, u"1 of 5"_s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ListTexts::rowOf(c.row, c.count), c.rowOf) << c.row << " of " << c.count;
        EXPECT_EQ(ListTexts::position(c.row, c.count), c.position) << c.row << " of " << c.count;
    }
}

TEST(ListTextsTest, CaptionCountsTicksOnlyWhenThereAreAny) {
    EXPECT_EQ(ListTexts::caption(12, 0), u"12 rows"_s);
    EXPECT_EQ(ListTexts::caption(12, 2), u"2 selected"_s);
    EXPECT_EQ(ListTexts::columns({u"SKU"_s, u"Name"_s}), u"Columns: SKU, Name"_s);
}
