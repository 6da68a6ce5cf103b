#include "LabelKit/model/LabelFont.h"
#include "LabelKit/render/ElementPainter.h"
#include "LabelKit/render/FaceLibrary.h"
#include "LabelKit/render/TextBlock.h"

#include "tests/render/RenderTesting.h"

#include <QRawFont>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

using namespace vantrel;

using namespace Qt::StringLiterals;

using namespace rendertest;

namespace {

// Ink of one text element alone on a 60 x 40 mm label (480 x 320 dots).
RenderedLabel alone(const LabelElement& e) {
    return render(document(60, 40, {e}));
}

// A text box given in dots (whole millimetre eighths).
LabelElement textInDots(const QString& content, int x, int y, int w, int h, double points = 12) {
    return text(content, x / 8.0, y / 8.0, w / 8.0, h / 8.0, points);
}

// Four numbers in dots: x y width height.
QRect dots(const QString& text) {
    const QStringList n = text.split(u' ');
    return QRect(n[0].toInt(), n[1].toInt(), n[2].toInt(), n[3].toInt());
}

TEST(Text, LandsInItsBoxAsLaidOut) {
    for (const QStringList& c : testsupport::dataTable(u"text-placements.txt"_s)) {
        const QRect b = dots(c[2]);
        LabelElement e = textInDots(c[1], b.x(), b.y(), b.width(), b.height(), c[5].toDouble());
        e.align = *fromRawValue<TextAlign>(c[4]);
        EXPECT_EQ(ink(alone(e)), dots(c[3])) << c[0].toStdString();
    }
}

// The ink of a raster turned a quarter turn clockwise.
QRect turnedClockwise(const QRect& r, qint64 height) {
    return QRect(int(height) - 1 - r.bottom(), r.left(), r.height(), r.width());
}

TEST(Text, TurnedTextWrapsAtTheBoxHeight) {
    const QString words = u"HHH HHH HHH HHH"_s;
    // The same content laid out in a 30 x 10 mm box, and turned inside a 10 x 30 mm box.
    const LabelDocument flat = document(40, 22, {text(words, 6, 6, 30, 10, 14)});
    LabelElement turned = text(words, 6, 6, 10, 30, 14);
    turned.rotation = 90;
    const RenderedLabel upright = render(flat);
    const RenderedLabel sideways = render(document(22, 40, {turned}));
    // Both are laid out in a 240 x 80 dot rectangle, in two lines of 39.5 dots.
    const QRect expected = turnedClockwise(ink(upright), upright.height);
    const QRect actual = ink(sideways);
    EXPECT_TRUE(expected.adjusted(-1, -1, 1, 1).contains(actual) &&
                actual.adjusted(-1, -1, 1, 1).contains(expected));
    EXPECT_GT(actual.width(), 1.5 * TextBlock::dots(14));
}

TEST(Text, MagnifiedPreviewsDrawTheSameGlyphs) {
    // Upright text at four pixels a dot is drawn from cached glyph masks, turned text from
    // outlines; turned back, the two agree.
    const QString words = u"Preview Hamburgefonstiv 0123"_s;
    LabelElement upright = text(words, 5, 5, 30, 10, 20);
    LabelElement turned = upright;
    turned.rotation = 180;
    const RenderedLabel masks = render(document(40, 20, {upright}), false, 4);
    const RenderedLabel outlines = render(document(40, 20, {turned}), false, 4);
    const QString back = ascii(outlines);
    const QString art = ascii(masks);
    ASSERT_EQ(art.size(), back.size());
    qint64 differing = 0;
    for (qsizetype i = 0; i + 1 < art.size(); ++i) { // the last line feed has no partner
        differing += art[i] != back[back.size() - 2 - i] && art[i] != u'\n' ? 1 : 0;
    }
    const qint64 inked = art.count(u'#');
    EXPECT_GT(inked, 20000);
    EXPECT_LT(double(differing) / inked, 0.03);
}

TEST(Text, BoldAndFamiliesChangeTheFace) {
    auto width = [](const QString& family, bool bold) {
        LabelElement e = textInDots(u"Hamburgefonstiv"_s, 8, 8, 460, 100);
        e.fontFamily = family;
        e.bold = bold;
        return ink(alone(e)).width();
    };
    const int helvetica = width(u"Helvetica"_s, false);
    EXPECT_GT(width(u"Helvetica"_s, true), helvetica);
    EXPECT_LT(width(u"Avenir Next Condensed"_s, false), helvetica * 0.9);
    EXPECT_NE(width(u"Georgia"_s, false), helvetica);
    // Names the table lacks, and names in the wrong case, draw as Helvetica.
    EXPECT_EQ(width(u"Comic Sans"_s, false), helvetica);
    EXPECT_EQ(width(u"helvetica"_s, false), helvetica);
}

TEST(Text, EveryLabelFontLoadsItsOwnFile) {
    for (const LabelFont& font : LabelFont::all()) {
        for (const bool bold : {false, true}) {
            const FaceLibrary::Face& face = FaceLibrary::face(font.family, bold);
            EXPECT_EQ(face.faceName, font.face(bold));
            const QString path =
                QStandardPaths::locate(QStandardPaths::GenericDataLocation, face.fileName);
            ASSERT_FALSE(path.isEmpty())
                << face.fileName.toStdString() << " is missing: run scripts/setup.sh";
            ASSERT_TRUE(face.loaded) << face.faceName.toStdString();
            // Qt resolves the face to exactly that file, not to another copy of the family.
            const QRawFont chosen = QRawFont::fromFont(face.font(200));
            const QRawFont file(path, 200);
            EXPECT_EQ(chosen.fontTable("head"), file.fontTable("head")) << path.toStdString();
            EXPECT_EQ(chosen.fontTable("name"), file.fontTable("name")) << path.toStdString();
        }
    }
}

TEST(Text, PlaceholdersAreExpandedAndEmptyTextDrawsNothing) {
    EXPECT_EQ(alone(textInDots(u"{serial}"_s, 8, 8, 200, 100)).pixels,
              alone(textInDots(u"7"_s, 8, 8, 200, 100)).pixels);
    EXPECT_EQ(blackCount(alone(textInDots(QString(), 8, 8, 200, 100))), 0);
}

TEST(Text, UndrawableSizesShowTheInvalidMark) {
    for (const double points : {0.0, -3.0, std::numeric_limits<double>::quiet_NaN(),
                                std::numeric_limits<double>::infinity(), 20000.0}) {
        SCOPED_TRACE(points);
        expectInvalidMark(alone(textInDots(u"H"_s, 16, 16, 96, 64, points)), QRect(16, 16, 96, 64));
    }
}

TEST(FittedSize, ShrinksByHalfPoints) {
    for (const QStringList& c : testsupport::dataTable(u"text-fit.txt"_s)) {
        LabelElement e(ElementKind::text);
        e.fontSize = c[2].toDouble();
        e.shrinkToFit = true;
        const double fitted =
            LabelRenderer::fittedFontSize(c[1], e, QSizeF(c[3].toDouble(), c[4].toDouble()));
        const double expected = c[5].toDouble();
        EXPECT_TRUE(std::abs(fitted - expected) < 1e-9 ||
                    (std::isnan(fitted) && std::isnan(expected)))
            << c[0].toStdString() << ": " << fitted;
    }
}

// The search skips and bisects; what it finds is still the largest half-point step that fits:
// wrapped within the box's height and no word wider than the box, each within half a dot.
TEST(FittedSize, IsTheLargestStepThatFits) {
    const QImage device(1, 1, QImage::Format_Grayscale8);
    const FaceLibrary::Face& face = FaceLibrary::face(u"Helvetica"_s, false);
    const auto fits = [&](const QString& text, double points, QSizeF box) {
        QStringList words = text.split(QRegularExpression(u"[ \n]"_s), Qt::SkipEmptyParts);
        return TextBlock::widestLine(words, face, points, &device) <= box.width() + 0.5 &&
               TextBlock(text, face, points, TextAlign::left, box.width(), &device).height() <=
                   box.height() + 0.5;
    };
    const QString sentence = u"The quick brown fox jumps over the lazy dog, twice. "_s;
    for (const auto& [text, start, box] :
         {std::tuple(sentence.repeated(8), 40.0, QSizeF(320, 200)),
          std::tuple(sentence.repeated(40), 300.0, QSizeF(1600, 900)),
          std::tuple(u"Wide\nlines of Wwwwwwwwwwww"_s, 72.5, QSizeF(150, 400)),
          std::tuple(u"x "_s.repeated(600), 1000.0, QSizeF(400, 240))}) {
        LabelElement e(ElementKind::text);
        e.fontSize = start;
        e.shrinkToFit = true;
        const double fitted = LabelRenderer::fittedFontSize(text, e, box);
        SCOPED_TRACE(testing::Message() << start << " in " << box.width() << "x" << box.height());
        ASSERT_GT(fitted, 4);
        EXPECT_TRUE(fits(text, fitted, box));
        EXPECT_FALSE(fits(text, fitted + 0.5, box));
    }
}

TEST(FittedSize, DrawingUsesTheFittedSize) {
    LabelElement e = textInDots(u"Shrink this long line to fit"_s, 16, 16, 200, 40, 30);
    const QRect unfitted = ink(alone(e));
    e.shrinkToFit = true;
    const QRect fitted = ink(alone(e));
    EXPECT_GT(unfitted.bottom(), 16 + 40);
    EXPECT_TRUE(QRect(16, 16, 200, 40).contains(fitted));
}

} // namespace
