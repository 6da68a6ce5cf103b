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

// Why the design cannot be rendered at this scale (its size has no dot count, or the raster
// would be unreasonably large), or nothing when it can.
std::optional<QString> sizeProblem(const LabelDocument& document, int scale);

// The design drawn with the context: `scale` raster pixels per printer dot (below 1 acts as
// 1); `exact` gives the printed look (pictures dithered, every pixel 0 or 255).
// Throws UserError with sizeProblem's message when the design cannot be rendered.
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
