#pragma once

#include <QString>

namespace vantrel {

// How a received signal strength is shown.
namespace SignalStrength {

constexpr int maxBars = 4;

// Bars lit out of four: -59 dBm or more 4, -69 to -60 3, -79 to -70 2, -80 or less 1 (so
// "no reading", stored as -100, still shows one).
int bars(int rssi);

// What assistive technology reads: "Signal -63 dBm".
QString accessibleText(int rssi);

} // namespace SignalStrength

} // namespace vantrel
