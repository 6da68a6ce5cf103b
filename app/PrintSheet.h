#pragma once

#include "LabelKit/merge/DataTable.h"
#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"

#include <QDialog>
#include <QSet>

#include <optional>

namespace vantrel {

class PrinterManager;
class PrintPanel;

// The window-modal sheet that hosts the print panel over the main window: the panel, a
// divider, and a bar with Close (also Escape). 460 × 620.
class PrintSheet : public QDialog {
    Q_OBJECT
public:
    PrintSheet(PrinterManager& printers, const LabelDocument& document,
               const std::optional<DataTable>& table, const QSet<qsizetype>& selectedRows,
               qint64 copies, const MergeFields& fields, QWidget* parent);

    PrintPanel& panel() const { return *m_panel; }

private:
    PrintPanel* m_panel;
};

} // namespace vantrel
