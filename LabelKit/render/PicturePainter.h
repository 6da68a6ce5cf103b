#pragma once

#include <QByteArray>
#include <QImage>
#include <QRectF>

#include <optional>

class QPainter;
class QString;

namespace vantrel {

// Pictures of image elements: decoding and drawing, scaled to fit and centred.
namespace PicturePainter {

// Pictures with more pixels than this (64 megapixels, 256 MB as 32-bit pixels) are refused
// before they are decoded: a small file can claim a huge size and would exhaust memory. Qt's
// decoders refuse, on their own, images larger than a process-wide allocation limit; it is
// raised once, when this library is loaded, so that every picture within this cap decodes in
// up to 64 bits a pixel.
inline constexpr qint64 maxPixels = qint64(64) * 1024 * 1024;
// JPEG pictures with more scans than this are refused before they are decoded (JpegScans.h).
// Common progressive files have ten.
inline constexpr qsizetype maxScans = 100;

// What a picture file says of itself before it is decoded: the pixels it claims (0 when the
// bytes are not a picture the decoders read), and why it is beyond maxPixels or maxScans, when
// it is.
struct Claim {
    qint64 pixels = 0;
    std::optional<QString> problem;
};
Claim inspect(const QByteArray& bytes);

// The first image of the picture file with its orientation applied, or a null image when the
// bytes are not a picture the decoders read, or are beyond maxPixels or maxScans.
QImage decode(const QByteArray& bytes);

// Draws the picture into the local rectangle: scaled by the smaller of the two ratios (up or
// down), centred, unrounded, smoothly filtered; transparent parts leave the paper as it is.
// A missing or undecodable picture draws the invalid-content mark.
void draw(QPainter& painter, const std::optional<QByteArray>& bytes, const QRectF& local);

} // namespace PicturePainter

} // namespace vantrel
