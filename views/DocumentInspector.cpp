#include "views/DocumentInspector.h"

#include "views/InspectorStyle.h"
#include "views/MMField.h"
#include "views/PrinterDotsToggle.h"
#include "views/UnitPicker.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/edit/InspectorRules.h"
#include "LabelKit/platform/SettingsStore.h"

#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace vantrel {

DocumentInspector::DocumentInspector(EditSession& session, SettingsStore& settings, QWidget* parent)
    : QWidget(parent), m_session(session), m_settings(settings) {
    auto* layout = new QVBoxLayout(this);

    auto* label = new QGroupBox(QStringLiteral("Label"), this);
    label->setAccessibleName(label->title());
    auto* rows = new QFormLayout(label);
    rows->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_name = new QLineEdit(label);
    m_name->setObjectName(QStringLiteral("Name"));
    m_name->setAccessibleName(QStringLiteral("Name"));
    rows->addRow(QStringLiteral("Name"), m_name);
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& name) {
        edit(
            QStringLiteral("Name"), [&](LabelDocument& d) { d.name = name; }, true);
    });
    connect(m_name, &QLineEdit::editingFinished, &session, &EditSession::endGesture);

    m_stockSize = new QToolButton(label);
    m_stockSize->setObjectName(QStringLiteral("Stock size"));
    m_stockSize->setAccessibleName(QStringLiteral("Stock size"));
    m_stockSize->setPopupMode(QToolButton::InstantPopup);
    m_stockSize->setAutoRaise(true);
    m_stockSize->setMenu(new QMenu(m_stockSize));
    InspectorStyle::setSecondary(m_stockSize);
    rows->addRow(QStringLiteral("Stock size"), m_stockSize);

    const auto length = [&](const QString& title, LengthInput input, double LabelDocument::*field) {
        auto* row = new MMField(title, input, settings, label);
        rows->addRow(title, row);
        connect(row, &MMField::edited, this, [this, title, field](double mm) {
            edit(
                title, [&](LabelDocument& d) { d.*field = mm; }, true);
        });
        connect(row, &MMField::editingFinished, &m_session, &EditSession::endGesture);
        return row;
    };
    m_width =
        length(QStringLiteral("Width"), InspectorRules::labelWidthInput, &LabelDocument::widthMM);
    m_height = length(QStringLiteral("Height"), InspectorRules::labelHeightInput,
                      &LabelDocument::heightMM);
    m_gap = length(QStringLiteral("Gap"), InspectorRules::gapInput, &LabelDocument::gapMM);

    m_darkness = new QSpinBox(label);
    m_darkness->setObjectName(QStringLiteral("Darkness"));
    m_darkness->setAccessibleName(QStringLiteral("Darkness"));
    m_darkness->setRange(int(InspectorRules::minDensity), int(InspectorRules::maxDensity));
    m_darkness->setFixedWidth(70);
    InspectorStyle::setSecondary(m_darkness);
    rows->addRow(QStringLiteral("Darkness"), m_darkness);
    connect(m_darkness, &QSpinBox::valueChanged, this, [this](int value) {
        edit(
            QStringLiteral("Darkness"), [&](LabelDocument& d) { d.density = value; }, true);
    });
    connect(m_darkness, &QSpinBox::editingFinished, &session, &EditSession::endGesture);
    layout->addWidget(label);

    auto* units = new QGroupBox(QStringLiteral("Units"), this);
    units->setAccessibleName(units->title());
    auto* unitsLayout = new QVBoxLayout(units);
    auto* picker = new UnitPicker(settings, units);
    picker->setFixedWidth(160);
    unitsLayout->addWidget(picker);
    layout->addWidget(units);

    layout->addWidget(new PrinterDotsToggle(settings, this));
    auto* tip = new QLabel(
        QStringLiteral("Tap an item on the label to edit it, drag to move it, or drag its blue "
                       "handle to resize. Use {date}, {serial} or {Any field} in text, barcodes "
                       "and QR codes."),
        this);
    tip->setObjectName(QStringLiteral("tip"));
    tip->setWordWrap(true);
    InspectorStyle::setSecondary(tip);
    layout->addWidget(tip);
    layout->addStretch(1);

    connect(&session, &EditSession::documentChanged, this,
            [this](const QSet<QUuid>&, bool labelChanged) {
                if (labelChanged) {
                    refresh();
                }
            });
    connect(&session, &EditSession::loadedChanged, this, &DocumentInspector::refresh);
    connect(&settings, &SettingsStore::changed, this, [this](const QString& key) {
        if (key == MeasureUnit::storageKey()) {
            refreshStockSizes();
        }
    });
    refreshStockSizes();
}

bool DocumentInspector::edit(const QString& field,
                             const std::function<void(LabelDocument&)>& change, bool typing) {
    return m_session.editDocument(QStringLiteral("Change ") + field, change,
                                  typing ? field : QString());
}

void DocumentInspector::refreshStockSizes() {
    const MeasureUnit unit = MeasureUnit::load(m_settings);
    QMenu* menu = m_stockSize->menu();
    menu->clear();
    for (const QSizeF size : InspectorRules::stockSizes()) {
        QAction* action = menu->addAction(InspectorRules::stockSizeTitle(size, unit));
        connect(action, &QAction::triggered, this, [this, size] {
            m_session.endGesture();
            edit(QStringLiteral("Size"), [&](LabelDocument& d) {
                d.widthMM = size.width();
                d.heightMM = size.height();
            });
        });
    }
    refresh();
}

void DocumentInspector::refresh() {
    const LabelDocument& d = m_session.document();
    if (m_name->text() != d.name) {
        m_name->setText(d.name);
    }
    m_stockSize->setText(MeasureUnit::load(m_settings).sizeText(d.widthMM, d.heightMM));
    m_width->setValue(d.widthMM);
    m_height->setValue(d.heightMM);
    m_gap->setValue(d.gapMM);
    const QSignalBlocker blocker(m_darkness);
    m_darkness->setValue(
        int(std::clamp(d.density, InspectorRules::minDensity, InspectorRules::maxDensity)));
}

} // namespace vantrel
