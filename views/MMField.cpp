#include "views/MMField.h"

#include "views/InspectorStyle.h"
#include "views/NumberField.h"

#include "LabelKit/platform/SettingsStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

namespace vantrel {

MMField::MMField(QString title, LengthInput input, SettingsStore& settings, QWidget* parent)
    : QWidget(parent)
    , m_title(std::move(title))
    , m_input(input)
    , m_settings(settings)
    , m_field(new NumberField(this))
    , m_symbol(new QLabel(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    m_field->setFixedWidth(70);
    m_field->setAccessibleName(m_title);
    m_field->setObjectName(m_title);
    layout->addWidget(m_field);
    InspectorStyle::setSecondary(m_symbol);
    layout->addWidget(m_symbol);
    layout->addStretch(1);

    connect(m_field, &NumberField::valueChanged, this, [this](double value) {
        m_value = m_input.stored(value, m_unit);
        Q_EMIT edited(m_value);
    });
    connect(m_field, &NumberField::editingFinished, this, [this] {
        refresh(true);
        Q_EMIT editingFinished();
    });
    connect(&settings, &SettingsStore::changed, this, [this](const QString& key) {
        if (key == MeasureUnit::storageKey()) {
            applyUnit();
        }
    });
    applyUnit();
}

void MMField::setValue(double mm) {
    m_value = mm;
    refresh(false);
}

void MMField::applyUnit() {
    m_unit = MeasureUnit::load(m_settings);
    m_symbol->setText(m_unit.symbol());
    const QSignalBlocker blocker(m_field); // a new rounding is not an edit
    m_field->setDecimals(LengthInput::decimals(m_unit));
    m_field->setSingleStep(m_input.step(m_unit));
    const auto [low, high] = m_input.bounds(m_unit);
    m_field->setStepBounds(low, high);
    refresh(true);
}

void MMField::refresh(bool force) {
    // Typing stays as typed while it still stands for the stored length.
    if (!force && m_field->hasFocus() && m_input.stored(m_field->value(), m_unit) == m_value) {
        return;
    }
    m_field->showValue(m_input.shown(m_value, m_unit));
}

} // namespace vantrel
