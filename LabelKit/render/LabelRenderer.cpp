#include "LabelKit/render/LabelRenderer.h"

#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/model/Dots.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/render/BarcodePainter.h"
#include "LabelKit/render/Dithering.h"
#include "LabelKit/render/ElementPainter.h"
#include "LabelKit/render/PicturePainter.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace vantrel {

namespace {

constexpr qint64 minimumDots = 8;
// Elements placed or sized beyond this many dots (125 km) lie outside any label that can be
// drawn; they are left out rather than handed to the rasteriser.
constexpr double geometryLimit = 1e9;

struct RasterSize {
    qint64 dotWidth;
    qint64 dotHeight;
    qint64 scale;
};

// Halves away from zero, as every whole-dot rounding of the renderer.
double roundHalfAway(double v) {
    return std::round(v);
}

void strokeShape(QPainter& painter, const LabelElement& element, const QRectF& local) {
    const bool ellipse = element.kind == ElementKind::ellipse;
    double w = element.strokeMM * Dots::perMM;
    if (!(w >= 1)) {
        w = 1;
    }
    // The outline grows inward from the box's edge; a stroke as thick as the box covers all
    // of it.
    const QRectF inset = local.adjusted(w / 2, w / 2, -w / 2, -w / 2);
    if (!(inset.width() > 0 && inset.height() > 0)) {
        painter.setPen(Qt::NoPen);
        if (ellipse) {
            painter.drawEllipse(local);
        } else {
            painter.fillRect(local, Qt::black);
        }
        return;
    }
    QPen pen(Qt::black, w, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (ellipse) {
        painter.drawEllipse(inset);
    } else {
        painter.drawRect(inset);
    }
}

// The kinds that draw their content.
bool drawsContent(ElementKind kind) {
    return kind == ElementKind::text || kind == ElementKind::barcode || kind == ElementKind::qr;
}

// The expanded content of every element (empty for the kinds that do not draw it), within the
// text limits.
QStringList expandedContents(const LabelDocument& document, const LabelContext& context) {
    QStringList texts;
    texts.reserve(document.elements.size());
    qsizetype total = 0;
    for (const LabelElement& element : document.elements) {
        texts.append(drawsContent(element.kind) ? Placeholders::resolve(element.content, context)
                                                : QString());
        const QString& text = texts.last();
        if (text.size() > LabelRenderer::maxElementCharacters) {
            const QString start = text.left(20).simplified();
            throw UserError(QStringLiteral("The text “%1…” is too long: an element holds at most "
                                           "%2 characters.")
                                .arg(start)
                                .arg(LabelRenderer::maxElementCharacters));
        }
        total += text.size();
        if (total > LabelRenderer::maxLabelCharacters) {
            throw UserError(QStringLiteral("The label's text is too long: a label holds at most "
                                           "%1 characters in all.")
                                .arg(LabelRenderer::maxLabelCharacters));
        }
    }
    return texts;
}

// Refuses pictures beyond their limits, one by one and together; a picture used twice counts
// once.
void refusePictures(const LabelDocument& document) {
    QSet<QByteArray> seen;
    qint64 total = 0;
    for (const LabelElement& element : document.elements) {
        if (element.kind != ElementKind::image || !element.imageData) {
            continue;
        }
        const qsizetype before = seen.size();
        seen.insert(*element.imageData);
        if (seen.size() == before) {
            continue;
        }
        const PicturePainter::Claim claim = PicturePainter::inspect(*element.imageData);
        if (claim.problem) {
            throw UserError(*claim.problem);
        }
        total += claim.pixels;
        if (total > LabelRenderer::maxPicturePixels) {
            throw UserError(QStringLiteral("The label's pictures are too large: a label's "
                                           "pictures may have at most %1 megapixels in all.")
                                .arg(LabelRenderer::maxPicturePixels / (1024 * 1024)));
        }
    }
}

void drawElement(QPainter& painter, const LabelElement& element, const QString& text) {
    const double bx = element.x * Dots::perMM;
    const double by = element.y * Dots::perMM;
    const double width = element.width * Dots::perMM;
    const double height = element.height * Dots::perMM;
    for (const double v : {bx, by, width, height}) {
        if (!(std::abs(v) <= geometryLimit)) {
            return;
        }
    }
    double bw = std::max(width, 1.0);
    double bh = std::max(height, 1.0);
    // Quarter turns only; other angles are snapped down to one.
    qint64 r = element.rotation % 360;
    if (r < 0) {
        r += 360;
    }
    const qint64 quarters = r / 90;

    painter.save();
    painter.translate(bx + bw / 2, by + bh / 2);
    painter.rotate(double(quarters * 90));
    if (quarters % 2 == 1) {
        std::swap(bw, bh);
    }
    const QRectF local(roundHalfAway(-bw / 2), roundHalfAway(-bh / 2), roundHalfAway(bw),
                       roundHalfAway(bh));
    painter.setPen(QPen(Qt::black));
    painter.setBrush(Qt::black);

    switch (element.kind) {
    case ElementKind::text:
        ElementPainter::drawText(painter, text, element, local);
        break;
    case ElementKind::barcode:
        BarcodePainter::drawBarcode(painter, text, element, local);
        break;
    case ElementKind::qr:
        BarcodePainter::drawQR(painter, text, local);
        break;
    case ElementKind::line:
        painter.fillRect(local, Qt::black);
        break;
    case ElementKind::box:
    case ElementKind::ellipse:
        if (!element.filled) {
            strokeShape(painter, element, local);
        } else if (element.kind == ElementKind::box) {
            painter.fillRect(local, Qt::black);
        } else {
            painter.setPen(Qt::NoPen);
            painter.drawEllipse(local);
        }
        break;
    case ElementKind::image:
        PicturePainter::draw(painter, element.imageData, local);
        break;
    }
    painter.restore();
}

// Draws the elements of one pass onto the raster, each with its expanded content.
void drawPass(RenderedLabel& label, const LabelDocument& document, const QStringList& texts,
              qint64 scale, bool pictures) {
    QImage surface(reinterpret_cast<uchar*>(label.pixels.data()), int(label.width),
                   int(label.height), qsizetype(label.width), QImage::Format_Grayscale8);
    QPainter painter;
    if (!painter.begin(&surface)) {
        return; // a surface that cannot be painted leaves the paper white
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(double(scale), double(scale));
    for (qsizetype i = 0; i < document.elements.size(); ++i) {
        const LabelElement& element = document.elements[i];
        if ((element.kind == ElementKind::image) == pictures) {
            drawElement(painter, element, texts[i]);
        }
    }
}

std::optional<RasterSize> rasterSize(const LabelDocument& document, int scale) {
    const auto width = document.widthDots();
    const auto height = document.heightDots();
    if (!width || !height) {
        return std::nullopt;
    }
    return RasterSize{std::max(*width, minimumDots), std::max(*height, minimumDots),
                      std::max<qint64>(scale, 1)};
}

} // namespace

std::optional<QString> LabelRenderer::sizeProblem(const LabelDocument& document, int scale) {
    for (const auto& [dots, mm, side] :
         {std::tuple(document.widthDots(), document.widthMM, QStringLiteral("width")),
          std::tuple(document.heightDots(), document.heightMM, QStringLiteral("height"))}) {
        if (!dots || !(mm > 0)) {
            return QStringLiteral("The label's %1 (%2 mm) is not a size that can be printed.")
                .arg(side, QString::number(mm));
        }
    }
    const RasterSize size = *rasterSize(document, scale);
    // Compared by division, so that no product can overflow.
    const bool tooLarge = [&] {
        if (size.dotWidth > maxPixels / size.scale || size.dotHeight > maxPixels / size.scale) {
            return true;
        }
        return size.dotHeight * size.scale > maxPixels / (size.dotWidth * size.scale);
    }();
    if (!tooLarge) {
        return std::nullopt;
    }
    const QString dimensions =
        QStringLiteral("%1 × %2 mm")
            .arg(QString::number(document.widthMM), QString::number(document.heightMM));
    const qint64 millions = maxPixels / 1000000;
    if (size.scale == 1) {
        return QStringLiteral("The label is too large to draw: %1 is more than %2 million "
                              "printer dots.")
            .arg(dimensions)
            .arg(millions);
    }
    return QStringLiteral("The label is too large to draw at %1×: %2 is more than %3 million "
                          "pixels.")
        .arg(size.scale)
        .arg(dimensions)
        .arg(millions);
}

RenderedLabel LabelRenderer::render(const LabelDocument& document, const LabelContext& context,
                                    int scale, bool exact) {
    if (const auto problem = sizeProblem(document, scale)) {
        throw UserError(*problem);
    }
    if (document.elements.size() > LabelDocument::maxElements) {
        throw UserError(QStringLiteral("The label has too many elements: a label holds at most "
                                       "%1.")
                            .arg(LabelDocument::maxElements));
    }
    const QStringList texts = expandedContents(document, context);
    refusePictures(document);
    const RasterSize size = *rasterSize(document, scale);
    RenderedLabel label;
    label.width = size.dotWidth * size.scale;
    label.height = size.dotHeight * size.scale;
    label.pixels = QByteArray(label.width * label.height, char(255));

    // Pictures first, beneath everything; in the printed look they are dithered before
    // anything else is drawn, so text and shapes stay crisp over them.
    const bool pictures =
        std::any_of(document.elements.begin(), document.elements.end(),
                    [](const LabelElement& e) { return e.kind == ElementKind::image; });
    if (pictures) {
        drawPass(label, document, texts, size.scale, true);
        if (exact) {
            Dithering::floydSteinberg(reinterpret_cast<uchar*>(label.pixels.data()), label.width,
                                      label.height);
        }
    }
    drawPass(label, document, texts, size.scale, false);

    if (exact) {
        for (char& pixel : label.pixels) {
            pixel = static_cast<uchar>(pixel) < 128 ? char(0) : char(255);
        }
    }
    return label;
}

} // namespace vantrel
