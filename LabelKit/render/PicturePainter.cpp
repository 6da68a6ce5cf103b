#include "LabelKit/render/PicturePainter.h"

#include "LabelKit/render/ElementPainter.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <functional>

namespace vantrel {

namespace {

// A pixel count as an int; lengths beyond any picture's are cut to a billion.
int pixels(double length) {
    if (!(length > 1)) {
        return 1;
    }
    return int(std::ceil(std::min(length, 1e9)));
}

bool swapsSides(QImageIOHandler::Transformations transformation) {
    return transformation.testFlag(QImageIOHandler::TransformationRotate90);
}

// Reads the first image. `decodeSize` gets the picture's oriented size and may return a
// smaller size in which to decode it (decoders such as JPEG's then do far less work).
QImage read(const QByteArray& bytes, QSize* orientedSize,
            const std::function<QSize(QSize)>& decodeSize = {}) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize fileSize = reader.size();
    if (fileSize.isValid() &&
        qint64(fileSize.width()) * fileSize.height() > PicturePainter::maxPixels) {
        return {};
    }
    const bool swap = swapsSides(reader.transformation());
    if (fileSize.isValid() && decodeSize && reader.supportsOption(QImageIOHandler::ScaledSize)) {
        const QSize oriented = swap ? fileSize.transposed() : fileSize;
        const QSize wanted = decodeSize(oriented);
        if (wanted.isValid() && wanted.width() < oriented.width() &&
            wanted.height() < oriented.height()) {
            reader.setScaledSize(swap ? wanted.transposed() : wanted);
        }
    }
    QImage image = reader.read();
    if (image.isNull() || qint64(image.width()) * image.height() > PicturePainter::maxPixels) {
        return {};
    }
    if (orientedSize) {
        // A scaled decode still stands for the picture at its own size.
        *orientedSize =
            fileSize.isValid() ? (swap ? fileSize.transposed() : fileSize) : image.size();
    }
    return image;
}

} // namespace

QImage PicturePainter::decode(const QByteArray& bytes) {
    return read(bytes, nullptr);
}

void PicturePainter::draw(QPainter& painter, const std::optional<QByteArray>& bytes,
                          const QRectF& local) {
    if (!bytes || bytes->isEmpty()) {
        ElementPainter::drawInvalidMark(painter, local);
        return;
    }
    // How many device pixels one local unit spans along each axis of the picture.
    const QTransform device = painter.deviceTransform();
    const double unitX = std::hypot(device.m11(), device.m12());
    const double unitY = std::hypot(device.m21(), device.m22());
    QRectF target;
    QSize pictureSize;
    auto placement = [&](QSize size) {
        const double iw = size.width();
        const double ih = size.height();
        const double s = std::min(local.width() / iw, local.height() / ih);
        const double dw = s * iw;
        const double dh = s * ih;
        target = QRectF(local.center().x() - dw / 2, local.center().y() - dh / 2, dw, dh);
        // Decode at no less than twice the drawn size: the smooth scaling below still has
        // detail to average.
        return QSize(pixels(std::min(2 * dw * unitX, iw)), pixels(std::min(2 * dh * unitY, ih)));
    };
    QImage picture = read(*bytes, &pictureSize, placement);
    if (picture.isNull() || pictureSize.isEmpty()) {
        ElementPainter::drawInvalidMark(painter, local);
        return;
    }
    placement(pictureSize);

    // Large reductions are averaged over every source pixel first; the painter's own smooth
    // filter samples only the nearest four and would alias.
    const QSize drawn(pixels(target.width() * unitX), pixels(target.height() * unitY));
    if (picture.width() > drawn.width() || picture.height() > drawn.height()) {
        picture = picture.scaled(drawn, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    picture =
        picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                          : QImage::Format_Grayscale8);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target, picture);
    painter.restore();
}

} // namespace vantrel
