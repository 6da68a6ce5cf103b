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

// Row y of the label is the modules, k dots each from x0, and white elsewhere: whole dots,
// every edge on the module grid.
void expectRow(const RenderedLabel& label, qint64 y, qint64 x0, qint64 k, const QString& modules) {
    QString actual;
    QString expected;
    for (qint64 x = 0; x < label.width; ++x) {
        actual.append(label.isBlack(x, y) ? u'1' : u'0');
        const qint64 module = x >= x0 ? (x - x0) / k : modules.size();
        expected.append(module < modules.size() ? modules[module] : u'0');
    }
    EXPECT_EQ(actual, expected);
}

void expectInvalidMark(const RenderedLabel& label, qint64 width, qint64 height) {
    rendertest::expectInvalidMark(label, QRect(int(kBox), int(kBox), int(width), int(height)));
}

QString modulesOf(Symbology symbology, const QString& content) {
    return moduleText(symbology == Symbology::code128
                          ? SymbolGenerator::code128(content)
                          : RetailBarcode::encode(symbology, content).modules);
}

TEST(BarcodeLayout, ModulesAreWholeDotsCentredInTheBox) {
    for (const QStringList& c : testsupport::dataTable(u"barcode-layout.txt"_s)) {
        SCOPED_TRACE(c.join(u" | "_s).toStdString());
        const Symbology symbology = *fromRawValue<Symbology>(c[0]);
        const RenderedLabel label =
            renderElement(barcode(symbology, c[1], c[2].toDouble(), 10, c[3] == u"text"_s));
        expectRow(label, kBox + 5, kBox + c[5].toInt(), c[4].toInt(), modulesOf(symbology, c[1]));
    }
}

TEST(BarcodeLayout, TheTextBandTakesTheFootOfTheBoxAndGuardsReachIntoIt) {
    // EAN-13, Lh = 96: digits at 9k = 18 dots (under 0.28 Lh), band round(18.9) = 19, bars 77
    // dots tall, guards 9.5 dots more.
    const RetailSymbol symbol = RetailBarcode::encode(Symbology::ean13, q("400638133393"));
    const RenderedLabel label = renderElement(barcode(Symbology::ean13, q("400638133393"), 40, 12));
    const qint64 barsEnd = kBox + 77;
    int dataBars = 0;
    int dataBarsBelow = 0;
    for (int i = 0; i < 95; ++i) {
        const qint64 x = kBox + 65 + 2 * i;
        const bool guard = symbol.guards.count(i);
        if (symbol.modules[i]) {
            EXPECT_TRUE(label.isBlack(x, kBox) && label.isBlack(x, barsEnd - 1)) << i;
            EXPECT_TRUE(!guard || label.isBlack(x, barsEnd + 8)) << i;
            EXPECT_FALSE(guard && blackCount(label, QRect(int(x), int(barsEnd + 10), 2, 1))) << i;
            dataBars += guard ? 0 : 1;
            dataBarsBelow += !guard && label.isBlack(x, barsEnd) ? 1 : 0;
        }
    }
    // Below the data bars only the tops of a few digits may show.
    EXPECT_GT(dataBars, 20);
    EXPECT_LT(dataBarsBelow, dataBars / 4);
    // Without text the bars take the whole box.
    const RenderedLabel bare =
        renderElement(barcode(Symbology::ean13, q("400638133393"), 40, 12, false));
    EXPECT_TRUE(bare.isBlack(kBox + 65, kBox + 95));
    EXPECT_EQ(blackCount(bare, QRect(0, kBox + 96, int(bare.width), 1)), 0);

    // Code 128, Lh = 100: bars 72 dots, text band 28, beside a start bar column.
    const qint64 x0 = kBox + 25;
    const RenderedLabel tall = renderElement(barcode(Symbology::code128, u"ABCDE"_s, 40, 12.5));
    EXPECT_TRUE(tall.isBlack(x0, kBox) && tall.isBlack(x0, kBox + 71));
    EXPECT_FALSE(tall.isBlack(x0, kBox + 72));
    EXPECT_GT(blackCount(tall, QRect(kBox, kBox + 72, 320, 28)), 0) << "the text in its band";
    // Lh = 24: bars keep 8 dots, the band still 28 dots and running below the box.
    const RenderedLabel low = renderElement(barcode(Symbology::code128, u"ABCDE"_s, 40, 3), 6);
    EXPECT_TRUE(low.isBlack(x0, kBox + 7));
    EXPECT_FALSE(low.isBlack(x0, kBox + 8));
    EXPECT_GT(blackCount(low, QRect(kBox, kBox + 24, 320, 12)), 0) << "text below the box";
    const RenderedLabel noText =
        renderElement(barcode(Symbology::code128, u"ABCDE"_s, 40, 12.5, false));
    EXPECT_TRUE(noText.isBlack(x0, kBox + 99));
    EXPECT_FALSE(noText.isBlack(x0, kBox + 100));
}

TEST(BarcodeDrawing, TooNarrowOrRefusedContentShowsTheInvalidMark) {
    // 14 mm = 112 dots < 113 modules with text; 13.5 mm = 108 dots < 109 without.
    expectInvalidMark(renderElement(barcode(Symbology::ean13, q("400638133393"), 14, 10)), 112, 80);
    expectInvalidMark(renderElement(barcode(Symbology::ean13, q("400638133393"), 13.5, 10, false)),
                      108, 80);
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

// A QR code is a square of whole-dot modules centred in the box, overhanging one too small.
TEST(QRLayout, ScalesTheSquareByWholeDotsAndCentresIt) {
    const QString text = u"twenty letters long!"_s; // version 2: 25 modules
    const ModuleMatrix matrix = SymbolGenerator::qrCode(text);
    ASSERT_EQ(matrix.width, 25);
    // 20 x 30 mm: side 160 dots, k = 6, a 150-dot square 5 dots in and 45 dots down. In 2 x 2 mm
    // (16 dots, the centre at 24 dots) 25 dots wide from round(-8 - 4.5) = -13, 11 on the label.
    const struct {
        RenderedLabel label;
        qint64 x, y, k;
    } cases[] = {{renderElement(qr(text, 20, 30)), kBox + 5, kBox + 45, 6},
                 {renderElement(qr(text, 2, 2), 4), 11, 11, 1}};
    for (const auto& [label, x, y, k] : cases) {
        for (int my = 0; my < 25; ++my) {
            for (int mx = 0; mx < 25; ++mx) {
                ASSERT_EQ(label.isBlack(x + k * mx + k / 2, y + k * my + k / 2),
                          matrix.isDark(mx, my))
                    << mx << ", " << my;
            }
        }
        const qint64 side = 25 * k;
        EXPECT_EQ(ink(label), QRect(int(x), int(y), int(side), int(side)));
    }
    const readers::Decoded read = readers::decode(cases[0].label.image());
    ASSERT_TRUE(read.valid);
    EXPECT_EQ(read.text, text);
}

// The warning for what will not print well (or nothing).
TEST(BarcodeIssue, WarnsAboutWhatWillNotPrintWell) {
    for (const QStringList& c : testsupport::dataTable(u"barcode-issues.txt"_s)) {
        LabelElement e = barcode(*fromRawValue<Symbology>(c[0]), QString(), c[1].toDouble(),
                                 c[2].toDouble(), c[4] == u"text"_s, c[3].toLongLong());
        EXPECT_EQ(LabelRenderer::barcodeIssue(e, c[5]),
                  c.size() > 6 ? std::optional(c[6]) : std::nullopt)
            << c.join(u" | "_s).toStdString();
    }
}

} // namespace
