#pragma once

#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/render/RenderedLabel.h"

#include <QSizeF>
#include <QString>

#include <optional>

namespace vantrel {

// Turns a design and its merge values into a raster. Stateless; any thread.
namespace LabelRenderer {

// The most raster pixels one render may take (2^28: 256 MB of grey levels), so that a label of
// absurd size is refused instead of exhausting memory.
inline constexpr qint64 maxPixels = qint64(1) << 28;

// Text is laid out and shaped character by character, so a label's text is bounded: the
// content of one element (text, barcode or QR) once its placeholders are filled in, and all of
// them together. A label shows far fewer characters in a legible size.
inline constexpr qsizetype maxElementCharacters = 10000;
inline constexpr qsizetype maxLabelCharacters = 50000;
// All distinct pictures of a label together, in pixels: decoding time grows with them, and one
// picture of PicturePainter::maxPixels takes about a second.
inline constexpr qint64 maxPicturePixels = qint64(64) * 1024 * 1024;

// Why the design cannot be rendered at this scale (its size is not a positive number with a dot
// count, or the raster would be unreasonably large), or nothing when it can.
std::optional<QString> sizeProblem(const LabelDocument& document, int scale);

// The design drawn with the context: `scale` raster pixels per printer dot (below 1 acts as
// 1); `exact` gives the printed look (pictures dithered, every pixel 0 or 255).
// Throws UserError with sizeProblem's message when the design cannot be rendered, and with a
// message naming the limit when it has more than LabelDocument::maxElements elements, more text
// than maxElementCharacters or maxLabelCharacters, a picture beyond PicturePainter's limits, or
// pictures beyond maxPicturePixels.
RenderedLabel render(const LabelDocument& document, const LabelContext& context, int scale,
                     bool exact);

// The point size shrink-to-fit chooses for the text in a box of boxDots (width, height in dots).
double fittedFontSize(const QString& text, const LabelElement& element, QSizeF boxDots);

// The width in modules of the Code 128 symbol of the text without quiet zone, or nothing when
// the text cannot be encoded (empty, or not ASCII).
std::optional<qint64> code128Modules(const QString& text);

// A short warning for the inspector about a barcode element with this (expanded) content, or
// nothing when it will print well.
std::optional<QString> barcodeIssue(const LabelElement& element, const QString& content);

} // namespace LabelRenderer

} // namespace vantrel
