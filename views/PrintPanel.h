#pragma once

#include "LabelKit/merge/DataTable.h"
#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"

#include <QHash>
#include <QSet>
#include <QWidget>

#include <optional>

class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace vantrel {

class LabelPreview;
class PrinterManager;
class PrinterPicker;
class PrintPanelModel;

// The form that turns one label design into a print: preview, printer and copies, the rows of
// the attached list, serial numbering, the fields no list column fills, and the outcome with
// the Print button. The rules live in PrintPanelModel; this widget shows them and routes input.
class PrintPanel : public QWidget {
    Q_OBJECT
public:
    PrintPanel(PrinterManager& printers, LabelDocument document, std::optional<DataTable> table,
               QSet<qsizetype> selectedRows, qint64 copies, MergeFields fields,
               QWidget* parent = nullptr);

    PrintPanelModel& model() const { return *m_model; }

Q_SIGNALS:
    // After a successful print.
    void done();

private:
    QGroupBox* buildPrinterSection(PrinterManager& printers);
    QGroupBox* buildListSection();
    QGroupBox* buildSerialSection();
    QWidget* buildOutcome();
    void refresh();
    void rebuildFields();

    PrintPanelModel* m_model;
    LabelPreview* m_preview = nullptr;
    PrinterPicker* m_picker = nullptr;
    QSpinBox* m_copies = nullptr;
    QGroupBox* m_list = nullptr;
    QComboBox* m_rows = nullptr;
    QFormLayout* m_listForm = nullptr;
    QSpinBox* m_from = nullptr;
    QSpinBox* m_to = nullptr;
    QLabel* m_rowsFooter = nullptr;
    QGroupBox* m_serial = nullptr;
    QFormLayout* m_serialForm = nullptr;
    QSpinBox* m_serialStart = nullptr;
    QSpinBox* m_serialCount = nullptr;
    QSpinBox* m_serialDigits = nullptr;
    QLabel* m_serialFooter = nullptr;
    QGroupBox* m_fields = nullptr;
    QFormLayout* m_fieldsForm = nullptr;
    QStringList m_fieldNames;
    QLabel* m_statusIcon = nullptr;
    QLabel* m_status = nullptr;
    QWidget* m_statusRow = nullptr;
    QWidget* m_progressRow = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_progressText = nullptr;
    QPushButton* m_print = nullptr;
};

} // namespace vantrel
