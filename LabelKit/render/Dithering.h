#pragma once

#include <QtGlobal>

namespace vantrel {

// Floyd–Steinberg error diffusion of a grey raster to pure black and white, in place.
namespace Dithering {

// Rows top to bottom, each left to right (never serpentine). A pixel plus its carried error
// below 128 becomes 0, otherwise 255; the difference goes 7/16 right, 3/16 below left, 5/16
// below and 1/16 below right, each share truncated toward zero on its own, shares outside the
// raster dropped. Errors accumulate in 64 bits.
void floydSteinberg(uchar* pixels, qint64 width, qint64 height);

} // namespace Dithering

} // namespace vantrel
