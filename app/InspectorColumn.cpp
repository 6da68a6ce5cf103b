#include "app/InspectorColumn.h"

#include "views/Icons.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/model/MeasureUnit.h"
#include "LabelKit/platform/SettingsStore.h"

#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace vantrel {

namespace {

QPushButton* action(QWidget* parent, QStringView symbol, const QString& title) {
    auto* button = new QPushButton(Icons::icon(symbol), title, parent);
    button->setAccessibleName(title);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

// What an item's inspector shows until the full inspectors take its place: its kind, where it
// sits, and the commands on it.
QWidget* elementSummary(EditSession& session, const LabelElement& element, MeasureUnit unit) {
    auto* panel = new QWidget();
    auto* layout = new QVBoxLayout(panel);
    auto* item = new QGroupBox(title(element.kind), panel);
    auto* form = new QFormLayout(item);
    const auto length = [&](double mm) { return unit.number(mm) + u' ' + unit.symbol(); };
    form->addRow(QStringLiteral("Position"),
                 new QLabel(length(element.x) + QStringLiteral(", ") + length(element.y)));
    form->addRow(QStringLiteral("Size"), new QLabel(unit.sizeText(element.width, element.height)));
    if (element.locked) {
        form->addRow(QString(), new QLabel(QStringLiteral("Locked in place")));
    }
    layout->addWidget(item);

    auto* actions = new QGroupBox(QStringLiteral("Actions"), panel);
    auto* grid = new QVBoxLayout(actions);
    QPushButton* duplicate = action(actions, u"plus.square.on.square", QStringLiteral("Duplicate"));
    QPushButton* forward =
        action(actions, u"square.2.layers.3d.top.filled", QStringLiteral("Bring Forward"));
    QPushButton* backward =
        action(actions, u"square.2.layers.3d.bottom.filled", QStringLiteral("Send Backward"));
    QPushButton* remove = action(actions, u"trash", QStringLiteral("Delete"));
    for (QPushButton* button : {duplicate, forward, backward, remove}) {
        grid->addWidget(button);
    }
    QObject::connect(duplicate, &QPushButton::clicked, &session,
                     [&session] { session.duplicateSelection(); });
    QObject::connect(forward, &QPushButton::clicked, &session,
                     [&session] { session.reorderSelection(1); });
    QObject::connect(backward, &QPushButton::clicked, &session,
                     [&session] { session.reorderSelection(-1); });
    QObject::connect(remove, &QPushButton::clicked, &session,
                     [&session] { session.deleteSelection(); });
    layout->addWidget(actions);
    layout->addStretch(1);
    return panel;
}

QWidget* documentSummary(const LabelDocument& document, MeasureUnit unit) {
    auto* panel = new QWidget();
    auto* layout = new QVBoxLayout(panel);
    auto* label = new QGroupBox(QStringLiteral("Label"), panel);
    auto* form = new QFormLayout(label);
    form->addRow(QStringLiteral("Name"), new QLabel(document.name));
    form->addRow(QStringLiteral("Size"),
                 new QLabel(unit.sizeText(document.widthMM, document.heightMM)));
    form->addRow(QStringLiteral("Items"), new QLabel(QString::number(document.elements.size())));
    layout->addWidget(label);
    auto* tip = new QLabel(QStringLiteral("Click an item on the label to inspect it."), panel);
    tip->setWordWrap(true);
    tip->setStyleSheet(QStringLiteral("color: palette(placeholder-text);"));
    layout->addWidget(tip);
    layout->addStretch(1);
    return panel;
}

} // namespace

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

    // Changes arrive in bursts (a drag); the inspector is rebuilt once the burst is handled.
    const auto later = [this] {
        if (!m_pending) {
            m_pending = true;
            QTimer::singleShot(0, this, &InspectorColumn::rebuild);
        }
    };
    connect(&session, &EditSession::selectionChanged, this, later);
    connect(&session, &EditSession::documentChanged, this, later);
    connect(&session, &EditSession::loadedChanged, this, later);
    connect(&settings, &SettingsStore::changed, this, [later](const QString& key) {
        if (key == MeasureUnit::storageKey()) {
            later();
        }
    });
    rebuild();
}

void InspectorColumn::rebuild() {
    m_pending = false;
    const MeasureUnit unit = MeasureUnit::load(m_settings);
    const LabelElement* selected = m_session.selectedElement();
    QWidget* next = selected ? elementSummary(m_session, *selected, unit)
                             : documentSummary(m_session.document(), unit);
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
