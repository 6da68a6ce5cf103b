#include "LabelKit/render/RenderedLabel.h"

#include <limits>

namespace vantrel {

QByteArray RenderedLabel::packedRows() const {
    const qint64 rowBytes = (width + 7) / 8;
    QByteArray packed(rowBytes * height, char(0xFF));
    const auto* source = reinterpret_cast<const uchar*>(pixels.constData());
    auto* target = reinterpret_cast<uchar*>(packed.data());
    for (qint64 y = 0; y < height; ++y) {
        const uchar* row = source + y * width;
        uchar* out = target + y * rowBytes;
        for (qint64 x = 0; x < width; ++x) {
            if (row[x] < 128) {
                out[x >> 3] &= uchar(~(0x80u >> (x & 7)));
            }
        }
    }
    return packed;
}

QImage RenderedLabel::image() const {
    constexpr qint64 side = std::numeric_limits<int>::max();
    if (width <= 0 || height <= 0 || width > side || height > side ||
        pixels.size() / width < height) {
        return {};
    }
    // The image reads the bytes in place and keeps its own reference to them; writing to the
    // image (or to the raster) detaches it first.
    auto* keeper = new QByteArray(pixels);
    return QImage(
        reinterpret_cast<const uchar*>(keeper->constData()), int(width), int(height),
        qsizetype(width), QImage::Format_Grayscale8,
        [](void* info) { delete static_cast<QByteArray*>(info); }, keeper);
}

} // namespace vantrel
