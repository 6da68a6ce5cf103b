#pragma once

#include <QLocale>
#include <QString>

#include <array>
#include <optional>

namespace vantrel {

class SettingsStore;

// The unit in which lengths are shown and edited. What is stored stays in millimetres.
class MeasureUnit {
public:
    enum Value { mm, inches };

    constexpr MeasureUnit(Value value) : m_value(value) {}
    constexpr operator Value() const { return m_value; }

    static constexpr std::array<Value, 2> allCases() { return {mm, inches}; }
    static constexpr double mmPerInch = 25.4;
    // The settings key of the chosen unit's raw value.
    static QString storageKey() { return QStringLiteral("display.unit"); }

    static std::optional<MeasureUnit> fromRawValue(QStringView raw);
    // Inches where the locale measures in the United States system, else millimetres.
    static MeasureUnit regionDefault(const QLocale& locale = QLocale());
    // The stored choice, or the region default when the setting is absent or not a raw value.
    static MeasureUnit load(const SettingsStore& settings, const QLocale& locale = QLocale());
    void save(SettingsStore& settings) const;

    QString rawValue() const;
    QString title() const;
    QString symbol() const;

    double fromMM(double mm) const;
    double toMM(double value) const;
    // The length in this unit as display text: no grouping, the locale's decimal separator, at
    // most 1 (mm) or 2 (inches) fraction digits rounded half to even, trailing zeros dropped.
    QString number(double mm, const QLocale& locale = QLocale()) const;
    // "40 × 30 mm", "1.57 × 1.18 in".
    QString sizeText(double widthMM, double heightMM, const QLocale& locale = QLocale()) const;

private:
    Value m_value;
};

} // namespace vantrel
