#include "LabelKit/model/UserError.h"
#include "LabelKit/render/LabelRenderer.h"

#include "tests/render/RenderTesting.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantrel;

using namespace rendertest;

namespace {

struct SizeCase {
    double widthMM;
    double heightMM;
    int scale;
    qint64 width;
    qint64 height;
};

TEST(RasterSize, FollowsTheDotsAndTheScale) {
    const SizeCase cases[] = {{50, 30, 1, 400, 240},    {50, 30, 3, 1200, 720},
                              {0.5, 30, 1, 8, 240},     // raised to the 8-dot minimum
                              {50.0625, 1, 1, 401, 8},  // 400.5 rounds away from zero
                              {50.06, 30, 1, 400, 240}, // 400.48
                              {40, 30, 0, 320, 240},    // scale 0 acts as 1
                              {40, 30, -4, 320, 240},   // and so does a negative one
                              {0.01, 0.06, 2, 16, 16}};
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.widthMM));
        for (const bool exact : {true, false}) {
            const RenderedLabel label = render(document(c.widthMM, c.heightMM), exact, c.scale);
            EXPECT_EQ(label.width, c.width);
            EXPECT_EQ(label.height, c.height);
            ASSERT_EQ(label.pixels.size(), c.width * c.height);
            // A design without elements is blank paper in either mode.
            EXPECT_EQ(label.pixels.count(char(255)), c.width * c.height);
        }
    }
}
// sizes below the minimum

TEST(RenderedLabel, PackedRowsBurnWhatIsBelow128) {
    RenderedLabel edge = filled(2, 1);
    edge.pixels = QByteArray("\x7f\x80", 2);
    EXPECT_TRUE(edge.isBlack(0, 0) && !edge.isBlack(1, 0));
    QRandomGenerator random(17);
    for (const qint64 width : {1, 7, 8, 9, 63, 401}) {
        RenderedLabel label = filled(width, 5, 255);
        for (char& c : label.pixels) {
            c = char(random.bounded(256));
        }
        const QByteArray packed = label.packedRows();
        const qint64 rowBytes = (width + 7) / 8;
        ASSERT_EQ(packed.size(), rowBytes * 5);
        for (qint64 y = 0; y < label.height; ++y) {
            for (qint64 x = 0; x < rowBytes * 8; ++x) {
                const bool bit = uchar(packed[y * rowBytes + x / 8]) & (0x80 >> (x % 8));
                // A clear bit is a burned dot; bits past the width stay set.
                EXPECT_EQ(!bit, x < width && label.isBlack(x, y)) << width << " " << x << "," << y;
            }
        }
    }
}

// The image shares the raster's pixels, writing to either side leaves the other as it was, and
// it outlives the raster.
TEST(RenderedLabel, ImageSharesThePixelsAndOutlivesTheRaster) {
    QImage image;
    {
        RenderedLabel label = filled(13, 3, 255);
        label.pixels[14] = char(0);
        image = label.image();
        EXPECT_EQ(image.format(), QImage::Format_Grayscale8);
        EXPECT_EQ(image.size(), QSize(13, 3));
        EXPECT_EQ(image.constBits(), reinterpret_cast<const uchar*>(label.pixels.constData()));
        QImage(image).setPixel(0, 0, 0);
        label.pixels[1] = char(0);
        EXPECT_EQ(qGray(image.pixel(1, 0)) + uchar(label.pixels[0]), 2 * 255);
    }
    EXPECT_EQ(qGray(image.pixel(1, 1)), 0);
    EXPECT_TRUE(RenderedLabel().image().isNull());
}

struct ProblemCase {
    const char* name;
    double widthMM;
    double heightMM;
    int scale;
    const char* message; // nullptr: renders
};

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(SizeProblem, IsReportedAndRefused) {
    const ProblemCase cases[] = {
        {"NotANumber", nan, 30, 1, "The label's width (nan mm) is not a size that can be printed."},
        {"Infinite", 40, -inf, 1,
         "The label's height (-inf mm) is not a size that can be printed."},
        {"Zero", 0, 30, 1, "The label's width (0 mm) is not a size that can be printed."},
        {"Negative", 40, -40, 1, "The label's height (-40 mm) is not a size that can be printed."},
        {"BeyondTheDotRange", 1.2e18, 30, 1,
         "The label's width (1.2e+18 mm) is not a size that can be printed."},
        {"TenMetresSquare", 10000, 10000, 1,
         "The label is too large to draw: 10000 × 10000 mm is more than 268 million "
         "printer dots."},
        {"HugeScale", 50, 30, 1000000,
         "The label is too large to draw at 1000000×: 50 × 30 mm is more than 268 "
         "million pixels."},
        {"ProductWouldOverflow", 1e15, 1e15, 1,
         "The label is too large to draw: 1e+15 × 1e+15 mm is more than 268 million "
         "printer dots."},
        // The bound is on the product of both sides: 2^28 pixels exactly fit, a row more not.
        {"TheBound", 2048, 2048, 1, nullptr},
        {"OneRowMore", 2048, 2048.125, 1, ""},
        {"TheBoundScaled", 1024, 1024, 2, nullptr},
        {"OneRowMoreScaled", 1024, 1024.125, 2, ""},
        {"TenMetresLong", 10000, 30, 1, nullptr},
        {"LargeButDrawable", 1024, 512, 2, nullptr}};
    for (const ProblemCase& c : cases) {
        SCOPED_TRACE(c.name);
        const LabelDocument doc = document(c.widthMM, c.heightMM);
        const auto problem = LabelRenderer::sizeProblem(doc, c.scale);
        if (!c.message) {
            EXPECT_FALSE(problem) << problem->toStdString();
            continue;
        }
        ASSERT_TRUE(problem);
        if (*c.message) { // "": any message
            EXPECT_EQ(*problem, QString::fromUtf8(c.message));
        }
        try {
            LabelRenderer::render(doc, context(), c.scale, true);
            ADD_FAILURE() << "rendered a design that cannot be drawn";
        } catch (const UserError& e) {
            EXPECT_EQ(e.message(), *problem);
        }
    }
}

} // namespace
