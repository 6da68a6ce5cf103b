#include "views/PrinterStatusLabel.h"

#include "views/Icons.h"

#include "LabelKit/printer/PrinterManager.h"

namespace vantrel {

PrinterStatusLabel::Status
PrinterStatusLabel::describe(const PrinterActivity& activity,
                             const std::optional<QString>& preferred,
                             const std::function<QString(const QString&)>& displayName) {
    const QString name = displayName(activity.printer);
    switch (activity.kind) {
    case PrinterActivity::Kind::connecting:
        return {QStringLiteral("Connecting ") + name + u'…',
                QStringLiteral("antenna.radiowaves.left.and.right")};
    case PrinterActivity::Kind::printing:
        return {QStringLiteral("%1 %2/%3").arg(name).arg(activity.done).arg(activity.total),
                QStringLiteral("printer.dotmatrix")};
    case PrinterActivity::Kind::connected:
        return {name, QStringLiteral("printer.fill")};
    case PrinterActivity::Kind::idle:
        break;
    }
    if (preferred) {
        return {displayName(*preferred), QStringLiteral("printer")};
    }
    return {QStringLiteral("Printers"), QStringLiteral("printer")};
}

PrinterStatusLabel::Status PrinterStatusLabel::status(const PrinterManager& printers) {
    const PrinterRegistry* registry = printers.registry();
    return describe(printers.activity(), registry->preferredPrinter(),
                    [registry](const QString& name) { return registry->displayName(name); });
}

PrinterStatusLabel::PrinterStatusLabel(PrinterManager& printers, QWidget* parent)
    : QToolButton(parent), m_printers(printers) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    connect(&printers, &PrinterManager::activityChanged, this, &PrinterStatusLabel::refresh);
    // The preferred printer follows the default and the printers heard.
    connect(printers.registry(), &PrinterRegistry::preferredPrinterChanged, this,
            &PrinterStatusLabel::refresh);
    connect(printers.registry(), &PrinterRegistry::nicknamesChanged, this,
            &PrinterStatusLabel::refresh);
    refresh();
}

void PrinterStatusLabel::refresh() {
    const Status now = status(m_printers);
    if (now.title != text()) {
        setText(now.title);
        setAccessibleName(now.title);
    }
    if (now.symbol != m_symbol) {
        m_symbol = now.symbol;
        setIcon(Icons::icon(now.symbol));
    }
}

} // namespace vantrel
