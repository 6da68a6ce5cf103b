#pragma once

#include <QDoubleSpinBox>

namespace vantrel {

// A number field with a stepper whose typed value is not held to the stepper's bounds: the
// owner clamps what is entered (after converting it, for a length), so typing 300 into a field
// that stops at 200 stores 200 instead of refusing the last digit. The stepper stays within
// its bounds. Values are written with at most decimals() fraction digits, trailing zeros
// dropped.
class NumberField : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit NumberField(QWidget* parent = nullptr);

    void setStepBounds(double low, double high);
    double stepLow() const { return m_low; }
    double stepHigh() const { return m_high; }

    // Shows the value without announcing it as an edit.
    void showValue(double value);

    QString textFromValue(double value) const override;
    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;

private:
    double m_low = 0;
    double m_high = 0;
};

} // namespace vantrel
