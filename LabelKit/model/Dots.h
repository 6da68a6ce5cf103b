#pragma once

#include <QtGlobal>

#include <optional>

namespace vantrel {

// Printer dots: the CT221B prints 8 dots per millimetre (203 dpi).
namespace Dots {

inline constexpr double perMM = 8.0;
// Font sizes are typographic points: 203 dots per 72 points.
inline constexpr double perPoint = 203.0 / 72.0;

// mm x 8 rounded to the nearest whole dot, halves away from zero. Nothing when the length has
// no dot count: not finite, or beyond the signed 64-bit range once multiplied by 8. Label
// files may carry any number, so callers refuse such a label instead of drawing it.
std::optional<qint64> from(double mm);

} // namespace Dots

} // namespace vantrel
