#pragma once

#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"

#include <QImage>
#include <QRectF>
#include <QUuid>

#include <optional>

class QPainter;

namespace vantrel {

// The rendered label as the canvas shows it. The label is rendered at a detail that suits its
// size on screen and scaled once to exactly that size, so a repaint only copies pixels; the
// picture is kept until the design, the merge values (to the minute), the size or the dots
// setting change.
//
// While one item is dragged or resized, the rest of the label is rendered once and only that
// item again at each step. The renderer draws black ink on white paper, and ink layers darken
// each other in any order, so multiplying the two layers gives the picture of the whole label
// (pictures that overlap other pictures aside, until the gesture ends).
class CanvasPicture {
public:
    // Paints the label's picture over `target` (logical points; the painter's device gives the
    // pixel ratio). `moving` names the item of a gesture in progress, if any.
    void paint(QPainter& painter, const QRectF& target, const LabelDocument& document,
               const LabelContext& context, bool showDots,
               const std::optional<QUuid>& moving = std::nullopt);

    // Renders so far: whole labels, and single items during gestures (for tests and benchmarks).
    qint64 labelRenders() const { return m_labelRenders; }
    qint64 itemRenders() const { return m_itemRenders; }

    // Raster pixels per printer dot for a label drawn at `pixelsPerMM` device pixels per
    // millimetre: enough to cover the screen's pixels, 1 to 4.
    static int detailFor(double pixelsPerMM);

private:
    struct Key {
        LabelDocument document;
        LabelContext context;
        QSize pixels;
        bool showDots = false;

        friend bool operator==(const Key&, const Key&) = default;
    };
    // The inked part of a raster of one item, and where it lies in that raster.
    struct Item {
        QImage image;
        QRectF source;
        QSizeF rasterSize;
    };

    // The label's picture at exactly key.pixels.
    static QImage picture(const Key& key);
    static Item item(const Key& key);

    std::optional<Key> m_wholeKey;
    QImage m_whole;
    std::optional<Key> m_restKey;
    QImage m_rest;
    std::optional<Key> m_itemKey;
    Item m_item;
    qint64 m_labelRenders = 0;
    qint64 m_itemRenders = 0;
};

} // namespace vantrel
