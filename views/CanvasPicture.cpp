#include "views/CanvasPicture.h"

#include "LabelKit/model/Dots.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/render/LabelRenderer.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vantrel {

namespace {

// Larger pictures are not kept: the canvas of an absurdly large label shows white paper.
constexpr qint64 maxPicturePixels = qint64(1) << 26;

// The merge values as far as a preview shows them: the date to the minute, so a repaint within
// the same minute reuses the picture.
LabelContext normalised(LabelContext context) {
    const QTime time = context.date.time();
    context.date = context.date.addMSecs(-(time.second() * 1000 + time.msec()));
    return context;
}

// The bounding box of the pixels that are not white.
QRect inked(const QImage& image) {
    const QByteArray white(image.width(), char(255));
    int top = image.height(), bottom = -1, left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        if (std::memcmp(row, white.constData(), size_t(image.width())) == 0) {
            continue;
        }
        int first = 0;
        while (row[first] == 255) {
            ++first;
        }
        int last = image.width() - 1;
        while (row[last] == 255) {
            --last;
        }
        top = std::min(top, y);
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    return bottom < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The raster of a label, at the detail its picture size needs; null when it cannot be drawn.
QImage raster(const LabelDocument& document, const LabelContext& context, QSize pixels,
              bool showDots) {
    if (pixels.isEmpty() || qint64(pixels.width()) * pixels.height() > maxPicturePixels) {
        return {};
    }
    int detail = showDots ? 1 : CanvasPicture::detailFor(pixels.width() / document.widthMM);
    while (detail > 1 && LabelRenderer::sizeProblem(document, detail)) {
        --detail;
    }
    try {
        return LabelRenderer::render(document, context, detail, showDots).image();
    } catch (const UserError&) {
        return {};
    }
}

} // namespace

int CanvasPicture::detailFor(double pixelsPerMM) {
    const double detail = std::ceil(pixelsPerMM / Dots::perMM);
    return std::isfinite(detail) ? std::clamp(int(detail), 1, 4) : 1;
}

QImage CanvasPicture::picture(const Key& key) {
    const QImage label = raster(key.document, key.context, key.pixels, key.showDots);
    if (label.isNull()) {
        return {};
    }
    // Area averaging where the raster is finer than the screen; crisp dots when showing dots.
    const Qt::TransformationMode mode =
        key.showDots ? Qt::FastTransformation : Qt::SmoothTransformation;
    return label.scaled(key.pixels, Qt::IgnoreAspectRatio, mode)
        .convertToFormat(QImage::Format_RGB32);
}

CanvasPicture::Item CanvasPicture::item(const Key& key) {
    const QImage label = raster(key.document, key.context, key.pixels, key.showDots);
    const QRect inkedPart = label.isNull() ? QRect() : inked(label);
    if (inkedPart.isEmpty()) {
        return {};
    }
    return {label.copy(inkedPart).convertToFormat(QImage::Format_RGB32), QRectF(inkedPart),
            QSizeF(label.size())};
}

void CanvasPicture::paint(QPainter& painter, const QRectF& target, const LabelDocument& document,
                          const LabelContext& context, bool showDots,
                          const std::optional<QUuid>& moving) {
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels(int(std::lround(target.width() * ratio)),
                       int(std::lround(target.height() * ratio)));
    painter.save();
    painter.fillRect(target, Qt::white);
    painter.translate(target.topLeft());
    painter.scale(1 / ratio, 1 / ratio);
    painter.setClipRect(QRect(QPoint(0, 0), pixels), Qt::IntersectClip);

    const LabelElement* moved = moving ? document.element(*moving) : nullptr;
    if (!moved) {
        Key key{document, normalised(context), pixels, showDots};
        if (key != m_wholeKey) {
            m_whole = picture(key);
            m_wholeKey = std::move(key);
            ++m_labelRenders;
        }
        painter.drawImage(QPoint(0, 0), m_whole);
    } else {
        Key rest{document, normalised(context), pixels, showDots};
        rest.document.elements.removeIf([&](const LabelElement& e) { return e.id == *moving; });
        if (rest != m_restKey) {
            m_rest = picture(rest);
            m_restKey = rest;
            ++m_labelRenders;
        }
        Key single = std::move(rest);
        single.document.elements = {*moved};
        if (single != m_itemKey) {
            m_item = item(single);
            m_itemKey = std::move(single);
            ++m_itemRenders;
        }
        painter.drawImage(QPoint(0, 0), m_rest);
        if (!m_item.image.isNull()) {
            // Drawn straight from its raster, so it lands exactly where it belongs.
            const double fx = pixels.width() / m_item.rasterSize.width();
            const double fy = pixels.height() / m_item.rasterSize.height();
            const QRectF& s = m_item.source;
            painter.setRenderHint(QPainter::SmoothPixmapTransform, !showDots);
            painter.setCompositionMode(QPainter::CompositionMode_Multiply);
            painter.drawImage(QRectF(s.x() * fx, s.y() * fy, s.width() * fx, s.height() * fy),
                              m_item.image);
        }
    }
    painter.restore();
}

} // namespace vantrel
