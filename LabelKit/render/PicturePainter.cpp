#include "LabelKit/render/PicturePainter.h"

#include "LabelKit/render/ElementPainter.h"
#include "LabelKit/render/JpegScans.h"
#include "LabelKit/render/PictureCache.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <functional>

namespace vantrel {

namespace {

// Qt's limit is in megabytes of the decoded image; 8 bytes a pixel covers 16-bit colour. Set
// while the library loads, before any thread can decode, since readers everywhere read it.
const bool allocationLimitRaised = [] {
    const int needed = int(PicturePainter::maxPixels * 8 / (1024 * 1024));
    const int current = QImageReader::allocationLimit();
    if (current != 0 && current < needed) {
        QImageReader::setAllocationLimit(needed);
    }
    return true;
}();

qsizetype scans(const QByteArray& bytes) {
    return JpegScans::count(bytes, PicturePainter::maxScans + 1);
}

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
    if (scans(bytes) > PicturePainter::maxScans) {
        return {};
    }
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

PicturePainter::Claim PicturePainter::inspect(const QByteArray& bytes) {
    Q_UNUSED(allocationLimitRaised);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    Claim claim;
    if (!size.isValid()) {
        return claim;
    }
    claim.pixels = qint64(size.width()) * size.height();
    if (claim.pixels > maxPixels) {
        claim.problem = QStringLiteral("A picture is too large (%1 × %2 pixels): a picture may "
                                       "have at most %3 megapixels.")
                            .arg(size.width())
                            .arg(size.height())
                            .arg(maxPixels / (1024 * 1024));
    } else if (scans(bytes) > maxScans) {
        claim.problem = QStringLiteral("A picture has too many scans: a JPEG picture may have at "
                                       "most %1.")
                            .arg(maxScans);
    }
    return claim;
}

QImage PicturePainter::decode(const QByteArray& bytes) {
    return read(bytes, nullptr);
}

namespace {

// Where the picture of this size sits in the frame: scaled by the smaller of the two ratios,
// centred.
QRectF placed(QSize pictureSize, const QRectF& local) {
    const double iw = pictureSize.width();
    const double ih = pictureSize.height();
    const double s = std::min(local.width() / iw, local.height() / ih);
    const double dw = s * iw;
    const double dh = s * ih;
    return QRectF(local.center().x() - dw / 2, local.center().y() - dh / 2, dw, dh);
}

// The picture decoded and reduced to the pixels it covers in the frame (`unitX`, `unitY`
// device pixels per local unit), in the format drawn.
PictureCache::Entry prepare(const QByteArray& bytes, const QRectF& local, double unitX,
                            double unitY) {
    QSize pictureSize;
    QImage picture = read(bytes, &pictureSize, [&](QSize size) {
        const QRectF target = placed(size, local);
        // Decode at no less than twice the drawn size: the smooth scaling below still has
        // detail to average.
        return QSize(pixels(std::min(2 * target.width() * unitX, double(size.width()))),
                     pixels(std::min(2 * target.height() * unitY, double(size.height()))));
    });
    if (picture.isNull() || pictureSize.isEmpty()) {
        return {};
    }
    // Large reductions are averaged over every source pixel first; the painter's own smooth
    // filter samples only the nearest four and would alias.
    const QRectF target = placed(pictureSize, local);
    const QSize drawn(pixels(target.width() * unitX), pixels(target.height() * unitY));
    if (picture.width() > drawn.width() || picture.height() > drawn.height()) {
        picture = picture.scaled(drawn, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    picture =
        picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                          : QImage::Format_Grayscale8);
    return {picture, pictureSize, {}, {}, {}};
}

// Adds the tile of an opaque picture in a frame whose device rectangle is `frame`: the picture
// drawn over white on the pixels it touches, placed relative to the frame's first whole pixel.
void addTile(PictureCache::Entry& entry, const QRectF& local, const QTransform& device,
             const QRectF& frame) {
    if (entry.image.isNull() || entry.image.hasAlphaChannel()) {
        return;
    }
    const QPointF anchor(std::floor(frame.left()), std::floor(frame.top()));
    const QRectF target = device.mapRect(placed(entry.pictureSize, local)).translated(-anchor);
    const QPoint first(int(std::floor(target.left())), int(std::floor(target.top())));
    const QPoint end(int(std::ceil(target.right())), int(std::ceil(target.bottom())));
    const QPoint innerFirst(int(std::ceil(target.left())), int(std::ceil(target.top())));
    const QPoint innerEnd(int(std::floor(target.right())), int(std::floor(target.bottom())));
    QImage tile(end.x() - first.x(), end.y() - first.y(), QImage::Format_Grayscale8);
    if (tile.isNull()) {
        return;
    }
    tile.fill(255);
    QPainter painter(&tile);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(target.translated(-first), entry.image);
    painter.end();
    entry.tile = tile;
    entry.tileOffset = first;
    entry.tileInner = QRect(innerFirst - first,
                            QSize(innerEnd.x() - innerFirst.x(), innerEnd.y() - innerFirst.y()));
}

} // namespace

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
    // What is drawn depends on the frame's size in device pixels and, when the frame lies on
    // the pixel grid's axes, on where it falls within a pixel.
    const bool upright = device.type() <= QTransform::TxScale && device.m11() > 0 &&
                         device.m22() > 0 && device.isInvertible();
    const QRectF frame = device.mapRect(local);
    const QRectF key(upright ? frame.left() - std::floor(frame.left()) : 0,
                     upright ? frame.top() - std::floor(frame.top()) : 0, local.width() * unitX,
                     local.height() * unitY);
    const PictureCache::Entry entry = PictureCache::shared().picture(*bytes, key, [&] {
        PictureCache::Entry made = prepare(*bytes, local, unitX, unitY);
        if (upright) {
            addTile(made, local, device, frame);
        }
        return made;
    });
    if (entry.image.isNull()) {
        ElementPainter::drawInvalidMark(painter, local);
        return;
    }
    const QRectF target = placed(entry.pictureSize, local);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!upright || entry.tile.isNull()) {
        painter.drawImage(target, entry.image);
        painter.restore();
        return;
    }
    // The wholly covered pixels are the tile's, whatever lies beneath; only the rim of partly
    // covered pixels is blended with it.
    const QPoint origin =
        QPoint(int(std::floor(frame.left())), int(std::floor(frame.top()))) + entry.tileOffset;
    const QRect inner = entry.tileInner.translated(origin);
    const QRegion rim = QRegion(QRect(origin, entry.tile.size())) - QRegion(inner);
    if (!rim.isEmpty()) {
        painter.save();
        painter.resetTransform();
        painter.setClipRegion(rim, Qt::IntersectClip);
        painter.setTransform(device);
        painter.drawImage(target, entry.image);
        painter.restore();
    }
    if (!inner.isEmpty()) {
        painter.resetTransform();
        painter.drawImage(inner.topLeft(), entry.tile, entry.tileInner);
    }
    painter.restore();
}

} // namespace vantrel
