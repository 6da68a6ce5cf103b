#pragma once

#include <QSizeF>

namespace vantrel {

// The editor's zoom: a factor over the size that fits the label, with its rulers and padding,
// into the visible canvas area, and the scale in points per millimetre it gives.
namespace Zoom {

inline constexpr double minimum = 0.5;
inline constexpr double maximum = 4.0;
inline constexpr double step = 0.25;
// The rulers (22 points) and the padding on both sides (2 × 30 points) around the label.
inline constexpr double chrome = 82;
// The scale never drops below this, however small the window (points per millimetre).
inline constexpr double minimumScale = 2;

// One step in or out, kept within minimum…maximum.
double in(double zoom);
double out(double zoom);
// The zoom as a whole percentage, truncated: 0.755 shows 75.
int percent(double zoom);

// The scale at which the label and its chrome just fit into the area (points per millimetre),
// before the minimum applies.
double fit(QSizeF area, QSizeF labelMM);
// fit × zoom, at least minimumScale. A label without a usable size (zero, negative, not a
// number) is drawn at the minimum scale.
double scale(QSizeF area, QSizeF labelMM, double zoom);

} // namespace Zoom

} // namespace vantrel
