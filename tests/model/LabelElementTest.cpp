#include "LabelKit/model/LabelDocument.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

TEST(LabelElement, EqualityCoversEveryFieldAndEachNewElementHasItsOwnId) {
    const LabelElement a(ElementKind::image);
    LabelElement b = a;
    EXPECT_EQ(a, b);
    EXPECT_EQ(qHash(a), qHash(b));
    b.imageData = QByteArray();
    EXPECT_NE(a, b); // an empty picture is not an absent one
    b = a;
    b.locked = true;
    EXPECT_NE(a, b);
    EXPECT_NE(a, LabelElement(ElementKind::image)); // only the id differs
}

TEST(QuarterTurn, KeepsTheCentreSwapsTheSidesAndFourRestoreTheBox) {
    LabelElement e(ElementKind::text);
    e.rotateQuarter();
    EXPECT_EQ(e.x, 13.5);
    EXPECT_EQ(e.y, -9.5);
    EXPECT_EQ(e.width, 7);
    EXPECT_EQ(e.height, 30);
    EXPECT_EQ(e.rotation, 90);

    const LabelElement start(ElementKind::barcode);
    e = start;
    for (int i = 0; i < 4; ++i) {
        e.rotateQuarter();
    }
    EXPECT_EQ(e, start);
}

TEST(QuarterTurn, TheRemainderTakesTheSignOfTheAngle) {
    LabelElement e;
    const std::pair<qint64, qint64> turns[] = {{270, 0},   {-90, 0},  {-180, -90},
                                               {-450, -0}, {45, 135}, {350, 80}};
    for (const auto& [from, to] : turns) {
        e.rotation = from;
        e.rotateQuarter();
        EXPECT_EQ(e.rotation, to) << from;
    }
    // No overflow at the top of the range.
    e.rotation = std::numeric_limits<qint64>::max();
    e.rotateQuarter();
    EXPECT_EQ(e.rotation, (std::numeric_limits<qint64>::max() % 360 + 90) % 360);
}

} // namespace
