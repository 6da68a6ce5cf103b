#pragma once

#include "LabelKit/model/MeasureUnit.h"

#include <utility>

namespace vantrel {

// How the editor's length fields step and round in the unit shown. Lengths are stored in
// millimetres whatever the unit; these rules shape only the controls.
namespace UnitStepper {

// The increment of a field whose step is given in millimetres: unchanged in mm; in inches
// rounded to two decimals (halves away from zero), at least 0.01.
double step(MeasureUnit unit, double forMM);

// The range of fraction digits a length field accepts.
std::pair<int, int> fractionDigits(MeasureUnit unit);

} // namespace UnitStepper

} // namespace vantrel
