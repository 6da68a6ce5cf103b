#include "app/LabelOverview.h"

#include "app/CommandHub.h"
#include "app/MainWindow.h"
#include "app/Services.h"
#include "views/LabelPreview.h"

#include "LabelKit/model/MeasureUnit.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/store/LabelStore.h"

#include <QLabel>
#include <QVBoxLayout>

namespace vantrel {

LabelOverview::LabelOverview(const QUuid& labelID, MainWindow& window)
    : m_labelID(labelID), m_window(window) {
    LabelStore& store = window.services().store();
    const LabelDocument document = store.label(labelID).value_or(LabelDocument());

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    m_title = new QLabel(this);
    QFont font = m_title->font();
    font.setPointSizeF(font.pointSizeF() * 1.5);
    font.setBold(true);
    m_title->setFont(font);
    layout->addWidget(m_title);
    m_caption = new QLabel(this);
    m_caption->setStyleSheet(QStringLiteral("color: palette(placeholder-text);"));
    layout->addWidget(m_caption);
    m_preview =
        new LabelPreview(document, LabelContext::preview(), 4, &window.services().settings(), this);
    m_preview->setMaximumPictureHeight(480);
    layout->addWidget(m_preview, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addStretch(1);

    connect(&store, &LabelStore::labelsChanged, this, &LabelOverview::refresh);
    connect(&window.hub(), &CommandHub::printLabel, this, [this] {
        LabelStore& labels = m_window.services().store();
        if (const auto stored = labels.label(m_labelID)) {
            m_window.openPrintSheet(*stored, labels.table(*stored), {}, 1, {});
        }
    });
    connect(&window.services().settings(), &SettingsStore::changed, this,
            [this](const QString& key) {
                if (key == MeasureUnit::storageKey()) {
                    refresh();
                }
            });
    refresh();
}

void LabelOverview::refresh() {
    const auto document = m_window.services().store().label(m_labelID);
    if (!document) {
        return;
    }
    const MeasureUnit unit = MeasureUnit::load(m_window.services().settings());
    m_title->setText(document->name);
    m_caption->setText(unit.sizeText(document->widthMM, document->heightMM));
    m_preview->setDocument(*document);
}

} // namespace vantrel
