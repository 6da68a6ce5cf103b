#include "views/PrinterPicker.h"

#include "LabelKit/printer/PrinterManager.h"

#include <QSignalBlocker>

namespace vantrel {

PrinterPicker::PrinterPicker(PrinterManager& printers, QWidget* parent)
    : QComboBox(parent), m_printers(printers) {
    setAccessibleName(QStringLiteral("Printer"));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    connect(&printers, &PrinterManager::printersChanged, this, [this] {
        fillInPreferred();
        rebuild();
    });
    connect(printers.registry(), &PrinterRegistry::nicknamesChanged, this, &PrinterPicker::rebuild);
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QVariant name = itemData(index);
        if (name.isValid()) {
            setSelection(name.toString());
        }
    });
    rebuild();
}

PrinterPicker::~PrinterPicker() {
    if (m_scanning) {
        m_printers.stopScanning();
    }
}

void PrinterPicker::setSelection(const std::optional<QString>& selection) {
    if (selection == m_selection) {
        return;
    }
    m_selection = selection;
    rebuild();
    Q_EMIT selectionChanged(m_selection);
}

void PrinterPicker::fillInPreferred() {
    if (!m_selection) {
        if (const std::optional<QString> preferred = m_printers.registry()->preferredPrinter()) {
            setSelection(preferred);
        }
    }
}

void PrinterPicker::rebuild() {
    const QSignalBlocker blocker(this);
    clear();
    const QList<DiscoveredPrinter>& printers = m_printers.printers();
    for (const DiscoveredPrinter& printer : printers) {
        addItem(m_printers.registry()->displayName(printer.advertisedName), printer.advertisedName);
    }
    if (printers.isEmpty()) {
        addItem(QStringLiteral("Searching…"));
    } else if (m_selection && findData(*m_selection) < 0) {
        addItem(m_printers.registry()->displayName(*m_selection), *m_selection);
    }
    const int index = m_selection ? findData(*m_selection) : -1;
    setCurrentIndex(printers.isEmpty() ? 0 : index);
}

void PrinterPicker::showEvent(QShowEvent* event) {
    QComboBox::showEvent(event);
    if (!m_scanning) {
        m_scanning = true;
        m_printers.startScanning();
    }
    fillInPreferred();
}

void PrinterPicker::hideEvent(QHideEvent* event) {
    QComboBox::hideEvent(event);
    if (m_scanning) {
        m_scanning = false;
        m_printers.stopScanning();
    }
}

} // namespace vantrel
