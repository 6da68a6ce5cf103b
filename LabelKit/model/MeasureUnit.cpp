#include "LabelKit/model/MeasureUnit.h"

#include "LabelKit/platform/SettingsStore.h"

#include <charconv>
#include <cmath>

namespace vantrel {

namespace {

// Rounds the decimal digits of a non-negative number to `places` fraction digits, half to even,
// working on its shortest round-trip decimal form (so 12.35 is the decimal 12.35, not the
// binary value just below it), and drops trailing zeros. Empty when there is no such form.
QByteArray roundHalfEven(double value, int places) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc()) {
        return {};
    }
    const QByteArray text(buffer, result.ptr - buffer);
    qsizetype point = text.indexOf('.');
    QByteArray digits = text;
    if (point < 0) {
        point = text.size();
    } else {
        digits.remove(point, 1);
    }
    const qsizetype keep = point + places;
    if (digits.size() > keep) {
        const char next = digits[keep];
        bool moreAfterNext = false;
        for (qsizetype i = keep + 1; i < digits.size(); ++i) {
            moreAfterNext = moreAfterNext || digits[i] != '0';
        }
        const bool roundUp =
            next > '5' || (next == '5' && (moreAfterNext || (digits[keep - 1] - '0') % 2 == 1));
        digits.truncate(keep);
        if (roundUp) {
            qsizetype i = keep - 1;
            while (i >= 0 && digits[i] == '9') {
                digits[i] = '0';
                --i;
            }
            if (i >= 0) {
                ++digits[i];
            } else {
                digits.prepend('1');
                ++point;
            }
        }
    }
    QByteArray integer = digits.left(point);
    QByteArray fraction = digits.mid(point);
    while (fraction.endsWith('0')) {
        fraction.chop(1);
    }
    if (integer.isEmpty()) {
        integer = "0";
    }
    return fraction.isEmpty() ? integer : integer + '.' + fraction;
}

} // namespace

std::optional<MeasureUnit> MeasureUnit::fromRawValue(QStringView raw) {
    if (raw == u"mm") {
        return MeasureUnit(mm);
    }
    if (raw == u"inches") {
        return MeasureUnit(inches);
    }
    return std::nullopt;
}

MeasureUnit MeasureUnit::regionDefault(const QLocale& locale) {
    return locale.measurementSystem() == QLocale::ImperialUSSystem ? inches : mm;
}

MeasureUnit MeasureUnit::load(const SettingsStore& settings, const QLocale& locale) {
    if (const auto raw = settings.text(storageKey())) {
        if (const auto unit = fromRawValue(*raw)) {
            return *unit;
        }
    }
    return regionDefault(locale);
}

void MeasureUnit::save(SettingsStore& settings) const {
    settings.setText(storageKey(), rawValue());
}

QString MeasureUnit::rawValue() const {
    return m_value == mm ? QStringLiteral("mm") : QStringLiteral("inches");
}

QString MeasureUnit::title() const {
    return m_value == mm ? QStringLiteral("Millimetres") : QStringLiteral("Inches");
}

QString MeasureUnit::symbol() const {
    return m_value == mm ? QStringLiteral("mm") : QStringLiteral("in");
}

double MeasureUnit::fromMM(double value) const {
    return m_value == mm ? value : value / mmPerInch;
}

double MeasureUnit::toMM(double value) const {
    return m_value == mm ? value : value * mmPerInch;
}

QString MeasureUnit::number(double lengthMM, const QLocale& locale) const {
    const double value = fromMM(lengthMM);
    if (!std::isfinite(value)) {
        return QString::number(value);
    }
    const QByteArray digits = roundHalfEven(std::fabs(value), m_value == mm ? 1 : 2);
    if (digits.isEmpty()) {
        return QString::number(value, 'g', QLocale::FloatingPointShortest);
    }
    QString text = QString::fromLatin1(digits);
    text.replace(u'.', locale.decimalPoint());
    // A negative length that rounds to zero shows as 0, not -0.
    if (std::signbit(value) && digits != "0") {
        text.prepend(locale.negativeSign());
    }
    return text;
}

QString MeasureUnit::sizeText(double widthMM, double heightMM, const QLocale& locale) const {
    return number(widthMM, locale) + QStringLiteral(" \u00D7 ") + number(heightMM, locale) + u' ' +
           symbol();
}

} // namespace vantrel
