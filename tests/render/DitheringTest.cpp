#include "LabelKit/render/Dithering.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

QByteArray dithered(QByteArray pixels, qint64 width, qint64 height) {
    Dithering::floydSteinberg(reinterpret_cast<uchar*>(pixels.data()), width, height);
    return pixels;
}

QByteArray row(std::initializer_list<int> values) {
    QByteArray bytes;
    for (const int v : values) {
        bytes.append(char(v));
    }
    return bytes;
}

// Small rasters worked by hand: threshold 128, shares of 7, 3, 5 and 1 sixteenths each
// truncated toward zero on its own, shares beyond the raster dropped.
TEST(Dithering, DiffusesTheErrorAsWorkedByHand) {
    struct Case {
        QByteArray in;
        qint64 width;
        QByteArray out;
    };
    const Case cases[] = {
        // 128 is white, error -127 takes -55 right: 73 black, error 73 gives +31: 159 white ...
        {QByteArray(6, char(128)), 6, row({255, 0, 255, 0, 255, 0})},
        {QByteArray(2, char(127)), 2, row({0, 255})},
        // 214: error -41, 7/16 is -17.9 truncated to -17: 145 - 17 = 128 stays white.
        {row({214, 145}), 2, row({255, 255})},
        {row({41, 110}), 2, row({0, 0})},
        // 100 is black with error 100; 7/16 of it, 43, lifts 90 to 133: white.
        {row({100, 90}), 2, row({0, 255})},
        // Straight below gets 5/16 of -41 = -12: 140 - 12 = 128.
        {row({214, 140}), 1, row({255, 255})},
        // A negative value is black and spreads its (negative) error: -24 takes 135 to 125.
        {row({200, 0, 135}), 3, row({255, 0, 0})},
        // A 2 x 2 raster: the right column gives 22 below left and 37 below, nothing right.
        {row({255, 120, 255, 120}), 2, row({255, 0, 255, 255})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dithered(c.in, c.width, c.in.size() / c.width), c.out) << c.in.toHex().data();
    }
}

TEST(Dithering, BlackAndWhitePassThroughAndGreysKeepTheirMeanTone) {
    QByteArray pattern(40 * 7, char(255));
    QRandomGenerator random(3);
    for (char& c : pattern) {
        c = random.bounded(2) ? char(255) : char(0);
    }
    EXPECT_EQ(dithered(pattern, 40, 7), pattern);
    for (const int level : {16, 64, 100, 128, 190, 240}) {
        const QByteArray out = dithered(QByteArray(200 * 200, char(level)), 200, 200);
        const double white = double(out.count(char(255))) / out.size();
        EXPECT_NEAR(white * 255, level, 3) << level;
    }
}

} // namespace
