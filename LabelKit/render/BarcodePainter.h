#pragma once

#include "LabelKit/model/LabelElement.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace vantrel {

// Draws barcode and QR elements from their encoders' modules, in whole dots per module.
// Local coordinates as in ElementPainter.
namespace BarcodePainter {

// A barcode element (retail or Code 128) with its expanded content.
void drawBarcode(QPainter& painter, const QString& text, const LabelElement& element,
                 const QRectF& local);

// A QR element with its expanded content.
void drawQR(QPainter& painter, const QString& text, const QRectF& local);

} // namespace BarcodePainter

} // namespace vantrel
