#pragma once

#include "LabelKit/model/LabelElement.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace vantrel {

// Drawing shared by the element painters. Coordinates are an element's local coordinates in
// dots: origin at the centre of its box, already turned by its rotation; `local` is the
// element's local rectangle (whole dots).
namespace ElementPainter {

// The framed cross that stands for content that cannot be drawn.
void drawInvalidMark(QPainter& painter, const QRectF& local);

// Text as a text element draws it in a box: the element's face and size (or the shrink-to-fit
// size when the element asks for it), wrapped at the box width, aligned, centred vertically,
// spilling below a box that is too short.
void drawText(QPainter& painter, const QString& text, const LabelElement& element,
              const QRectF& box);

} // namespace ElementPainter

} // namespace vantrel
