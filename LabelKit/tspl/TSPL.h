#pragma once

#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/render/RenderedLabel.h"

#include <QByteArray>

namespace vantrel {

// The TSPL byte stream that prints one label: page set-up, the whole label as one 1-bit
// BITMAP, print settings and PRINT with the copy count. Stateless; any thread.
namespace TSPL {

// Encodes a raster rendered at scale 1; the document gives size, gap and density. Density is
// clamped to 0...15 and copies raised to at least 1.
// Throws UserError when the size is not a positive number of millimetres or the gap not a
// number of millimetres from 0 up.
QByteArray job(const RenderedLabel& label, const LabelDocument& document, qint64 copies);

// Renders the design exactly at scale 1 and encodes it.
// Throws UserError when the design's size cannot be printed.
QByteArray job(const LabelDocument& document, const LabelContext& context, qint64 copies);

} // namespace TSPL

} // namespace vantrel
