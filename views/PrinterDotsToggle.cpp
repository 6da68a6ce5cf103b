#include "views/PrinterDotsToggle.h"

#include "views/InspectorStyle.h"
#include "views/LabelPreview.h"

#include "LabelKit/platform/SettingsStore.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace vantrel {

PrinterDotsToggle::PrinterDotsToggle(SettingsStore& settings, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_toggle(new QCheckBox(QStringLiteral("Show printer dots"), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_toggle->setAccessibleName(m_toggle->text());
    layout->addWidget(m_toggle);
    layout->addWidget(InspectorStyle::caption(
        QStringLiteral("Preview the exact 203 dpi black-and-white output."), this));
    connect(m_toggle, &QCheckBox::toggled, this,
            [this](bool on) { m_settings.setBoolean(LabelPreview::showDotsKey(), on); });
    connect(&settings, &SettingsStore::changed, this, [this](const QString& key) {
        if (key == LabelPreview::showDotsKey()) {
            refresh();
        }
    });
    refresh();
}

void PrinterDotsToggle::refresh() {
    const QSignalBlocker blocker(m_toggle);
    m_toggle->setChecked(m_settings.boolean(LabelPreview::showDotsKey()).value_or(false));
}

} // namespace vantrel
