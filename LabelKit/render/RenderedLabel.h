#pragma once

#include <QByteArray>
#include <QImage>
#include <QtGlobal>

namespace vantrel {

// A grey raster at the printer's 8 dots per millimetre (times a preview scale): 0 is black,
// 255 white, and a value below 128 counts as black. Exact renders hold only 0 and 255.
struct RenderedLabel {
    qint64 width = 0;
    qint64 height = 0;
    QByteArray pixels; // width x height grey levels, row-major, top row first

    // Pixel (x, y) is black. The coordinates must lie inside the raster.
    bool isBlack(qint64 x, qint64 y) const {
        return static_cast<uchar>(pixels[y * width + x]) < 128;
    }

    // The 1-bit rows of the TSPL BITMAP command: (width + 7) / 8 bytes a row, top row first,
    // leftmost pixel in the most significant bit, 0 a black dot, 1 white; padding bits white.
    QByteArray packedRows() const;

    // An 8-bit grey image of the raster for display. It shares the pixel bytes (no copy);
    // detaching either side copies as Qt values do.
    QImage image() const;
};

} // namespace vantrel
