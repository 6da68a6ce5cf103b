#include "views/NumberField.h"

#include "LabelKit/edit/LengthInput.h"

#include <QSignalBlocker>

#include <algorithm>

namespace vantrel {

namespace {

// Far beyond any length or size a label holds; only typing reaches these.
constexpr double typedLimit = 1e7;

} // namespace

NumberField::NumberField(QWidget* parent) : QDoubleSpinBox(parent) {
    QDoubleSpinBox::setRange(-typedLimit, typedLimit);
    setKeyboardTracking(true);
    setAccelerated(true);
}

void NumberField::setStepBounds(double low, double high) {
    m_low = low;
    m_high = high;
}

void NumberField::showValue(double value) {
    const QSignalBlocker blocker(this);
    setValue(value);
}

QString NumberField::textFromValue(double value) const {
    return LengthInput::text(value, decimals(), locale());
}

void NumberField::stepBy(int steps) {
    const double next = std::clamp(value() + steps * singleStep(), m_low, m_high);
    if (next != value()) {
        setValue(next);
    }
    selectAll();
}

QAbstractSpinBox::StepEnabled NumberField::stepEnabled() const {
    StepEnabled enabled = StepNone;
    if (value() < m_high) {
        enabled |= StepUpEnabled;
    }
    if (value() > m_low) {
        enabled |= StepDownEnabled;
    }
    return enabled;
}

} // namespace vantrel
