#include "LabelKit/barcode/RetailBarcode.h"
#include "tests/render/RenderTesting.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace vantrel;

using namespace rendertest;

namespace {

QString q(const char* text) {
    return QString::fromUtf8(text);
}

constexpr qint64 kBox = 16;        // elements sit at (2 mm, 2 mm)
constexpr qint64 kBoxHeight = 112; // 14 mm

struct Box {
    QString text;
    qint64 left;
    qint64 right; // exclusive
};

// Where the human-readable text of a retail symbol goes, from the bars found on the raster.
struct Geometry {
    qint64 x0 = 0;   // first bar column
    qint64 k = 0;    // dots per module
    qint64 band = 0; // text band height
    qint64 barsEnd = 0;
    QList<Box> boxes;
    std::set<qint64> guardColumns;
};

Geometry measure(const RenderedLabel& label, const RetailSymbol& symbol) {
    Geometry g;
    const qint64 row = kBox + 2;
    while (g.x0 < label.width && !label.isBlack(g.x0, row)) {
        ++g.x0;
    }
    while (label.isBlack(g.x0 + g.k, row)) {
        ++g.k; // the start guard's first bar is one module
    }
    const double digitDots =
        std::max(std::min(9.0 * double(g.k), 0.28 * kBoxHeight), 5 * 203.0 / 72.0);
    g.band = std::llround(digitDots * 1.05);
    g.barsEnd = kBox + kBoxHeight - g.band;
    const qint64 n = symbol.modules.size();
    const qint64 quiet = symbol.leftDigit || symbol.rightDigit ? 9 : 7;
    for (const RetailGroup& group : symbol.groups) {
        g.boxes.append({group.text, g.x0 + group.start * g.k, g.x0 + group.end * g.k});
    }
    if (symbol.leftDigit) {
        g.boxes.append({*symbol.leftDigit, g.x0 - quiet * g.k, g.x0 - g.k});
    }
    if (symbol.rightDigit) {
        g.boxes.append({*symbol.rightDigit, g.x0 + (n + 1) * g.k, g.x0 + (n + quiet) * g.k});
    }
    for (const int guard : symbol.guards) {
        for (qint64 x = 0; x < g.k; ++x) {
            g.guardColumns.insert(g.x0 + guard * g.k + x);
        }
    }
    return g;
}

// The columns of the band that hold ink, guard bars left out.
QList<qint64> inkColumns(const RenderedLabel& label, const Geometry& g, qint64 from, qint64 to) {
    QList<qint64> columns;
    for (qint64 x = std::max<qint64>(from, 0); x < std::min(to, label.width); ++x) {
        if (g.guardColumns.count(x)) {
            continue;
        }
        for (qint64 y = g.barsEnd; y < label.height; ++y) {
            if (label.isBlack(x, y)) {
                columns.append(x);
                break;
            }
        }
    }
    return columns;
}

// Runs of neighbouring ink columns: one per digit when the digits stand apart.
int inkRuns(const QList<qint64>& columns) {
    int runs = 0;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        runs += (i == 0 || columns[i] != columns[i - 1] + 1) ? 1 : 0;
    }
    return runs;
}

struct Case {
    Symbology symbology;
    const char* content;
    int k;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << rawValue(c.symbology).toStdString() << " \"" << c.content << "\" k=" << c.k;
}

class Digits : public ::testing::TestWithParam<Case> {};

TEST_P(Digits, SitInsideTheirBoxesBetweenTheGuardBars) {
    const Case& c = GetParam();
    const RetailSymbol symbol = RetailBarcode::encode(c.symbology, q(c.content));
    const double total = double(symbol.modules.size()) + (symbol.leftDigit ? 18 : 14);
    const RenderedLabel label =
        renderElement(barcode(c.symbology, q(c.content), (total * c.k + 6) / 8, 14.0), 4);
    const Geometry g = measure(label, symbol);
    ASSERT_EQ(g.k, c.k);
    const QList<qint64> all = inkColumns(label, g, 0, label.width);
    ASSERT_FALSE(all.isEmpty());
    // Nothing runs below the band, which ends with the box: the digits stay on one line.
    for (qint64 y = kBox + kBoxHeight; y < label.height; ++y) {
        for (qint64 x = 0; x < label.width; ++x) {
            ASSERT_FALSE(label.isBlack(x, y)) << x << ", " << y;
        }
    }
    // At one dot per module the smallest digit size is wider than a group's modules: the digits
    // overhang their group a little, and only the line is checked.
    if (c.k == 1) {
        return;
    }
    // Every inked column of the band lies in one of the boxes.
    for (const qint64 x : all) {
        const bool inside = std::any_of(g.boxes.begin(), g.boxes.end(), [x](const Box& box) {
            return x >= box.left && x < box.right;
        });
        EXPECT_TRUE(inside) << "ink at column " << x;
    }
    // Every box holds its digits, set apart, and placed as its alignment says.
    for (qsizetype i = 0; i < g.boxes.size(); ++i) {
        const Box& box = g.boxes[i];
        SCOPED_TRACE(box.text.toStdString());
        const QList<qint64> ink = inkColumns(label, g, box.left, box.right);
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_EQ(inkRuns(ink), box.text.size());
        // Glyphs sit inside their advances with side bearings of up to a quarter of the size.
        const qint64 bearing = g.band / 4;
        const qint64 leftGap = ink.first() - box.left;
        const qint64 rightGap = box.right - 1 - ink.last();
        if (i < symbol.groups.size()) {
            EXPECT_LE(std::abs(leftGap - rightGap), bearing) << leftGap << " / " << rightGap;
        } else if (symbol.leftDigit && i == symbol.groups.size()) {
            EXPECT_LE(rightGap, bearing); // right-aligned, one module before the first bar
        } else {
            EXPECT_LE(leftGap, bearing); // left-aligned, one module after the last bar
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    RetailBarcode, Digits,
    ::testing::Values(
        Case{Symbology::ean13, "400638133393", 1}, Case{Symbology::ean13, "400638133393", 2},
        Case{Symbology::ean13, "978020137962", 3}, Case{Symbology::ean13, "5901234123457", 4},
        Case{Symbology::upcA, "03600029145", 1}, Case{Symbology::upcA, "03600029145", 2},
        Case{Symbology::upcA, "123456789012", 3}, Case{Symbology::upcE, "0425261", 1},
        Case{Symbology::upcE, "0425261", 2}, Case{Symbology::upcE, "1425261", 3},
        Case{Symbology::ean8, "9638507", 1}, Case{Symbology::ean8, "9638507", 2},
        Case{Symbology::ean8, "55123457", 3}));

} // namespace
