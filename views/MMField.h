#pragma once

#include "LabelKit/edit/LengthInput.h"
#include "LabelKit/model/MeasureUnit.h"

#include <QWidget>

class QLabel;

namespace vantrel {

class NumberField;
class SettingsStore;

// A length in an inspector: a number field 70 points wide in the display unit ("display.unit",
// followed at once), the unit's symbol in the secondary colour, and the field's stepper. The
// title is the row's label in the form and the field's accessible name.
//
// What the user types or steps comes back through edited() in millimetres, converted and
// clamped into the range. While the field has focus the text stays as typed; the stored length
// is written back when the field is left, or when the length changes to one the text does not
// stand for (an undo, a drag on the canvas).
class MMField : public QWidget {
    Q_OBJECT
public:
    MMField(QString title, LengthInput input, SettingsStore& settings, QWidget* parent = nullptr);

    const QString& title() const { return m_title; }
    const LengthInput& input() const { return m_input; }
    MeasureUnit unit() const { return m_unit; }
    NumberField* field() const { return m_field; }
    QLabel* symbol() const { return m_symbol; }

    double value() const { return m_value; }
    void setValue(double mm);

Q_SIGNALS:
    void edited(double mm);
    // The field was left or Return was pressed: one typing gesture is over.
    void editingFinished();

private:
    void applyUnit();
    void refresh(bool force);

    QString m_title;
    LengthInput m_input;
    SettingsStore& m_settings;
    MeasureUnit m_unit = MeasureUnit::mm;
    double m_value = 0;
    NumberField* m_field;
    QLabel* m_symbol;
};

} // namespace vantrel
