#include "LabelKit/edit/LengthInput.h"

#include <algorithm>

namespace vantrel {

double LengthInput::stored(double value, MeasureUnit unit) const {
    return std::min(std::max(unit.toMM(value), minMM), maxMM);
}

QString LengthInput::text(double value, int decimals, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    QString written = plain.toString(value, 'f', std::max(decimals, 0));
    const QString point = plain.decimalPoint();
    if (decimals > 0 && written.contains(point)) {
        while (written.endsWith(plain.zeroDigit())) {
            written.chop(1);
        }
        if (written.endsWith(point)) {
            written.chop(point.size());
        }
    }
    // A value that rounds to zero from below reads "0", not "-0".
    if (written == plain.negativeSign() + plain.zeroDigit()) {
        written = plain.zeroDigit();
    }
    return written;
}

} // namespace vantrel
