#include "LabelKit/render/BarcodePainter.h"

#include "LabelKit/barcode/RetailBarcode.h"
#include "LabelKit/barcode/SymbolGenerator.h"
#include "LabelKit/model/Dots.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/render/ElementPainter.h"
#include "LabelKit/render/LabelRenderer.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

// Retail symbols: quiet modules per side, and the smallest digit size in points.
constexpr int kQuietModules = 7;
constexpr int kQuietModulesBesideDigits = 9;
constexpr double kMinimumDigitPoints = 5;

// Code 128: the text band under the bars, dots, and the size of its text, points.
constexpr double kCode128TextBand = 28;
constexpr double kCode128TextPoints = 8;

// Bars never get shorter than this many dots, whatever the text band leaves.
constexpr double kMinimumBarHeight = 8;

// Rounds to the nearest whole dot, halves away from zero.
double roundDots(double value) {
    return std::round(value);
}

bool isDrawable(const QRectF& local) {
    return std::isfinite(local.x()) && std::isfinite(local.y()) && std::isfinite(local.width()) &&
           std::isfinite(local.height());
}

// Fills whole-dot rectangles with antialiasing off. Rectangles are first cut to the part of the
// element's coordinates that can reach the raster, so that a huge element never hands the
// rasteriser coordinates beyond its integer range.
class DotFiller {
public:
    explicit DotFiller(QPainter& painter) : m_painter(painter) {
        m_painter.save();
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        m_painter.setPen(Qt::NoPen);
        if (const QPaintDevice* device = painter.device()) {
            bool invertible = false;
            const QTransform toLocal = painter.combinedTransform().inverted(&invertible);
            if (invertible) {
                m_visible = toLocal.mapRect(QRectF(0, 0, device->width(), device->height()))
                                .adjusted(-2, -2, 2, 2);
            }
        }
    }
    ~DotFiller() { m_painter.restore(); }
    DotFiller(const DotFiller&) = delete;
    DotFiller& operator=(const DotFiller&) = delete;

    void fill(const QRectF& rect) {
        const QRectF visible = m_visible.isNull() ? rect : rect.intersected(m_visible);
        if (!visible.isEmpty()) {
            m_painter.fillRect(visible, Qt::black);
        }
    }

private:
    QPainter& m_painter;
    QRectF m_visible;
};

// Calls run(first, end) for every maximal run of dark modules first <= i < end.
template <class Run>
void forEachDarkRun(const QList<bool>& modules, qsizetype from, qsizetype to, Run run) {
    qsizetype i = from;
    while (i < to) {
        if (!modules[i]) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < to && modules[j]) {
            ++j;
        }
        run(i - from, j - from);
        i = j;
    }
}

// The element's human-readable style: Helvetica, regular weight, at the given size.
LabelElement textStyle(const LabelElement& element, double points, TextAlign align,
                       bool shrinkToFit) {
    LabelElement style = element;
    style.fontFamily = QStringLiteral("Helvetica");
    style.bold = false;
    style.fontSize = points;
    style.align = align;
    style.shrinkToFit = shrinkToFit;
    return style;
}

int quietModules(const RetailSymbol& symbol, bool showText) {
    const bool sideDigit = (symbol.leftDigit && !symbol.leftDigit->isEmpty()) ||
                           (symbol.rightDigit && !symbol.rightDigit->isEmpty());
    return showText && sideDigit ? kQuietModulesBesideDigits : kQuietModules;
}

void drawRetail(QPainter& painter, const QString& text, const LabelElement& element,
                const QRectF& local) {
    RetailSymbol symbol;
    try {
        symbol = RetailBarcode::encode(element.symbology, text);
    } catch (const UserError&) {
        ElementPainter::drawInvalidMark(painter, local);
        return;
    }
    const auto n = double(symbol.modules.size());
    const int q = quietModules(symbol, element.showText);
    const double total = n + 2 * q;
    const double k = std::floor(local.width() / total);
    if (!(k >= 1)) {
        ElementPainter::drawInvalidMark(painter, local);
        return;
    }
    // The symbol with its quiet zones is centred; its bars start on a whole dot.
    const double x0 = roundDots(local.x() + (local.width() - total * k) / 2) + q * k;
    const double digitPoints =
        std::max(std::min(9 * k / Dots::perPoint, 0.28 * local.height() / Dots::perPoint),
                 kMinimumDigitPoints);
    const double band = element.showText ? roundDots(digitPoints * Dots::perPoint * 1.05) : 0;
    const double barHeight = std::max(local.height() - band, kMinimumBarHeight);
    const double top = local.y();

    {
        DotFiller bars(painter);
        forEachDarkRun(symbol.modules, 0, symbol.modules.size(), [&](qsizetype i, qsizetype j) {
            // Guard bars reach halfway down into the digits.
            const double extension = element.showText && symbol.guards.count(int(i)) ? band / 2 : 0;
            bars.fill(QRectF(x0 + double(i) * k, top, double(j - i) * k, barHeight + extension));
        });
    }
    if (!element.showText) {
        return;
    }

    // Digits stay on one line: where a group is wider than its modules (one dot per module at
    // the smallest digit size) its box grows about its anchor instead of wrapping the number.
    // Every digit is narrower than the band is tall, so that width always holds the text.
    const auto oneLine = [band](const QString& digits, double width) {
        return std::max(width, double(digits.size()) * band);
    };
    const double bandTop = top + barHeight;
    const LabelElement centred = textStyle(element, digitPoints, TextAlign::center, false);
    for (const RetailGroup& group : symbol.groups) {
        if (group.text.isEmpty()) {
            continue;
        }
        const double width = (group.end - group.start) * k;
        const double boxWidth = oneLine(group.text, width);
        ElementPainter::drawText(
            painter, group.text, centred,
            QRectF(x0 + group.start * k - (boxWidth - width) / 2, bandTop, boxWidth, band));
    }
    if (symbol.leftDigit && !symbol.leftDigit->isEmpty()) {
        // Ends one module before the first bar.
        const double boxWidth = oneLine(*symbol.leftDigit, (q - 1) * k);
        ElementPainter::drawText(painter, *symbol.leftDigit,
                                 textStyle(element, digitPoints, TextAlign::right, false),
                                 QRectF(x0 - k - boxWidth, bandTop, boxWidth, band));
    }
    if (symbol.rightDigit && !symbol.rightDigit->isEmpty()) {
        ElementPainter::drawText(
            painter, *symbol.rightDigit, textStyle(element, digitPoints, TextAlign::left, false),
            QRectF(x0 + n * k + k, bandTop, oneLine(*symbol.rightDigit, (q - 1) * k), band));
    }
}

void drawCode128(QPainter& painter, const QString& text, const LabelElement& element,
                 const QRectF& local) {
    QList<bool> modules;
    try {
        modules = SymbolGenerator::code128(text);
    } catch (const UserError&) {
        ElementPainter::drawInvalidMark(painter, local);
        return;
    }
    const auto m = double(modules.size());
    // Never less than one dot per module: a symbol wider than its box runs past both sides.
    const double k = std::max(std::floor(local.width() / m), 1.0);
    const double width = m * k;
    const double band = element.showText ? kCode128TextBand : 0;
    const double barHeight = std::max(local.height() - band, kMinimumBarHeight);
    const double x0 = roundDots(local.x() + (local.width() - width) / 2);
    {
        DotFiller bars(painter);
        forEachDarkRun(modules, 0, modules.size(), [&](qsizetype i, qsizetype j) {
            bars.fill(QRectF(x0 + double(i) * k, local.y(), double(j - i) * k, barHeight));
        });
    }
    if (element.showText) {
        ElementPainter::drawText(
            painter, text,
            textStyle(element, kCode128TextPoints, TextAlign::center, element.shrinkToFit),
            QRectF(local.x(), local.y() + barHeight, local.width(), kCode128TextBand));
    }
}

// The number of quarter turns of a rotation in degrees, as the renderer turns elements.
int quarterTurns(qint64 rotation) {
    qint64 r = rotation % 360;
    if (r < 0) {
        r += 360;
    }
    return int(r / 90);
}

} // namespace

void BarcodePainter::drawBarcode(QPainter& painter, const QString& text,
                                 const LabelElement& element, const QRectF& local) {
    if (!isDrawable(local) || text.isEmpty()) {
        ElementPainter::drawInvalidMark(painter, local);
        return;
    }
    if (isRetail(element.symbology)) {
        drawRetail(painter, text, element, local);
    } else {
        drawCode128(painter, text, element, local);
    }
}

void BarcodePainter::drawQR(QPainter& painter, const QString& text, const QRectF& local) {
    if (!isDrawable(local)) {
        ElementPainter::drawInvalidMark(painter, local);
        return;
    }
    ModuleMatrix matrix;
    try {
        matrix = SymbolGenerator::qrCode(text);
    } catch (const UserError&) {
        ElementPainter::drawInvalidMark(painter, local);
        return;
    }
    const double m = matrix.width;
    const double side = std::min(local.width(), local.height());
    const double k = std::max(std::floor(side / m), 1.0);
    const double s = m * k;
    const double x = roundDots(local.x() + (local.width() - s) / 2);
    const double y = roundDots(local.y() + (local.height() - s) / 2);
    DotFiller modules(painter);
    for (int row = 0; row < matrix.height; ++row) {
        const qsizetype from = qsizetype(row) * matrix.width;
        forEachDarkRun(matrix.dark, from, from + matrix.width, [&](qsizetype i, qsizetype j) {
            modules.fill(QRectF(x + double(i) * k, y + row * k, double(j - i) * k, k));
        });
    }
}

std::optional<qint64> LabelRenderer::code128Modules(const QString& text) {
    try {
        return SymbolGenerator::code128(text).size();
    } catch (const UserError&) {
        return std::nullopt;
    }
}

std::optional<QString> LabelRenderer::barcodeIssue(const LabelElement& element,
                                                   const QString& content) {
    if (content.isEmpty()) {
        return QStringLiteral("Empty");
    }
    // The symbol runs along the element's local width: the box's height on the label when the
    // element stands upright.
    const double along = quarterTurns(element.rotation) % 2 ? element.height : element.width;
    double available = std::trunc(along * Dots::perMM);
    if (!(available >= 0)) {
        available = 0;
    }
    if (isRetail(element.symbology)) {
        try {
            const RetailSymbol symbol = RetailBarcode::encode(element.symbology, content);
            const double total =
                double(symbol.modules.size()) + 2 * quietModules(symbol, element.showText);
            if (total > available) {
                return QStringLiteral("Too narrow: widen the box");
            }
        } catch (const UserError& error) {
            return error.message();
        }
        return std::nullopt;
    }
    double m = 0;
    try {
        m = double(SymbolGenerator::code128(content).size());
    } catch (const UserError& error) {
        return error.message();
    }
    if (m > available) {
        return QStringLiteral("Too long for this width");
    }
    if (2 * m > available) {
        return QStringLiteral("Narrow bars: may scan poorly");
    }
    return std::nullopt;
}

} // namespace vantrel
