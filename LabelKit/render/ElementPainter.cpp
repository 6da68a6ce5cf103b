#include "LabelKit/render/ElementPainter.h"

#include "LabelKit/render/FaceLibrary.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/render/TextBlock.h"

#include <QImage>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <memory>

namespace vantrel {

namespace {

constexpr double minimumFitted = 4;
constexpr double fitStep = 0.5;
// Measurements within this much of a bound count as fitting it (dots).
constexpr double tolerance = 0.5;

// Words for the width test: split at spaces and at whatever breaks a line (line feeds, and the
// carriage returns and separators that the layout treats as line feeds too).
bool separatesWords(QChar c) {
    return c == u' ' || c == u'\n' || c == u'\r' || c == QChar::LineSeparator ||
           c == QChar::ParagraphSeparator;
}

QStringList wordsOf(const QString& text) {
    QStringList words;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || separatesWords(text[i])) {
            if (i > start) {
                words.append(text.mid(start, i - start));
            }
            start = i + 1;
        }
    }
    return words;
}

// The first size of the search p0, p0 - 0.5, p0 - 1, ... that is at most 4 points: where the
// search gives up.
double giveUpSize(double start) {
    return start - fitStep * std::ceil((start - minimumFitted) / fitStep);
}

// The shrink-to-fit search. When the size it settles on was laid out (in the element's
// alignment, on the device), that layout comes along, ready to draw.
struct Fit {
    double points;
    std::unique_ptr<TextBlock> block;
};

Fit fit(const QString& text, const LabelElement& element, QSizeF boxDots,
        const QPaintDevice* device) {
    const double start = element.fontSize;
    if (!(start > minimumFitted)) {
        return {start, nullptr}; // small sizes (and sizes that are not numbers) are used as is
    }
    const QStringList words = wordsOf(text);
    if (text.isEmpty()) {
        return {start, nullptr}; // no lines and no words: every size fits
    }
    const FaceLibrary::Face& face = FaceLibrary::face(element.fontFamily, element.bold);
    const double w = boxDots.width();
    const double h = boxDots.height();

    // Sizes too large to draw are searched from the largest drawable size down.
    const double first = start <= TextBlock::maxPoints ? start : TextBlock::maxPoints;
    double p = first;

    // Advance widths grow in proportion to the size (the faces are unhinted), so the words are
    // measured once, at the first size, and their widths scaled.
    double total = 0;
    const double widest =
        words.isEmpty() ? 0 : TextBlock::widestLine(words, face, first, device, &total) / first;
    total /= first;
    const auto wordsFit = [&](double points) { return widest * points <= w + tolerance; };

    // One line's height grows in proportion too: the sizes at which a single line is taller
    // than the box, or a word wider, fail without a layout. So do the sizes at which the words
    // side by side would fill more lines than the box holds (a tenth is left for kerning, which
    // the sum of advances leaves out). Skipping them keeps the search short for big sizes in
    // small boxes.
    const double lineHeight = TextBlock::dots(face.ascent + face.descent);
    double limit = (h + tolerance) / lineHeight;
    if (widest > 0) {
        limit = std::min(limit, (w + tolerance) / widest);
        limit = std::min(limit,
                         std::sqrt((h + tolerance) * (w + tolerance) / (0.9 * total * lineHeight)));
    }
    limit *= 1.001; // the layout's own measurements are linear only to a few parts a million
    if (std::isfinite(limit) && p > limit) {
        p -= fitStep * std::floor((p - limit) / fitStep);
        if (p <= minimumFitted) {
            return {giveUpSize(first), nullptr};
        }
    }

    // A smaller size never needs more lines, nor a wider line for a word: the sizes that fit
    // are all those below the largest one, which a bisection of the steps finds.
    const qint64 steps = qint64(std::ceil((p - minimumFitted) / fitStep)); // sizes above 4
    const auto size = [&](qint64 step) { return p - fitStep * double(step); };
    qint64 lo = 0;
    qint64 hi = steps; // the first step that fits lies in [lo, hi]; steps when none does
    std::unique_ptr<TextBlock> fitted;
    while (lo < hi) {
        const qint64 mid = lo + (hi - lo) / 2;
        std::unique_ptr<TextBlock> block;
        if (wordsFit(size(mid))) {
            block = std::make_unique<TextBlock>(text, face, size(mid), element.align, w, device);
        }
        if (block && block->height() <= h + tolerance) {
            hi = mid;
            fitted = std::move(block);
        } else {
            lo = mid + 1;
        }
    }
    return {size(hi), std::move(fitted)};
}

} // namespace

void ElementPainter::drawInvalidMark(QPainter& painter, const QRectF& local) {
    painter.save();
    painter.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(local.adjusted(1, 1, -1, -1));
    painter.drawLine(local.topLeft(), local.bottomRight());
    painter.drawLine(local.topRight(), local.bottomLeft());
    painter.restore();
}

void ElementPainter::drawText(QPainter& painter, const QString& text, const LabelElement& element,
                              const QRectF& box) {
    if (text.isEmpty()) {
        return;
    }
    Fit chosen{element.fontSize, nullptr};
    if (element.shrinkToFit) {
        chosen = fit(text, element, box.size(), painter.device());
    }
    if (!(chosen.points > 0 && chosen.points <= TextBlock::maxPoints)) {
        drawInvalidMark(painter, box);
        return;
    }
    if (!chosen.block) {
        chosen.block = std::make_unique<TextBlock>(
            text, FaceLibrary::face(element.fontFamily, element.bold), chosen.points, element.align,
            box.width(), painter.device());
    }
    // Shorter text is centred vertically; taller text starts at the top and runs on below.
    const double top = box.top() + std::max(0.0, (box.height() - chosen.block->height()) / 2);
    chosen.block->draw(painter, QPointF(box.left(), top));
}

double LabelRenderer::fittedFontSize(const QString& text, const LabelElement& element,
                                     QSizeF boxDots) {
    const QImage device(1, 1, QImage::Format_Grayscale8);
    return fit(text, element, boxDots, &device).points;
}

} // namespace vantrel
