#pragma once

#include "LabelKit/model/MeasureUnit.h"

#include <QList>
#include <QString>

namespace vantrel {

// One tick of a ruler: where it sits along the ruler (points from its start), how long it is
// drawn, and its label (empty for most ticks).
struct RulerTick {
    enum class Kind { minor, medium, labelled };

    double position = 0;
    Kind kind = Kind::minor;
    QString label;

    friend bool operator==(const RulerTick&, const RulerTick&) = default;
};

// The ticks of the canvas rulers. In millimetres: a tick every millimetre, a medium tick every
// 5, a label every 10 (every 5 from 14 points per millimetre). In inches: a tick every 1/16
// inch while those stay 3.5 points apart, else every 1/8; labels every half inch, reading
// ½, 1, 1½, 2… No label at 0 nor within 2 mm of the end, where it would run off the paper.
namespace RulerTicks {

struct Spacing {
    double stepMM;
    int labelledEvery; // ticks
    int mediumEvery;   // ticks
};

Spacing spacing(MeasureUnit unit, double scale);

// The ticks of a ruler lengthMM long drawn at `scale` points per millimetre, limited to those
// between fromPoints and toPoints (the part on screen).
QList<RulerTick> ticks(double lengthMM, double scale, MeasureUnit unit, double fromPoints = 0,
                       double toPoints = 1e12);

// The label of tick i: the millimetre value, or half inches as ½, 1, 1½…
QString label(qint64 index, MeasureUnit unit, const Spacing& spacing);

} // namespace RulerTicks

} // namespace vantrel
