#include "LabelKit/barcode/RetailBarcode.h"
#include "tests/render/RenderTesting.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace vantrel;

using namespace Qt::StringLiterals;

using namespace rendertest;

namespace {

constexpr qint64 kBox = 16;        // elements sit at (2 mm, 2 mm)
constexpr qint64 kBoxHeight = 112; // 14 mm

// The human-readable digits stand in the band below the bars, on one line inside the box: every
// inked column of the band (guard bars aside) lies in a digit box, a group between the guards
// or an outside digit beyond the symbol, and each box holds its digits set apart, placed as its
// alignment says.

TEST(RetailBarcode, DigitsSitInsideTheirBoxesBetweenTheGuardBars) {
    for (const QStringList& c : testsupport::dataTable(u"retail-digits.txt"_s)) {
        SCOPED_TRACE(c.join(u" | "_s).toStdString());
        const Symbology symbology = *fromRawValue<Symbology>(c[0]);
        const RetailSymbol symbol = RetailBarcode::encode(symbology, c[1]);
        const qint64 n = symbol.modules.size();
        const qint64 quiet = symbol.leftDigit ? 9 : 7;
        const qint64 k = c[2].toLongLong();
        const double widthMM = double((n + 2 * quiet) * k + 6) / 8;
        const RenderedLabel label = renderElement(barcode(symbology, c[1], widthMM, 14.0), 4);
        qint64 x0 = 0;
        while (!label.isBlack(x0, kBox + 2)) {
            ++x0;
        }
        ASSERT_TRUE(label.isBlack(x0 + k - 1, kBox + 2) && !label.isBlack(x0 + k, kBox + 2));
        // The band starts where the first bar of the data ends.
        qint64 bar = symbol.groups.first().start;
        while (!symbol.modules[bar]) {
            ++bar;
        }
        qint64 band = kBox;
        while (label.isBlack(x0 + bar * k, band)) {
            ++band;
        }
        EXPECT_EQ(blackCount(label, QRect(0, int(kBox + kBoxHeight), int(label.width), 4 * 8)), 0);
        QList<std::pair<QString, std::pair<qint64, qint64>>> boxes; // text, [left, right)
        for (const RetailGroup& group : symbol.groups) {
            boxes.append({group.text, {x0 + group.start * k, x0 + group.end * k}});
        }
        if (symbol.leftDigit) {
            boxes.append({*symbol.leftDigit, {x0 - quiet * k, x0 - k}});
        }
        if (symbol.rightDigit) {
            boxes.append({*symbol.rightDigit, {x0 + (n + 1) * k, x0 + (n + quiet) * k}});
        }
        // The ink columns of the band between left and right, guard bars left out.
        const auto inkColumns = [&](qint64 left, qint64 right) {
            QList<qint64> columns;
            for (qint64 x = std::max<qint64>(left, 0); x < std::min(right, label.width); ++x) {
                const qint64 module = (x - x0) / k;
                const bool guard = x >= x0 && module < n && symbol.guards.count(int(module));
                if (!guard &&
                    blackCount(label, QRect(int(x), int(band), 1, int(label.height - band)))) {
                    columns.append(x);
                }
            }
            return columns;
        };
        const QList<qint64> all = inkColumns(0, label.width);
        ASSERT_FALSE(all.isEmpty());
        // At one dot per module the smallest digit size is wider than a group's modules: the digits
        // overhang their group a little, and only the line is checked.
        if (k == 1) {
            continue;
        }
        for (const qint64 x : all) {
            EXPECT_TRUE(std::any_of(
                boxes.begin(), boxes.end(),
                [x](const auto& box) { return x >= box.second.first && x < box.second.second; }))
                << "ink at column " << x;
        }
        for (qsizetype i = 0; i < boxes.size(); ++i) {
            const auto& [text, span] = boxes[i];
            SCOPED_TRACE(text.toStdString());
            const QList<qint64> ink = inkColumns(span.first, span.second);
            ASSERT_FALSE(ink.isEmpty());
            qsizetype runs = 1;
            for (qsizetype j = 1; j < ink.size(); ++j) {
                runs += ink[j] != ink[j - 1] + 1 ? 1 : 0;
            }
            EXPECT_EQ(runs, text.size());
            // Glyphs sit inside their advances with side bearings of up to a quarter of the size.
            const qint64 bearing = (kBox + kBoxHeight - band) / 4;
            const qint64 leftGap = ink.first() - span.first;
            const qint64 rightGap = span.second - 1 - ink.last();
            if (i < symbol.groups.size()) {
                EXPECT_LE(std::abs(leftGap - rightGap), bearing) << leftGap << " / " << rightGap;
            } else if (symbol.leftDigit && i == symbol.groups.size()) {
                EXPECT_LE(rightGap, bearing); // right-aligned, one module before the first bar
            } else {
                EXPECT_LE(leftGap, bearing); // left-aligned, one module after the last bar
            }
        }
    }
}

} // namespace
