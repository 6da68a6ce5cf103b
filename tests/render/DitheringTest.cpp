#include "LabelKit/render/Dithering.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <vector>

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

TEST(Dithering, MidGreyStartsWhiteAndAlternates) {
    // 128 is white; its error of -127 takes 7/16 (-55) to the right: 73 is black, error 73
    // gives +31: 159 white, error -96 gives -42: 86 black ...
    EXPECT_EQ(dithered(QByteArray(6, char(128)), 6, 1), row({255, 0, 255, 0, 255, 0}));
    // 127 is black from the first pixel on.
    EXPECT_EQ(uchar(dithered(QByteArray(6, char(127)), 6, 1)[0]), 0);
}

TEST(Dithering, PureBlackAndWhitePassThrough) {
    QByteArray pattern(40 * 7, char(255));
    QRandomGenerator random(3);
    for (char& c : pattern) {
        c = random.bounded(2) ? char(255) : char(0);
    }
    EXPECT_EQ(dithered(pattern, 40, 7), pattern);
    EXPECT_EQ(dithered(QByteArray(64, char(255)), 8, 8), QByteArray(64, char(255)));
}

TEST(Dithering, SharesAreTruncatedTowardZeroEachOnItsOwn) {
    // 214 is white with error -41; 7/16 of it is -17.9: truncated -17 leaves 145 - 17 = 128
    // white, where rounding or flooring to -18 would give black.
    EXPECT_EQ(dithered(row({214, 145}), 2, 1), row({255, 255}));
    // 41 is black with error 41; 7/16 is 17.9: truncated 17 leaves 110 + 17 = 127 black.
    EXPECT_EQ(dithered(row({41, 110}), 2, 1), row({0, 0}));
    // Straight below gets 5/16 of -41, -12.8 truncated to -12: 140 - 12 = 128 stays white.
    EXPECT_EQ(dithered(row({214, 140}), 1, 2), row({255, 255}));
}

TEST(Dithering, NegativeValuesAreBlackAndSpreadTheirError) {
    // 200 leaves -24 to a 0: v = -24 is black, and its error of -24 takes 135 down to 125.
    EXPECT_EQ(dithered(row({200, 0, 135}), 3, 1), row({255, 0, 0}));
}

TEST(Dithering, SharesOutsideTheRasterAreDropped) {
    // A one-pixel-wide column passes only the share straight below (37 of 120); in a 2 x 2
    // raster the right column gives 22 below left and 37 below, nothing to the right.
    EXPECT_EQ(dithered(row({120, 250}), 1, 2), row({0, 255}));
    EXPECT_EQ(dithered(row({255, 120, 255, 120}), 2, 2), row({255, 0, 255, 255}));
}

// The diffusion as written: one signed 64-bit accumulator per pixel, every share truncated on
// its own; an independent oracle for larger rasters.
QByteArray reference(QByteArray pixels, qint64 width, qint64 height) {
    std::vector<qint64> error(size_t(width * height), 0);
    auto* p = reinterpret_cast<uchar*>(pixels.data());
    for (qint64 y = 0; y < height; ++y) {
        for (qint64 x = 0; x < width; ++x) {
            const qint64 i = y * width + x;
            const qint64 v = p[i] + error[size_t(i)];
            const qint64 e = v < 128 ? v : v - 255;
            p[i] = v < 128 ? 0 : 255;
            if (x + 1 < width) {
                error[size_t(i + 1)] += e * 7 / 16;
            }
            if (y + 1 < height && x > 0) {
                error[size_t(i + width - 1)] += e * 3 / 16;
            }
            if (y + 1 < height) {
                error[size_t(i + width)] += e * 5 / 16;
            }
            if (y + 1 < height && x + 1 < width) {
                error[size_t(i + width + 1)] += e * 1 / 16;
            }
        }
    }
    return pixels;
}

TEST(Dithering, MatchesTheAlgorithmOnRandomRasters) {
    QRandomGenerator random(11);
    for (const auto& [w, h] :
         {std::pair<qint64, qint64>{1, 1}, {1, 9}, {9, 1}, {31, 17}, {400, 240}}) {
        QByteArray pixels(w * h, 0);
        for (char& c : pixels) {
            c = char(random.bounded(256));
        }
        EXPECT_EQ(dithered(pixels, w, h), reference(pixels, w, h)) << w << "x" << h;
    }
}

TEST(Dithering, KeepsTheMeanTone) {
    for (const int level : {16, 64, 100, 128, 190, 240}) {
        const QByteArray out = dithered(QByteArray(200 * 200, char(level)), 200, 200);
        const double white = double(out.count(char(255))) / out.size();
        EXPECT_NEAR(white * 255, level, 3) << level;
    }
}

} // namespace
