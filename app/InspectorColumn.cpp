#include "app/InspectorColumn.h"

#include "views/DocumentInspector.h"
#include "views/ElementInspector.h"

#include "LabelKit/edit/EditSession.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace vantrel {

InspectorColumn::InspectorColumn(EditSession& session, SettingsStore& settings, QWidget* parent)
    : QWidget(parent), m_session(session), m_settings(settings), m_scroll(new QScrollArea(this)) {
    setObjectName(QStringLiteral("inspectorColumn"));
    setFixedWidth(columnWidth);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The column keeps its full width while it slides; the window clips what is off screen.
    m_scroll->setMinimumWidth(columnWidth - 1);
    layout->addWidget(m_scroll, 1, Qt::AlignLeft);

    // Changes arrive in bursts (a drag); which inspector to show is decided once the burst is
    // handled. The inspectors follow edits, undo and the unit themselves, so the column only
    // replaces one when the selected item changes.
    const auto later = [this] {
        if (!m_pending) {
            m_pending = true;
            QTimer::singleShot(0, this, &InspectorColumn::rebuild);
        }
    };
    connect(&session, &EditSession::selectionChanged, this, later);
    connect(&session, &EditSession::documentChanged, this, later);
    connect(&session, &EditSession::loadedChanged, this, later);
    rebuild();
}

void InspectorColumn::rebuild() {
    m_pending = false;
    const LabelElement* selected = m_session.selectedElement();
    const QUuid target = selected ? selected->id : QUuid();
    if (m_inspector && target == m_target) {
        return;
    }
    m_target = target;
    QWidget* next = selected
                        ? static_cast<QWidget*>(new ElementInspector(m_session, m_settings, target))
                        : new DocumentInspector(m_session, m_settings);
    m_scroll->setWidget(next); // deletes the previous inspector
    m_inspector = next;
}

void InspectorColumn::setShown(bool shown, bool animated) {
    if (shown == m_shown) {
        return;
    }
    m_shown = shown;
    if (!animated) {
        setFixedWidth(shown ? columnWidth : 0);
        setVisible(shown);
        return;
    }
    auto* animation = new QVariantAnimation(this);
    animation->setDuration(200);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setStartValue(isVisible() ? width() : 0);
    animation->setEndValue(shown ? columnWidth : 0);
    connect(animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& width) { setFixedWidth(width.toInt()); });
    if (shown) {
        setFixedWidth(0);
        show();
    } else {
        connect(animation, &QVariantAnimation::finished, this, [this] {
            if (!m_shown) {
                hide();
            }
        });
    }
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

} // namespace vantrel
