#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>

#include <optional>

class QPainter;

namespace vantrel {

// Pictures of image elements: decoding and drawing, scaled to fit and centred.
namespace PicturePainter {

// Pictures with more pixels than this (64 megapixels, 256 MB as 32-bit pixels) are refused
// before they are decoded: a small file can claim a huge size and would exhaust memory.
inline constexpr qint64 maxPixels = qint64(64) * 1024 * 1024;

// The first image of the picture file with its orientation applied, or a null image when the
// bytes are not a picture the decoders read, or claim more than maxPixels.
QImage decode(const QByteArray& bytes);

// Draws the picture into the local rectangle: scaled by the smaller of the two ratios (up or
// down), centred, unrounded, smoothly filtered; transparent parts leave the paper as it is.
// A missing or undecodable picture draws the invalid-content mark.
void draw(QPainter& painter, const std::optional<QByteArray>& bytes, const QRectF& local);

} // namespace PicturePainter

} // namespace vantrel
