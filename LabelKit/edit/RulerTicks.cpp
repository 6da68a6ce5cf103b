#include "LabelKit/edit/RulerTicks.h"

#include <algorithm>
#include <cmath>

namespace vantrel::RulerTicks {

Spacing spacing(MeasureUnit unit, double scale) {
    if (unit == MeasureUnit::inches) {
        const double sixteenth = MeasureUnit::mmPerInch / 16;
        if (scale * sixteenth >= 3.5) {
            return {sixteenth, 8, 4};
        }
        return {sixteenth * 2, 4, 2};
    }
    return {1, scale >= 14 ? 5 : 10, 5};
}

QString label(qint64 index, MeasureUnit unit, const Spacing& spacing) {
    if (unit == MeasureUnit::mm) {
        return QString::number(index);
    }
    const qint64 halves = index / spacing.labelledEvery;
    if (halves % 2 == 0) {
        return QString::number(halves / 2);
    }
    return (halves == 1 ? QString() : QString::number((halves - 1) / 2)) + QChar(u'½');
}

QList<RulerTick> ticks(double lengthMM, double scale, MeasureUnit unit, double fromPoints,
                       double toPoints) {
    QList<RulerTick> result;
    if (!(scale > 0) || !(lengthMM >= 0) || !std::isfinite(lengthMM * scale)) {
        return result;
    }
    const Spacing s = spacing(unit, scale);
    const double stepPoints = s.stepMM * scale;
    const auto first = qint64(std::max(std::ceil(fromPoints / stepPoints), 0.0));
    for (qint64 i = first; i * s.stepMM <= lengthMM + 0.001; ++i) {
        const double position = double(i) * stepPoints;
        if (position > toPoints) {
            break;
        }
        RulerTick tick{position, RulerTick::Kind::minor, {}};
        if (i % s.labelledEvery == 0) {
            tick.kind = RulerTick::Kind::labelled;
            if (i != 0 && double(i) * s.stepMM <= lengthMM - 2) {
                tick.label = label(i, unit, s);
            }
        } else if (i % s.mediumEvery == 0) {
            tick.kind = RulerTick::Kind::medium;
        }
        result.append(tick);
    }
    return result;
}

} // namespace vantrel::RulerTicks
