#include "LabelKit/render/PicturePainter.h"

#include "tests/render/RenderTesting.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace vantrel;

using namespace rendertest;

namespace {

QImage solid(int w, int h, QColor color, QImage::Format format = QImage::Format_RGB32) {
    QImage image(w, h, format);
    image.fill(color);
    return image;
}

// A picture element in a box given in dots (on a 40 x 40 mm label, 320 x 320 dots).
RenderedLabel pictured(const QByteArray& bytes, int x, int y, int w, int h, bool exact = false) {
    LabelElement e = element(ElementKind::image, x / 8.0, y / 8.0, w / 8.0, h / 8.0);
    e.imageData = bytes;
    return render(document(40, 40, {e}), exact);
}

TEST(Pictures, ScaledToFitAndCentred) {
    // 100 x 50 pixels in a 200 x 200 box: 200 x 100, 50 dots free above and below.
    const QByteArray wide = encoded(solid(100, 50, Qt::black));
    EXPECT_EQ(ink(pictured(wide, 40, 40, 200, 200)), QRect(40, 90, 200, 100));
    // 50 x 100 in a 200 x 100 box: 50 x 100, 75 dots free left and right.
    const QByteArray tall = encoded(solid(50, 100, Qt::black));
    EXPECT_EQ(ink(pictured(tall, 40, 40, 200, 100)), QRect(115, 40, 50, 100));
    // Small pictures are enlarged as well.
    EXPECT_EQ(ink(pictured(encoded(solid(4, 2, Qt::black)), 0, 0, 100, 100)),
              QRect(0, 25, 100, 50));
}

TEST(Pictures, TransparentPartsShowThePaper) {
    QImage image = solid(20, 20, Qt::transparent, QImage::Format_ARGB32);
    QPainter(&image).fillRect(0, 0, 10, 20, Qt::black);
    const RenderedLabel label = pictured(encoded(image), 0, 0, 200, 200);
    EXPECT_EQ(ink(label), QRect(0, 0, 100, 200));
    EXPECT_EQ(pixel(label, 150, 100), 255);
    // Half-transparent black is a mid grey on the paper.
    const RenderedLabel half =
        pictured(encoded(solid(4, 4, QColor(0, 0, 0, 128), QImage::Format_ARGB32)), 0, 0, 80, 80);
    EXPECT_NEAR(pixel(half, 40, 40), 127, 3);
}

TEST(Pictures, ColoursBecomeGreyLevels) {
    // Darker to lighter as the eye sees them, all between black and white.
    int darker = 0;
    for (const QColor colour : {Qt::blue, Qt::red, Qt::green, Qt::yellow, Qt::white}) {
        const int grey = pixel(pictured(encoded(solid(8, 8, colour)), 0, 0, 80, 80), 40, 40);
        EXPECT_GT(grey, darker) << colour.name().toStdString();
        darker = grey;
    }
}

TEST(Pictures, PreviewKeepsGreysAndPrintDithers) {
    const QByteArray grey = encoded(solid(10, 10, QColor(128, 128, 128)));
    const RenderedLabel preview = pictured(grey, 40, 40, 160, 160, false);
    EXPECT_EQ(pixel(preview, 100, 100), 128);
    EXPECT_FALSE(onlyBlackAndWhite(preview));
    const RenderedLabel print = pictured(grey, 40, 40, 160, 160, true);
    EXPECT_TRUE(onlyBlackAndWhite(print));
    const double black = double(blackCount(print, QRect(40, 40, 160, 160))) / (160 * 160);
    EXPECT_NEAR(black, 0.5, 0.02);
    // Outside the picture the paper stays white.
    EXPECT_EQ(blackCount(print, QRect(0, 0, 320, 40)), 0);
}

TEST(Pictures, TextOverAPictureStaysCrisp) {
    // Dithering happens before text and shapes are drawn: a white box edge over grey keeps its
    // straight black outline.
    LabelElement e = element(ElementKind::image, 0, 0, 40, 40);
    e.imageData = encoded(solid(10, 10, QColor(200, 200, 200)));
    LabelElement frame = element(ElementKind::box, 5, 5, 30, 30);
    frame.strokeMM = 0.5;
    const RenderedLabel label = render(document(40, 40, {frame, e}));
    EXPECT_EQ(blackCount(label, QRect(40, 40, 240, 4)), 240 * 4);
}

TEST(Pictures, WhatCannotBeDecodedShowsTheMark) {
    const QRect box(40, 40, 160, 80);
    expectInvalidMark(pictured(QByteArray(), 40, 40, 160, 80), box, false);
    expectInvalidMark(render(document(40, 40, {element(ElementKind::image, 5, 5, 20, 10)}), false),
                      box, false);
    // A truncated file is not a picture either.
    const QByteArray png = encoded(solid(64, 64, Qt::black));
    expectInvalidMark(pictured(png.left(40), 40, 40, 160, 80), box, false);
}

// A GIF of 2 x 2 pixels with a black and white palette, and frames of either colour.
const QByteArray gifHeader = QByteArray::fromHex("474946383961 0200 0200 800000 000000 ffffff");
const QByteArray blackFrame = QByteArray::fromHex("2c 00000000 0200 0200 00 02 04 04411005 00");
const QByteArray whiteFrame = QByteArray::fromHex("2c 00000000 0200 0200 00 02 04 0cc33005 00");

TEST(Pictures, OnlyTheFirstImageIsUsed) {
    const QImage black = PicturePainter::decode(gifHeader + blackFrame + whiteFrame + ";");
    const QImage white = PicturePainter::decode(gifHeader + whiteFrame + blackFrame + ";");
    ASSERT_FALSE(black.isNull());
    ASSERT_FALSE(white.isNull());
    EXPECT_EQ(qGray(black.pixel(1, 1)), 0);
    EXPECT_EQ(qGray(white.pixel(1, 1)), 255);
}

// An EXIF segment whose orientation tag is 6: the stored pixels must be turned a quarter turn
// clockwise to stand upright.
const QByteArray turnedSegment = QByteArray::fromHex(
    "ffe1 0022 457869660000 4d4d002a00000008 0001 0112 0003 00000001 0006 0000 00000000");

TEST(Pictures, OrientationTagsAreHonoured) {
    // Stored 40 x 20 with the black half on the left; shown upright it is 20 x 40, black on top.
    QImage stored = solid(40, 20, Qt::white);
    QPainter(&stored).fillRect(0, 0, 20, 20, Qt::black);
    const QByteArray jpeg = encoded(stored, "JPG", 95);
    const QImage upright = PicturePainter::decode(jpeg.left(2) + turnedSegment + jpeg.mid(2));
    ASSERT_EQ(upright.size(), QSize(20, 40));
    EXPECT_LT(qGray(upright.pixel(10, 5)), 64);
    EXPECT_GT(qGray(upright.pixel(10, 35)), 192);
}

} // namespace
