#include "LabelKit/barcode/ModuleMatrix.h"
#include "LabelKit/barcode/RetailBarcode.h"
#include "LabelKit/barcode/SymbolGenerator.h"
#include "LabelKit/render/LabelRenderer.h"
#include "tests/barcode/Readers.h"
#include "tests/render/RenderTesting.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel;

using namespace Qt::StringLiterals;
using namespace rendertest;

namespace {

QString q(const char* text) {
    return QString::fromUtf8(text);
}

// Elements sit at (2 mm, 2 mm): their box starts 16 dots from the label's left and top edges.
constexpr int kBox = 16;

qint64 firstDark(const RenderedLabel& label, qint64 y) {
    for (qint64 x = 0; x < label.width; ++x) {
        if (label.isBlack(x, y)) {
            return x;
        }
    }
    return -1;
}

qint64 lastDark(const RenderedLabel& label, qint64 y) {
    for (qint64 x = label.width - 1; x >= 0; --x) {
        if (label.isBlack(x, y)) {
            return x;
        }
    }
    return -1;
}

// The modules read off one raster row: module i is the pixel in the middle of its k dots.
QString modulesAt(const RenderedLabel& label, qint64 y, qint64 x0, qint64 k, qsizetype count) {
    QString modules;
    for (qsizetype i = 0; i < count; ++i) {
        modules.append(label.isBlack(x0 + i * k + k / 2, y) ? u'1' : u'0');
    }
    return modules;
}

// Every dark run of the row starts and ends on the module grid.
void expectRunsOnGrid(const RenderedLabel& label, qint64 y, qint64 x0, qint64 k) {
    for (qint64 x = 1; x < label.width; ++x) {
        if (label.isBlack(x, y) != label.isBlack(x - 1, y)) {
            EXPECT_EQ((x - x0) % k, 0) << "edge at x = " << x;
        }
    }
}

void expectInvalidMark(const RenderedLabel& label, qint64 width, qint64 height) {
    rendertest::expectInvalidMark(label, QRect(int(kBox), int(kBox), int(width), int(height)));
}

TEST(RetailLayout, Ean13FortyMillimetresWideHasTwoDotModulesAndGuardsReachIntoTheTextBand) {
    const RetailSymbol symbol = RetailBarcode::encode(Symbology::ean13, q("400638133393"));
    const RenderedLabel label = renderElement(barcode(Symbology::ean13, q("400638133393"), 40, 12));
    // 320 dots hold 113 modules of 2 dots: 226 dots centred, 47 free on each side.
    const qint64 x0 = kBox + 65;
    EXPECT_EQ(firstDark(label, kBox + 10), x0);
    EXPECT_EQ(lastDark(label, kBox + 10), x0 + 95 * 2 - 1);
    EXPECT_EQ(modulesAt(label, kBox + 10, x0, 2, 95), moduleText(symbol.modules));
    expectRunsOnGrid(label, kBox + 10, x0, 2);
    // Lh = 96: digits at 9k = 18 dots (under 0.28 Lh = 26.9), band round(18.9) = 19, bars 77
    // dots tall, guards 9.5 dots more.
    const qint64 barsEnd = kBox + 77;
    int dataBars = 0;
    int dataBarsBelow = 0;
    for (int i = 0; i < 95; ++i) {
        const qint64 x = x0 + 2 * i;
        if (!symbol.modules[i]) {
            continue;
        }
        EXPECT_TRUE(label.isBlack(x, kBox)) << i;
        EXPECT_TRUE(label.isBlack(x, barsEnd - 1)) << i;
        if (symbol.guards.count(i)) {
            EXPECT_TRUE(label.isBlack(x, barsEnd + 8)) << i;
            EXPECT_FALSE(label.isBlack(x, barsEnd + 10)) << i;
            EXPECT_FALSE(label.isBlack(x + 1, barsEnd + 10)) << i;
        } else {
            ++dataBars;
            dataBarsBelow += label.isBlack(x, barsEnd) ? 1 : 0;
        }
    }
    // Below the data bars only the tops of a few digits may show.
    EXPECT_GT(dataBars, 20);
    EXPECT_LT(dataBarsBelow, dataBars / 4);
}

TEST(RetailLayout, WithoutTextBarsFillTheBoxHeightAndQuietZonesShrink) {
    const RenderedLabel label =
        renderElement(barcode(Symbology::ean13, q("400638133393"), 40, 12, /*showText=*/false));
    // 109 modules of 2 dots: 218 dots, 51 free on each side, bars 14 dots further in.
    const qint64 x0 = kBox + 51 + 14;
    EXPECT_EQ(firstDark(label, kBox), x0);
    EXPECT_EQ(firstDark(label, kBox + 95), x0);
    EXPECT_EQ(firstDark(label, kBox + 96), -1);
    for (qint64 y = kBox; y < kBox + 96; ++y) {
        EXPECT_EQ(label.isBlack(x0 + 2 * 50, y), true) << y; // a bar of the right half
    }
}

TEST(RetailLayout, ModulesAreWholeDotsWhateverTheSpareWidth) {
    for (const double widthMM : {10.25, 14.25, 20.0, 28.25, 28.5, 41.75, 55.0}) {
        SCOPED_TRACE(widthMM);
        const RenderedLabel label =
            renderElement(barcode(Symbology::ean8, q("9638507"), widthMM, 10, false));
        // Centring rounds in the element's own coordinates, whose origin is the box centre.
        const qint64 lw = std::llround(widthMM * 8);
        const qint64 k = lw / 81;
        const qint64 centre = kBox + lw / 2;
        const qint64 x0 = centre + std::llround(-lw / 2.0 + (lw - 81.0 * k) / 2) + 7 * k;
        EXPECT_EQ(firstDark(label, kBox + 5), x0);
        EXPECT_EQ(modulesAt(label, kBox + 5, x0, k, 67),
                  moduleText(RetailBarcode::encode(Symbology::ean8, q("9638507")).modules));
        expectRunsOnGrid(label, kBox + 5, x0, k);
    }
}

TEST(BarcodeDrawing, TooNarrowOrRefusedContentShowsTheInvalidMark) {
    // 14 mm = 112 dots < 113 modules with text; 13.5 mm = 108 dots < 109 without.
    expectInvalidMark(renderElement(barcode(Symbology::ean13, q("400638133393"), 14, 10)), 112, 80);
    expectInvalidMark(renderElement(barcode(Symbology::ean13, q("400638133393"), 13.5, 10, false)),
                      108, 80);
    // 14.125 mm = 113 dots and 13.625 mm = 109 dots just fit, at one dot per module.
    const RenderedLabel fits =
        renderElement(barcode(Symbology::ean13, q("400638133393"), 14.125, 10));
    EXPECT_EQ(firstDark(fits, kBox + 5), kBox + 9);
    EXPECT_FALSE(fits.isBlack(kBox + 56, kBox + 40)); // no cross through the middle
    const RenderedLabel fitsWithoutText =
        renderElement(barcode(Symbology::ean13, q("400638133393"), 13.625, 10, false));
    EXPECT_EQ(firstDark(fitsWithoutText, kBox + 5), kBox + 7);
    for (const auto& [symbology, content] :
         {std::pair(Symbology::ean13, "4006381333932"), std::pair(Symbology::upcE, "2425261"),
          std::pair(Symbology::ean8, "96385"), std::pair(Symbology::upcA, ""),
          std::pair(Symbology::code128, ""), std::pair(Symbology::code128, "caf\xc3\xa9")}) {
        SCOPED_TRACE(content);
        expectInvalidMark(renderElement(barcode(symbology, q(content), 40, 10)), 320, 80);
    }
    expectInvalidMark(renderElement(qr(QString(), 20, 20)), 160, 160);
    expectInvalidMark(renderElement(qr(QString(3000, u'x'), 20, 20)), 160, 160);
}

const QString kText = u"ABCDE"_s; // 90 modules of Code 128

TEST(Code128Layout, ScalesByWholeDotsAndCentres) {
    const QString modules = moduleText(SymbolGenerator::code128(kText));
    struct Case {
        double widthMM;
        qint64 k;
        qint64 offset; // first bar from the box's left edge
    };
    // 320 dots: k = 3, 270 dots of bars 25 dots in; 160 dots: k = 1, 35 in; 80 dots: one dot
    // per module all the same, overhanging the box by 5 dots on each side.
    for (const Case c : {Case{40, 3, 25}, Case{20, 1, 35}, Case{10, 1, -5}, Case{45.5, 4, 2}}) {
        SCOPED_TRACE(c.widthMM);
        const RenderedLabel label =
            renderElement(barcode(Symbology::code128, kText, c.widthMM, 10, false), 2, 2);
        const qint64 x0 = kBox + c.offset;
        EXPECT_EQ(firstDark(label, kBox + 40), x0);
        EXPECT_EQ(lastDark(label, kBox + 40), x0 + 90 * c.k - 1);
        EXPECT_EQ(modulesAt(label, kBox + 40, x0, c.k, 90), modules);
        expectRunsOnGrid(label, kBox + 40, x0, c.k);
    }
}

TEST(Code128Layout, TextBandIsTwentyEightDotsAndBarsKeepEightDots) {
    const qint64 x0 = kBox + 25; // a start bar column
    // Lh = 100: bars 72 dots, text band 28.
    const RenderedLabel tall = renderElement(barcode(Symbology::code128, kText, 40, 12.5, true));
    EXPECT_TRUE(tall.isBlack(x0, kBox));
    EXPECT_TRUE(tall.isBlack(x0, kBox + 71));
    EXPECT_FALSE(tall.isBlack(x0, kBox + 72));
    EXPECT_GT(blackCount(tall, QRect(kBox, kBox + 72, 320, 28)), 0) << "the text in its band";
    // Lh = 24: bars 8 dots, the band still 28 dots and running below the box.
    const RenderedLabel shortBox =
        renderElement(barcode(Symbology::code128, kText, 40, 3, true), 6);
    EXPECT_TRUE(shortBox.isBlack(x0, kBox + 7));
    EXPECT_FALSE(shortBox.isBlack(x0, kBox + 8));
    EXPECT_GT(blackCount(shortBox, QRect(kBox, kBox + 24, 320, 12)), 0) << "text below the box";
    // Without text the bars take the whole box.
    const RenderedLabel noText = renderElement(barcode(Symbology::code128, kText, 40, 12.5, false));
    EXPECT_TRUE(noText.isBlack(x0, kBox + 99));
    EXPECT_FALSE(noText.isBlack(x0, kBox + 100));
}

TEST(QRLayout, ScalesTheSquareByWholeDotsAndCentresIt) {
    const QString text = u"twenty letters long!"_s; // version 2: 25 modules
    const ModuleMatrix matrix = SymbolGenerator::qrCode(text);
    ASSERT_EQ(matrix.width, 25);
    // 20 x 30 mm: side 160 dots, k = 6, a 150-dot square 5 dots in and 45 dots down.
    const RenderedLabel label = renderElement(qr(text, 20, 30));
    const qint64 x = kBox + 5;
    const qint64 y = kBox + 45;
    for (int my = 0; my < 25; ++my) {
        for (int mx = 0; mx < 25; ++mx) {
            ASSERT_EQ(label.isBlack(x + 6 * mx + 3, y + 6 * my + 3), matrix.isDark(mx, my))
                << mx << ", " << my;
        }
    }
    EXPECT_TRUE(label.isBlack(x, y));
    EXPECT_FALSE(label.isBlack(x - 1, y));
    EXPECT_FALSE(label.isBlack(x, y - 1));
    EXPECT_TRUE(label.isBlack(x + 149, y)); // top-right finder
    EXPECT_FALSE(label.isBlack(x + 150, y));
    EXPECT_TRUE(label.isBlack(x, y + 149)); // bottom-left finder
    EXPECT_FALSE(label.isBlack(x, y + 150));
    const readers::Decoded read = readers::decode(label.image());
    ASSERT_TRUE(read.valid);
    EXPECT_EQ(read.text, text);
}

TEST(QRLayout, ASmallBoxGetsOneDotPerModuleCentredAndOverhanging) {
    const QString text = u"twenty letters long!"_s;
    // 2 x 2 mm = 16 dots for 25 modules, drawn 25 dots wide. The box centre is at 24 dots, the
    // box's own corner at -8: the square starts at round(-8 - 4.5) = -13, 11 on the label.
    const RenderedLabel label = renderElement(qr(text, 2, 2), 4, 2, 2);
    EXPECT_TRUE(label.isBlack(11, 11));
    EXPECT_FALSE(label.isBlack(10, 11));
    EXPECT_FALSE(label.isBlack(11, 10));
    EXPECT_TRUE(label.isBlack(35, 11));
    EXPECT_FALSE(label.isBlack(36, 11));
    EXPECT_TRUE(label.isBlack(11, 35));
    EXPECT_FALSE(label.isBlack(11, 36));
}

struct Issue {
    LabelElement element;
    const char* content;
    std::optional<QString> message;
};

void PrintTo(const Issue& issue, std::ostream* os) {
    *os << rawValue(issue.element.symbology).toStdString() << " \"" << issue.content << "\" "
        << issue.element.width << " mm";
}

class BarcodeIssue : public ::testing::TestWithParam<Issue> {};

TEST_P(BarcodeIssue, WarnsAboutWhatWillNotPrintWell) {
    const Issue& issue = GetParam();
    EXPECT_EQ(LabelRenderer::barcodeIssue(issue.element, q(issue.content)), issue.message);
}

LabelElement withText(Symbology symbology, double widthMM, bool showText, qint64 rotation = 0,
                      double heightMM = 12) {
    return barcode(symbology, QString(), widthMM, heightMM, showText, rotation);
}

const QString kNarrow = u"Too narrow: widen the box"_s;
const QString kTooLong = u"Too long for this width"_s;
const QString kNarrowBars = u"Narrow bars: may scan poorly"_s;

INSTANTIATE_TEST_SUITE_P(
    LabelRenderer, BarcodeIssue,
    ::testing::Values(
        Issue{withText(Symbology::ean13, 40, true), "", q("Empty")},
        Issue{withText(Symbology::ean13, 40, true), "4006381333932", q("Check digit should be 1")},
        // EAN-13 with text needs 113 dots; without, 109. The width is truncated to whole dots.
        Issue{withText(Symbology::ean13, 14.125, true), "400638133393", std::nullopt},
        Issue{withText(Symbology::ean13, 14.1, true), "400638133393", kNarrow},
        Issue{withText(Symbology::ean13, 13.625, false), "400638133393", std::nullopt},
        Issue{withText(Symbology::ean13, 13.6, false), "400638133393", kNarrow},
        // EAN-8 has no side digits: 67 + 14 = 81 either way.
        Issue{withText(Symbology::ean8, 10.125, true), "9638507", std::nullopt},
        Issue{withText(Symbology::ean8, 10, true), "9638507", kNarrow},
        // UPC-E: 51 + 18 = 69 with text.
        // Code 128 "ABCDE" is 90 modules.
        Issue{withText(Symbology::code128, 22.5, true), "ABCDE", std::nullopt},
        Issue{withText(Symbology::code128, 20, true), "ABCDE", kNarrowBars},
        Issue{withText(Symbology::code128, 11.25, true), "ABCDE", kNarrowBars},
        Issue{withText(Symbology::code128, 10, true), "ABCDE", kTooLong},
        Issue{withText(Symbology::code128, 40, true), "caf\xc3\xa9",
              q("Code 128 supports ASCII only")},
        Issue{withText(Symbology::code128, 400, true),
              "123456789012345678901234567890123456789012345678901234567890123456789012345678901",
              q("Too long for Code 128 (80 characters at most)")},
        // An upright element lays its symbol along the box's height.
        Issue{withText(Symbology::code128, 10, true, 90, 40), "ABCDE", std::nullopt},
        Issue{withText(Symbology::code128, 40, true, 270, 10), "ABCDE", kTooLong},
        Issue{withText(Symbology::ean13, 10, true, -90, 40), "400638133393", std::nullopt},
        Issue{withText(Symbology::ean13, 40, true, 450, 10), "400638133393", kNarrow},
        Issue{withText(Symbology::code128, std::nan(""), true), "ABCDE", kTooLong},
        Issue{withText(Symbology::code128, 1e300, true), "ABCDE", std::nullopt}));

TEST(Code128Modules, IsTheSymbolWidthOrNothing) {
    EXPECT_EQ(LabelRenderer::code128Modules(q("12345678")), 79);
    EXPECT_EQ(LabelRenderer::code128Modules(q("ABCDE")), 90);
    EXPECT_EQ(LabelRenderer::code128Modules(QString()), std::nullopt);
    EXPECT_EQ(LabelRenderer::code128Modules(q("caf\xc3\xa9")), std::nullopt);
}

} // namespace
