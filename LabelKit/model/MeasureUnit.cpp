#include "LabelKit/model/MeasureUnit.h"

#include "LabelKit/platform/SettingsStore.h"

#include <charconv>
#include <cmath>
#include <string>

namespace {

// Rounds the decimal digits of a non-negative number to `places` fraction digits, half to even,
// working on its shortest round-trip decimal form (so 12.35 is the decimal 12.35, not the
// binary value just below it), and drops trailing zeros.
std::string roundHalfEven(double value, int places) {
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc()) {
        return {};
    }
    std::string text(buffer, end);
    const auto point = text.find('.');
    std::string integer = point == std::string::npos ? text : text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    if (int(fraction.size()) > places) {
        const std::string kept = fraction.substr(0, places);
        const std::string rest = fraction.substr(places);
        bool roundUp = false;
        if (rest[0] > '5') {
            roundUp = true;
        } else if (rest[0] == '5') {
            const bool moreAfterFive = rest.find_first_not_of('0', 1) != std::string::npos;
            const char last = kept.empty() ? integer.back() : kept.back();
            roundUp = moreAfterFive || (last - '0') % 2 == 1;
        }
        std::string digits = integer + kept;
        if (roundUp) {
            int i = int(digits.size()) - 1;
            while (i >= 0 && digits[i] == '9') {
                digits[i] = '0';
                --i;
            }
            if (i >= 0) {
                ++digits[i];
            } else {
                digits.insert(digits.begin(), '1');
            }
        }
        integer = digits.substr(0, digits.size() - kept.size());
        fraction = digits.substr(digits.size() - kept.size());
    }
    while (!fraction.empty() && fraction.back() == '0') {
        fraction.pop_back();
    }
    if (integer.empty()) {
        integer = "0";
    }
    return fraction.empty() ? integer : integer + '.' + fraction;
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

std::pair<int, int> MeasureUnit::fractionDigits() const {
    return m_value == mm ? std::pair{0, 2} : std::pair{0, 3};
}

double MeasureUnit::fromMM(double value) const {
    return m_value == mm ? value : value / mmPerInch;
}

double MeasureUnit::toMM(double value) const {
    return m_value == mm ? value : value * mmPerInch;
}

double MeasureUnit::step(double forMM) const {
    if (m_value == mm) {
        return forMM;
    }
    return std::max(std::round(forMM / mmPerInch * 100) / 100, 0.01);
}

QString MeasureUnit::number(double lengthMM, const QLocale& locale) const {
    const double value = fromMM(lengthMM);
    if (!std::isfinite(value)) {
        return QString::number(value);
    }
    std::string digits = roundHalfEven(std::fabs(value), m_value == mm ? 1 : 2);
    if (digits.empty()) {
        return QString::number(value, 'g', QLocale::FloatingPointShortest);
    }
    QString text = QString::fromLatin1(digits);
    text.replace(u'.', locale.decimalPoint());
    // A negative length that rounds to zero shows as 0, not -0.
    if (std::signbit(value) && digits.find_first_not_of("0.") != std::string::npos) {
        text.prepend(locale.negativeSign());
    }
    return text;
}

QString MeasureUnit::sizeText(double widthMM, double heightMM, const QLocale& locale) const {
    return number(widthMM, locale) + QStringLiteral(" \u00D7 ") + number(heightMM, locale) + u' ' +
           symbol();
}
