#pragma once

#include "LabelKit/barcode/ModuleMatrix.h"

#include <QImage>
#include <QList>
#include <QString>

#include <ZXing/ReadBarcode.h>

// Independent readers for the symbols under test: ZXing's reader on grey images.
namespace readers {

using namespace vantrel;

struct Decoded {
    bool valid = false;
    QString text;
    QString ecLevel;
};

inline Decoded decode(const QImage& image, ZXing::BarcodeFormats formats = {}) {
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    ZXing::DecodeHints hints;
    hints.setFormats(formats);
    hints.setTryHarder(true);
    hints.setTryRotate(true);
    const ZXing::Result result =
        ZXing::ReadBarcode(ZXing::ImageView(grey.constBits(), grey.width(), grey.height(),
                                            ZXing::ImageFormat::Lum, int(grey.bytesPerLine())),
                           hints);
    return {result.isValid(), QString::fromStdString(result.text()),
            QString::fromStdString(result.ecLevel())};
}

// A module matrix drawn at `scale` pixels per module inside a white border of `quiet` modules.
inline QImage drawModules(const ModuleMatrix& matrix, int scale, int quiet, int rowHeight = 0) {
    const int rows = rowHeight > 0 ? rowHeight : matrix.height * scale;
    QImage image((matrix.width + 2 * quiet) * scale, rows + 2 * quiet * scale,
                 QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < rows; ++y) {
        const int my = rowHeight > 0 ? 0 : y / scale;
        uchar* line = image.scanLine(y + quiet * scale);
        for (int x = 0; x < matrix.width * scale; ++x) {
            if (matrix.isDark(x / scale, my)) {
                line[x + quiet * scale] = 0;
            }
        }
    }
    return image;
}

// A row of modules as a linear symbol 40 pixels tall.
inline QImage drawRow(const QList<bool>& modules, int scale = 2, int quiet = 10) {
    return drawModules(ModuleMatrix{int(modules.size()), 1, modules}, scale, quiet, 40);
}

} // namespace readers
