#pragma once

#include "LabelKit/edit/UnitStepper.h"
#include "LabelKit/model/MeasureUnit.h"

#include <QLocale>
#include <QString>

#include <utility>

namespace vantrel {

// The arithmetic of one length field of the inspectors: the length is stored in millimetres
// and shown, entered and stepped in the display unit, within a range given in millimetres.
struct LengthInput {
    double stepMM = 1;
    double minMM = 0;
    double maxMM = 0;

    // The stored length as the field shows it.
    double shown(double mm, MeasureUnit unit) const { return unit.fromMM(mm); }
    // An entered or stepped value back in millimetres: converted, then raised to the lower
    // bound, then lowered to the upper bound.
    double stored(double value, MeasureUnit unit) const;
    // The stepper's increment in the unit.
    double step(MeasureUnit unit) const { return UnitStepper::step(unit, stepMM); }
    // The stepper's bounds in the unit.
    std::pair<double, double> bounds(MeasureUnit unit) const {
        return {unit.fromMM(minMM), unit.fromMM(maxMM)};
    }
    // The most fraction digits the field shows and takes in the unit.
    static int decimals(MeasureUnit unit) { return UnitStepper::fractionDigits(unit).second; }
    // A value as the field writes it: up to `decimals` fraction digits, trailing zeros dropped,
    // the locale's decimal separator, no grouping.
    static QString text(double value, int decimals, const QLocale& locale = QLocale());
};

} // namespace vantrel
