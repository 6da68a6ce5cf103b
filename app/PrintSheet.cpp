#include "app/PrintSheet.h"

#include "views/PrintPanel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace vantrel {

PrintSheet::PrintSheet(PrinterManager& printers, const LabelDocument& document,
                       const std::optional<DataTable>& table, const QSet<qsizetype>& selectedRows,
                       qint64 copies, const MergeFields& fields, QWidget* parent)
    : QDialog(parent)
    , m_panel(new PrintPanel(printers, document, table, selectedRows, copies, fields)) {
    setWindowTitle(QStringLiteral("Print “%1”").arg(document.name));
    setWindowModality(Qt::WindowModal);
    setFixedSize(460, 620);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    // A long form (a list, serials and several fields) scrolls inside the fixed sheet.
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(m_panel);
    layout->addWidget(scroll, 1);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    layout->addWidget(divider);

    auto* bar = new QHBoxLayout();
    bar->setContentsMargins(12, 12, 12, 12);
    bar->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);
    close->setAccessibleName(close->text());
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    bar->addWidget(close);
    layout->addLayout(bar);
}

} // namespace vantrel
