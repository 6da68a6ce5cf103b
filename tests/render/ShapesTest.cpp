#include "tests/render/RenderTesting.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <limits>

using namespace vantrel;

using namespace Qt::StringLiterals;

using namespace rendertest;

namespace {

void golden(const QString& name, const RenderedLabel& label) {
    expectGolden(u"render-shapes.txt"_s, name, label);
}

// A 3 x 2 mm label: 24 x 16 dots, small enough to read as ASCII art.
RenderedLabel small(QList<LabelElement> elements) {
    return render(document(3, 2, std::move(elements)));
}

LabelElement box(double x, double y, double w, double h, double strokeMM, bool filled = false) {
    LabelElement e = element(ElementKind::box, x, y, w, h);
    e.strokeMM = strokeMM;
    e.filled = filled;
    return e;
}

LabelElement ellipse(double x, double y, double w, double h, double strokeMM, bool filled) {
    LabelElement e = box(x, y, w, h, strokeMM, filled);
    e.kind = ElementKind::ellipse;
    return e;
}

// A 12 x 12 picture of the letter F, pure black on white, so that a turn is plain to see.
QImage letterF() {
    QImage image(12, 12, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter painter(&image);
    painter.fillRect(2, 1, 2, 10, Qt::black);
    painter.fillRect(4, 1, 6, 2, Qt::black);
    painter.fillRect(4, 5, 4, 2, Qt::black);
    return image;
}

LabelElement turnedF(qint64 rotation) {
    LabelElement e = picture(letterF(), 0.75, 0.25, 1.5, 1.5);
    e.rotation = rotation;
    return e;
}

TEST(Shapes, GoldenRasters) {
    LabelElement line = element(ElementKind::line, 0.25, 0.5, 2.5, 0.25);
    line.strokeMM = 3; // plays no part
    golden(u"line"_s, small({line}));
    golden(u"lines running off the label's edges"_s,
           small({element(ElementKind::line, -1, 1, 5, 0.25),
                  element(ElementKind::line, 2, -0.5, 0.25, 3)}));
    golden(u"filled box"_s, small({box(0.5, 0.25, 2, 1.5, 0.5, true)}));
    golden(u"filled box"_s, small({box(0.5, 0.25, 2, 1.5, 5, true)})); // the stroke plays no part
    golden(u"outlined box, stroke 0"_s, small({box(0.5, 0.25, 2, 1.5, 0)}));
    golden(u"outlined box, stroke 0.25 mm"_s, small({box(0.5, 0.25, 2, 1.5, 0.25)}));
    golden(u"outlined box, stroke thicker than the box"_s, small({box(0.5, 0.25, 1, 1, 2)}));
    golden(u"filled ellipse"_s, small({ellipse(0.25, 0.25, 2.5, 1.5, 0.5, true)}));
    golden(u"outlined ellipse, stroke 0.25 mm"_s,
           small({ellipse(0.25, 0.25, 2.5, 1.5, 0.25, false)}));
    LabelElement broken = element(ElementKind::image, 0, 0, 3, 2);
    broken.imageData = QByteArray("not a picture");
    golden(u"invalid-content mark"_s, small({broken}));
    for (const int rotation : {0, 90, 180, 270}) {
        golden(u"picture turned %1"_s.arg(rotation), small({turnedF(rotation)}));
    }
}

TEST(Shapes, RotationIsSnappedDownToQuarterTurns) {
    const QList<std::pair<qint64, qint64>> snaps{{45, 0},   {135, 90},  {-90, 270}, {450, 90},
                                                 {-1, 270}, {719, 270}, {-360, 0}};
    for (const auto& [stored, drawn] : snaps) {
        EXPECT_EQ(small({turnedF(stored)}).pixels, small({turnedF(drawn)}).pixels) << stored;
    }
    EXPECT_NE(small({turnedF(0)}).pixels, small({turnedF(90)}).pixels);
    // Extreme stored angles still land on a quarter turn.
    EXPECT_EQ(small({turnedF(std::numeric_limits<qint64>::min())}).pixels,
              small({turnedF(std::numeric_limits<qint64>::min() % 360 + 360)}).pixels);
}

TEST(Shapes, RotatedShapesKeepTheirBox) {
    for (const ElementKind kind : {ElementKind::line, ElementKind::box}) {
        LabelElement e = element(kind, 1, 2, 6, 2);
        e.filled = true;
        const RenderedLabel flat = render(document(10, 10, {e}));
        for (const int rotation : {90, 180, 270}) {
            e.rotation = rotation;
            EXPECT_EQ(render(document(10, 10, {e})).pixels, flat.pixels) << rotation;
        }
    }
}

TEST(Shapes, LaterElementsPaintOverEarlierOnesAndPicturesLieBeneath) {
    QImage white(8, 8, QImage::Format_Grayscale8);
    white.fill(255);
    // The opaque white picture comes last in the list but is drawn first, under the box.
    const RenderedLabel label =
        render(document(4, 4, {box(1, 1, 2, 2, 0, true), picture(white, 0, 0, 4, 4)}));
    EXPECT_EQ(ink(label), QRect(8, 8, 16, 16));
    EXPECT_EQ(blackCount(label), 256);
}

TEST(Shapes, PreviewScaleMagnifies) {
    const LabelDocument doc = document(3, 2, {box(0.5, 0.25, 2, 1.5, 0.25)});
    const RenderedLabel one = render(doc, false, 1);
    const RenderedLabel three = render(doc, false, 3);
    EXPECT_EQ(ink(three), QRect(12, 6, 48, 36));
    for (qint64 i = 0; i < three.pixels.size(); ++i) {
        const qint64 x = i % three.width;
        const qint64 y = i / three.width;
        ASSERT_EQ(three.isBlack(x, y), one.isBlack(x / 3, y / 3)) << x << "," << y;
    }
}

TEST(Shapes, ExactModeHoldsOnlyBlackAndWhite) {
    // A box a half dot off the grid, and an ellipse: antialiased edges in the preview.
    const LabelDocument doc =
        document(4, 4, {box(0.0625, 0.0625, 2, 2, 0.3), ellipse(1, 1, 2.5, 2.5, 0, true)});
    EXPECT_FALSE(onlyBlackAndWhite(render(doc, false)));
    EXPECT_TRUE(onlyBlackAndWhite(render(doc, true)));
    EXPECT_TRUE(onlyBlackAndWhite(render(doc, true, 3)));
}

TEST(Shapes, ElementsBeyondAnyLabelAreLeftOutAndOddSizesStillDraw) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const LabelElement visible = box(0.5, 0.5, 1, 1, 0, true);
    const RenderedLabel expected = small({visible});
    QList<LabelElement> hostile;
    for (const double bad : {nan, inf, -inf, 1e300, -1e300}) {
        hostile.append(element(ElementKind::line, bad, 0, 1, 1));
        hostile.append(element(ElementKind::box, 0, bad, 1, 1));
        hostile.append(element(ElementKind::ellipse, 0, 0, bad, 1));
        hostile.append(text(u"x"_s, 0, 0, 1, bad));
    }
    hostile.append(visible);
    EXPECT_EQ(small(hostile).pixels, expected.pixels);
    // Odd strokes and sizes still draw. A width that is not a number counts as the 1-dot minimum,
    // like a negative one.
    LabelElement stroke = box(0.5, 0.25, 2, 1.5, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(small({stroke}).pixels, small({box(0.5, 0.25, 2, 1.5, 0)}).pixels);
    stroke.strokeMM = -3;
    EXPECT_EQ(small({stroke}).pixels, small({box(0.5, 0.25, 2, 1.5, 0)}).pixels);
    // A box of no size is still one dot.
    EXPECT_EQ(blackCount(small({box(1.0625, 1.0625, 0, -5, 0, true)})), 1);
    // A line far longer than the label crosses all of it.
    const RenderedLabel across = small({element(ElementKind::line, -5000, 1, 10000, 0.25)});
    EXPECT_EQ(ink(across), QRect(0, 8, 24, 2));
}

} // namespace
