#include "views/PrinterSettings.h"

#include "views/PrintersList.h"
#include "views/TransferStepper.h"

#include "LabelKit/printer/PrinterManager.h"
#include "LabelKit/printer/PrinterRegistry.h"

#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace vantrel {

namespace {

template <typename Box>
Box* stepper(const TransferStepper& rule, QWidget* parent) {
    auto* box = new Box(parent);
    box->setRange(rule.minimum, rule.maximum);
    box->setSingleStep(rule.step);
    box->setPrefix(rule.prefix());
    box->setSuffix(rule.suffix());
    box->setAccessibleName(rule.title);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return box;
}

} // namespace

PrinterSettings::PrinterSettings(PrinterManager& printers, QWidget* parent)
    : QWidget(parent), m_registry(*printers.registry()), m_list(new PrintersList(printers, this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(6);
    layout->addWidget(m_list);
    layout->addSpacing(10);

    auto* advanced = new QGroupBox(QStringLiteral("Advanced"), this);
    auto* form = new QVBoxLayout(advanced);
    const TransferStepper writeSizeRule = TransferStepper::writeSize();
    const TransferStepper pauseRule = TransferStepper::pause();
    m_writeSize = stepper<QSpinBox>(writeSizeRule, advanced);
    m_pause = stepper<QDoubleSpinBox>(pauseRule, advanced);
    m_pause->setDecimals(pauseRule.decimals);
    m_pause->setLocale(QLocale());
    form->addWidget(m_writeSize);
    form->addWidget(m_pause);
    layout->addWidget(advanced);

    auto* footer = new QLabel(
        QStringLiteral("Defaults (237 bytes, 1.5 s) match what works on the CT221B."), this);
    footer->setForegroundRole(QPalette::PlaceholderText);
    footer->setWordWrap(true);
    footer->setContentsMargins(8, 0, 8, 0);
    layout->addWidget(footer);
    layout->addStretch(1);

    connect(m_writeSize, &QSpinBox::valueChanged, &m_registry,
            [this](int bytes) { m_registry.setChunkSize(bytes); });
    connect(m_pause, &QDoubleSpinBox::valueChanged, &m_registry,
            [this](double seconds) { m_registry.setInterLabelDelay(seconds); });
    connect(&m_registry, &PrinterRegistry::chunkSizeChanged, this, &PrinterSettings::refresh);
    connect(&m_registry, &PrinterRegistry::interLabelDelayChanged, this, &PrinterSettings::refresh);
    refresh();
}

// A stored value outside a stepper's range (possible only through the settings file) is shown
// at the nearer end and left stored as it is until the user steps.
void PrinterSettings::refresh() {
    const QSignalBlocker writeSizeBlocker(m_writeSize);
    const QSignalBlocker pauseBlocker(m_pause);
    m_writeSize->setValue(int(std::clamp<qint64>(m_registry.chunkSize(), INT_MIN, INT_MAX)));
    m_pause->setValue(m_registry.interLabelDelay());
}

} // namespace vantrel
