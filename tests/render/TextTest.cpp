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

// Where one text element's ink lands in its box (in dots). One line of 12 pt Helvetica is
// 33.8 dots; H is 0.722 em wide with side bearings of about 2.7 dots.
struct Placement {
    const char* name;
    const char* content;
    QRect box;
    QRect ink;
    TextAlign align = TextAlign::left;
    double points = 12;
};

const char* const paragraph = "one two three four five six seven eight nine ten";

const Placement placements[] = {
    // A shorter text is centred vertically; a taller one starts at the top and spills below.
    {"Centred", "HHHH", {16, 16, 300, 100}, {19, 51, 92, 24}},
    {"CentredInATallerBox", "HHHH", {16, 16, 300, 160}, {19, 81, 92, 24}},
    {"Spills", paragraph, {16, 40, 120, 20}, {17, 44, 117, 226}},
    {"SpillsTheSame", paragraph, {16, 40, 120, 40}, {17, 44, 117, 226}},
    {"Left", "HHHH", {40, 40, 320, 60}, {43, 55, 92, 24}, TextAlign::left},
    {"Center", "HHHH", {40, 40, 320, 60}, {154, 55, 92, 24}, TextAlign::center},
    {"Right", "HHHH", {40, 40, 320, 60}, {265, 55, 92, 24}, TextAlign::right},
    // Four words of 73 dots: one line where there is room, one word a line in 100 dots; a word
    // too long for a line is broken rather than run past the box.
    {"OneLine", "HHH HHH HHH HHH", {8, 8, 460, 300}, {11, 143, 315, 24}},
    {"Wrapped", "HHH HHH HHH HHH", {8, 8, 100, 300}, {11, 92, 67, 126}},
    {"LongWordBroken", "HHHHHHHHHHHHHHHHHHHH", {8, 8, 100, 300}, {11, 75, 92, 160}},
    // Line feeds always break; a closing one adds no empty line.
    {"NoBreak", "HH", {8, 8, 460, 300}, {11, 143, 43, 24}},
    {"LineFeed", "HH\nHH", {8, 8, 460, 300}, {11, 126, 43, 58}},
    {"CarriageReturnLineFeed", "HH\r\nHH", {8, 8, 460, 300}, {11, 126, 43, 58}},
    {"EmptyLine", "HH\n\nHH", {8, 8, 460, 300}, {11, 109, 43, 92}},
    {"ClosingLineFeed", "HH\n", {8, 8, 460, 300}, {11, 143, 43, 24}},
    // Fractional sizes keep their width: 366.6 dots at 12 pt, 381.9 at 12.5 pt.
    {"Points", "HHHHHHHHHHHHHHH", {8, 8, 460, 100}, {11, 43, 360, 24}, TextAlign::left, 12},
    {"HalfPoint", "HHHHHHHHHHHHHHH", {8, 8, 460, 100}, {11, 43, 376, 25}, TextAlign::left, 12.5},
};

TEST(Text, LandsInItsBoxAsLaidOut) {
    for (const Placement& p : placements) {
        const QRect& b = p.box;
        LabelElement e =
            textInDots(QString::fromUtf8(p.content), b.x(), b.y(), b.width(), b.height(), p.points);
        e.align = p.align;
        EXPECT_EQ(ink(alone(e)), p.ink) << p.name;
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
    qint64 differing = 0;
    for (qsizetype i = 0; i < art.size(); ++i) {
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

struct FitCase {
    const char* name;
    const char* text;
    double points;
    double width;
    double height;
    double expected;
};

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// Helvetica lines are one em tall (2.819 dots a point); H is 0.722 em wide.
const FitCase fitCases[] = {
    {"FitsAtItsOwnSize", "H", 20, 1000, 1000, 20},
    {"NeverGrows", "H", 8.3, 1000, 1000, 8.3},
    {"SmallSizesAreNotMeasured", "HHHHHHHHHHHHHHHHHHHH", 3, 1, 1, 3},
    {"FourIsNotMeasured", "HHHHHHHHHHHHHHHHHHHH", 4, 1, 1, 4},
    {"LineHeight", "H", 30, 1000, 60, 21}, // 21 x 2.819 = 59.2 <= 60.5
    {"LineFeedMakesTwoLines", "H\nH", 30, 1000, 60, 10.5},
    {"WidestWord", "HHHHHHHHHH", 20, 200, 1000, 9.5}, // 10 H: 20.36 dots a point
    {"TwoSpacesMakeTwoWords", "HHHHH  HHHHH", 20, 110, 1000, 10.5},
    {"LineFeedsSplitWords", "HHHHH\nHHHHH", 20, 110, 1000, 10.5},
    {"CarriageReturnsSplitWordsToo", "HHHHH\r\nHHHHH", 20, 110, 1000, 10.5},
    {"TooLongWordGivesFour", "Incomprehensibilities", 20, 30, 1000, 4},
    {"GivesUpBelowFour", "Incomprehensibilities", 20.3, 30, 1000, 3.8},
    {"EmptyTextFits", "", 20, 1, 1, 20},
    {"HugeSizesAreSearchedQuickly", "H", 1e9, 1000, 60, 21},
    {"NotANumber", "H", nan, 100, 100, nan},
    {"Negative", "H", -5, 100, 100, -5},
};

TEST(FittedSize, ShrinksByHalfPoints) {
    for (const FitCase& c : fitCases) {
        LabelElement e(ElementKind::text);
        e.fontSize = c.points;
        e.shrinkToFit = true;
        const double fitted =
            LabelRenderer::fittedFontSize(QString::fromUtf8(c.text), e, QSizeF(c.width, c.height));
        EXPECT_TRUE(std::abs(fitted - c.expected) < 1e-9 ||
                    (std::isnan(fitted) && std::isnan(c.expected)))
            << c.name << ": " << fitted;
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
