#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageWriter>

namespace testsupport {

// A flat progressive JPEG of side × side pixels with `scans` scans: its second scan repeated.
// Each scan makes the decoder pass over the whole picture.
inline QByteArray progressiveJpeg(int side, qsizetype scans) {
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(QColor(90, 120, 150));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setProgressiveScanWrite(true);
    if (!writer.write(image)) {
        return {};
    }
    // A scan's coded data ends at the next marker: 0xFF followed by neither 0 nor a restart.
    const qsizetype second = jpeg.indexOf("\xFF\xDA", jpeg.indexOf("\xFF\xDA") + 2);
    qsizetype end = second + 2 + (uchar(jpeg[second + 2]) << 8 | uchar(jpeg[second + 3]));
    while (!(jpeg[end] == '\xFF' && jpeg[end + 1] != '\0' &&
             (uchar(jpeg[end + 1]) < 0xD0 || uchar(jpeg[end + 1]) > 0xD7))) {
        ++end;
    }
    const qsizetype own = jpeg.count("\xFF\xDA");
    return jpeg.left(end) + jpeg.mid(second, end - second).repeated(scans - own) + jpeg.mid(end);
}

} // namespace testsupport
