#include "LabelKit/model/Dots.h"

#include <cmath>

namespace vantrel {

std::optional<qint64> Dots::from(double mm) {
    const double rounded = std::round(mm * perMM);
    // 2^63 is exactly representable; every double below it in magnitude fits a qint64.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(rounded) || rounded >= limit || rounded < -limit) {
        return std::nullopt;
    }
    return static_cast<qint64>(rounded);
}

} // namespace vantrel
