#include "LabelKit/edit/CanvasGeometry.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

CanvasGeometry::CanvasGeometry(QSizeF frame, QSizeF label) : labelMM(label) {
    const double availW = std::max(frame.width() - chrome, 10.0);
    const double availH = std::max(frame.height() - chrome, 10.0);
    scale = std::min(availW / labelMM.width(), availH / labelMM.height());
    if (!(scale > 0) || !std::isfinite(scale)) {
        scale = 1; // a label without a usable size still gets a frame to draw in
    }
    const QSizeF size(labelMM.width() * scale, labelMM.height() * scale);
    // The gap lies between the rulers and the paper, so no tick touches the label's edge.
    const QPointF origin((availW - size.width()) / 2 + chrome,
                         (availH - size.height()) / 2 + chrome);
    paper = QRectF(origin, size);
    topRuler = QRectF(origin.x(), 0, size.width(), rulerThickness);
    leftRuler = QRectF(0, origin.y(), rulerThickness, size.height());
    corner = QRectF(0, 0, rulerThickness, rulerThickness);
}

QSizeF CanvasGeometry::frameFor(double scale, QSizeF labelMM) {
    return QSizeF(scale * labelMM.width() + chrome, scale * labelMM.height() + chrome);
}

QRectF CanvasGeometry::outline(const LabelElement& element) const {
    return QRectF(element.x * scale, element.y * scale,
                  std::max(element.width * scale, minimumOutline),
                  std::max(element.height * scale, minimumOutline));
}

QRectF CanvasGeometry::handleArea(const LabelElement& element, double scale) {
    const QPointF corner((element.x + element.width) * scale, (element.y + element.height) * scale);
    const QPointF half(handleTouchArea / 2, handleTouchArea / 2);
    return QRectF(corner - half, corner + half);
}

std::optional<QUuid> CanvasGeometry::hit(const LabelDocument& document, QPointF mm) {
    for (auto it = document.elements.crbegin(); it != document.elements.crend(); ++it) {
        const LabelElement& e = *it;
        if (mm.x() >= e.x - hitMarginMM && mm.x() <= e.x + e.width + hitMarginMM &&
            mm.y() >= e.y - hitMarginMM && mm.y() <= e.y + e.height + hitMarginMM) {
            return e.id;
        }
    }
    return std::nullopt;
}

} // namespace vantrel
