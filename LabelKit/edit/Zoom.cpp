#include "LabelKit/edit/Zoom.h"

#include <algorithm>
#include <cmath>

namespace vantrel::Zoom {

double in(double zoom) {
    return std::min(zoom + step, maximum);
}

double out(double zoom) {
    return std::max(zoom - step, minimum);
}

int percent(double zoom) {
    return int(std::trunc(zoom * 100));
}

double fit(QSizeF area, QSizeF labelMM) {
    return std::min((area.width() - chrome) / labelMM.width(),
                    (area.height() - chrome) / labelMM.height());
}

double scale(QSizeF area, QSizeF labelMM, double zoom) {
    const double s = fit(area, labelMM) * zoom;
    return std::isfinite(s) && s > minimumScale ? s : minimumScale;
}

} // namespace vantrel::Zoom
