#include "LabelKit/model/UserError.h"
#include "LabelKit/render/LabelRenderer.h"

#include "tests/render/RenderTesting.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantrel;

using namespace Qt::StringLiterals;

using namespace rendertest;

namespace {

TEST(RasterSize, FollowsTheDotsAndTheScale) {
    for (const QStringList& c : testsupport::dataTable(u"render-rasters.txt"_s)) {
        SCOPED_TRACE(c.join(u" | "_s).toStdString());
        const qint64 width = c[3].toLongLong();
        const qint64 height = c[4].toLongLong();
        for (const bool exact : {true, false}) {
            const RenderedLabel label =
                render(document(c[0].toDouble(), c[1].toDouble()), exact, c[2].toInt());
            EXPECT_EQ(label.width, width);
            EXPECT_EQ(label.height, height);
            ASSERT_EQ(label.pixels.size(), width * height);
            // A design without elements is blank paper in either mode.
            EXPECT_EQ(label.pixels.count(char(255)), width * height);
        }
    }
}

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

TEST(SizeProblem, IsReportedAndRefused) {
    for (const QStringList& c : testsupport::dataTable(u"render-sizes.txt"_s)) {
        SCOPED_TRACE(c[0].toStdString());
        const LabelDocument doc = document(c[1].toDouble(), c[2].toDouble());
        const auto problem = LabelRenderer::sizeProblem(doc, c[3].toInt());
        if (c.size() < 5) {
            EXPECT_FALSE(problem) << problem->toStdString();
            continue;
        }
        ASSERT_TRUE(problem);
        if (!c[4].isEmpty()) {
            EXPECT_EQ(*problem, c[4]);
        }
        try {
            LabelRenderer::render(doc, context(), c[3].toInt(), true);
            ADD_FAILURE() << "rendered a design that cannot be drawn";
        } catch (const UserError& e) {
            EXPECT_EQ(e.message(), *problem);
        }
    }
}

} // namespace
