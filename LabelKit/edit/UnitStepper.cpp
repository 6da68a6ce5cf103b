#include "LabelKit/edit/UnitStepper.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

double UnitStepper::step(MeasureUnit unit, double forMM) {
    if (unit == MeasureUnit::mm) {
        return forMM;
    }
    return std::max(std::round(forMM / MeasureUnit::mmPerInch * 100) / 100, 0.01);
}

std::pair<int, int> UnitStepper::fractionDigits(MeasureUnit unit) {
    return unit == MeasureUnit::mm ? std::pair{0, 2} : std::pair{0, 3};
}

} // namespace vantrel
