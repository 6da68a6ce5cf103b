#include "LabelKit/render/BarcodePainter.h"

#include "LabelKit/render/LabelRenderer.h"

// Barcodes and QR codes draw nothing until their encoders land.
void BarcodePainter::drawBarcode(QPainter&, const QString&, const LabelElement&, const QRectF&) {}

void BarcodePainter::drawQR(QPainter&, const QString&, const QRectF&) {}

std::optional<qint64> LabelRenderer::code128Modules(const QString&) { return std::nullopt; }

std::optional<QString> LabelRenderer::barcodeIssue(const LabelElement&, const QString&) {
    return std::nullopt;
}
