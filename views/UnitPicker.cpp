#include "views/UnitPicker.h"

#include "LabelKit/platform/SettingsStore.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

namespace vantrel {

UnitPicker::UnitPicker(SettingsStore& settings, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_segments(new QButtonGroup(this)) {
    setAccessibleName(QStringLiteral("Units"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const MeasureUnit::Value value : MeasureUnit::allCases()) {
        const MeasureUnit unit(value);
        auto* segment = new QToolButton(this);
        segment->setText(unit.title());
        segment->setAccessibleName(unit.title());
        segment->setCheckable(true);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_segments->addButton(segment, int(value));
        layout->addWidget(segment);
    }
    connect(m_segments, &QButtonGroup::idClicked, this, [this](int id) {
        if (MeasureUnit(MeasureUnit::Value(id)) != unit()) {
            MeasureUnit(MeasureUnit::Value(id)).save(m_settings);
        }
    });
    connect(&settings, &SettingsStore::changed, this, [this](const QString& key) {
        if (key == MeasureUnit::storageKey()) {
            refresh();
        }
    });
    refresh();
}

MeasureUnit UnitPicker::unit() const {
    return MeasureUnit::load(m_settings);
}

void UnitPicker::refresh() {
    m_segments->button(int(MeasureUnit::Value(unit())))->setChecked(true);
}

} // namespace vantrel
