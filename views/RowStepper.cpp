#include "views/RowStepper.h"

#include "views/InspectorStyle.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/edit/ListTexts.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace vantrel {

RowStepper::RowStepper(EditSession& session, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_previous(InspectorStyle::iconButton(u"chevron.left", QStringLiteral("Previous row"), this))
    , m_position(new QLabel(this))
    , m_next(InspectorStyle::iconButton(u"chevron.right", QStringLiteral("Next row"), this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Preview row"), this));
    layout->addStretch(1);
    layout->addWidget(m_previous);
    m_position->setMinimumWidth(70);
    m_position->setAlignment(Qt::AlignCenter);
    m_position->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(m_position);
    layout->addWidget(m_next);
    connect(m_previous, &QToolButton::clicked, this, [this] { m_session.stepPreviewRow(-1); });
    connect(m_next, &QToolButton::clicked, this, [this] { m_session.stepPreviewRow(1); });
    connect(&session, &EditSession::previewRowChanged, this, &RowStepper::refresh);
    connect(&session, &EditSession::tableChanged, this, &RowStepper::refresh);
    refresh();
}

void RowStepper::refresh() {
    const std::optional<DataTable> table = m_session.table();
    const qsizetype count = table ? table->rows.size() : 0;
    m_position->setText(ListTexts::position(m_session.previewRow(), count));
    m_previous->setEnabled(m_session.previewRow() > 0);
    m_next->setEnabled(m_session.previewRow() < count - 1);
}

} // namespace vantrel
