#pragma once

#include "LabelKit/model/LabelDocument.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QUuid>

#include <optional>

namespace vantrel {

// Where the label canvas draws a label in a frame of the given size (points): the rulers along
// the top and left edges, the 18-point corner between them, and the paper centred in the rest
// at the largest scale that fits. Points on the paper convert to millimetres by the scale alone.
struct CanvasGeometry {
    static constexpr double rulerThickness = 18;
    // The rulers and the 4-point gap between them and the paper.
    static constexpr double chrome = 22;
    // Outlines are never drawn smaller than this on either side, so tiny items stay visible.
    static constexpr double minimumOutline = 4;
    static constexpr double handleDiameter = 10;
    static constexpr double handleTouchArea = 22;
    // A click this close to an item's box still hits it.
    static constexpr double hitMarginMM = 1;

    CanvasGeometry(QSizeF frame, QSizeF labelMM);

    // The frame in which the canvas draws the label at `scale` (what the editor gives it).
    static QSizeF frameFor(double scale, QSizeF labelMM);

    QSizeF labelMM;
    double scale = 1; // points per millimetre
    QRectF paper;     // in frame points
    QRectF topRuler;  // paper width × 18 at the top edge
    QRectF leftRuler; // 18 × paper height at the left edge
    QRectF corner;    // 18 × 18, top left

    // Paper points (from the paper's top-left corner) to millimetres and back.
    QPointF toMM(QPointF paperPoint) const { return paperPoint / scale; }
    QPointF toPaper(QPointF mm) const { return mm * scale; }
    // The item's unrotated box in paper points, each side at least minimumOutline.
    QRectF outline(const LabelElement& element) const;
    // The resize handle's touch area in paper points at the scale, centred on the bottom-right
    // corner of the item's box.
    static QRectF handleArea(const LabelElement& element, double scale);
    QRectF handleArea(const LabelElement& element) const { return handleArea(element, scale); }

    // The topmost item whose box, grown by hitMarginMM on every side, contains the point (mm).
    // Rotation is not taken into account.
    static std::optional<QUuid> hit(const LabelDocument& document, QPointF mm);
};

} // namespace vantrel
