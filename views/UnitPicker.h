#pragma once

#include "LabelKit/model/MeasureUnit.h"

#include <QWidget>

class QButtonGroup;

namespace vantrel {

class SettingsStore;

// "Units": one segment per unit, titled "Millimetres" and "Inches". Choosing one writes
// "display.unit", which every open view follows at once; the picker follows the setting too.
class UnitPicker : public QWidget {
    Q_OBJECT
public:
    explicit UnitPicker(SettingsStore& settings, QWidget* parent = nullptr);

    MeasureUnit unit() const;

private:
    void refresh();

    SettingsStore& m_settings;
    QButtonGroup* m_segments;
};

} // namespace vantrel
