#pragma once

#include "LabelKit/edit/PrintStatus.h"

#include "LabelKit/merge/DataTable.h"
#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/print/PrintBatch.h"
#include "LabelKit/print/PrintItem.h"
#include "LabelKit/print/SerialClaim.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <qcoro/qcorotask.h>

#include <optional>

namespace vantrel {

class PrinterManager;
class SettingsStore;

// What the print panel shows and does, without a widget: the choices (printer, copies, rows,
// serial numbering, fields), every text derived from them (section header, row options,
// footers, the button's title, the status), and the print itself through the printer manager.
// Every change of a choice or of the status emits changed().
class PrintPanelModel : public QObject {
    Q_OBJECT
public:
    using RowMode = PrintBatch::RowMode;

    static constexpr qint64 maxCopies = 200;
    static constexpr qint64 maxSerialStart = 999999;
    static constexpr qint64 maxSerialCount = 500;
    static constexpr qint64 maxSerialDigits = 10;

    // `selectedRows` are the rows ticked in the editor (zero-based). The serial numbering
    // starts where the last print of this label stopped, as stored in the settings.
    PrintPanelModel(PrinterManager& printers, LabelDocument document,
                    std::optional<DataTable> table, QSet<qsizetype> selectedRows, qint64 copies,
                    MergeFields fields, QObject* parent = nullptr);

    const LabelDocument& document() const { return m_document; }
    const std::optional<DataTable>& table() const { return m_table; }
    const QSet<qsizetype>& selectedRows() const { return m_selectedRows; }

    const std::optional<QString>& printer() const { return m_printer; }
    void setPrinter(const std::optional<QString>& printer);
    qint64 copies() const { return m_settings.copies; }
    void setCopies(qint64 copies);
    // Follows the stored counter until the user sets it: a print then takes its numbers from
    // the counter as it stands, after prints made meanwhile elsewhere.
    qint64 serialStart() const { return m_settings.serialStart; }
    void setSerialStart(qint64 start);
    qint64 serialCount() const { return m_settings.serialCount; }
    void setSerialCount(qint64 count);
    qint64 serialDigits() const { return m_settings.serialDigits; }
    void setSerialDigits(qint64 digits);
    const MergeFields& fields() const { return m_settings.fields; }
    QString field(const QString& name) const { return m_settings.fields.value(name); }
    void setField(const QString& name, const QString& value);
    RowMode rowMode() const { return m_rowMode; }
    void setRowMode(RowMode mode);
    qint64 rangeFrom() const { return m_rangeFrom; }
    void setRangeFrom(qint64 row);
    qint64 rangeTo() const { return m_rangeTo; }
    void setRangeTo(qint64 row);
    const PrintStatus& status() const { return m_status; }

    // The list section: shown for a list with rows, headed "List: " and the list's name.
    bool showsList() const;
    qsizetype rowCount() const;
    QString listHeader() const;
    // The row choices offered, in order, and their titles ("All 10", "Range", "Selected 2",
    // "Don't use list"); Selected only when rows are ticked.
    QList<RowMode> rowModes() const;
    QString rowModeTitle(RowMode mode) const;
    // "5 rows × 2 copies = 10 labels." while list rows print, else empty.
    QString rowsFooter() const;

    // The serial section: shown when the design numbers its labels; "Labels" only when no
    // list rows print.
    bool showsSerial() const;
    bool showsSerialCount() const;
    // "Prints 0041 to 0050. The next print continues from 51."
    QString serialFooter() const;

    // The fields to fill in: the design's fields not supplied by the printed list's columns.
    QStringList neededFields() const;

    std::optional<QList<qsizetype>> rowsToPrint() const;
    QList<PrintItem> items() const;
    // How many labels the printer produces: items times copies.
    qint64 labelCount() const;
    // "Print" for one label, else "Print 6 labels".
    QString printTitle() const;
    bool canPrint() const;
    // The merge values of the first label, for the preview.
    LabelContext previewContext() const;

    // Sends the items to the chosen printer, following the progress in the status. The serial
    // numbers are claimed first (SerialClaim); when they cannot be, nothing prints. On success
    // the status tells how many labels were sent, the numbering continues after the run and
    // printed() is emitted; on failure the status holds the message, the counter stands after
    // the last label that went out, and every choice stays as it was.
    void print();

Q_SIGNALS:
    void changed();
    void printed();

private:
    static QCoro::Task<> run(QPointer<PrintPanelModel> model, PrinterManager& printers,
                             QList<PrintItem> items, std::optional<QString> printer,
                             std::optional<SerialClaim> claim);
    qint64 itemCount() const;
    void setStatus(const PrintStatus& status);
    template <typename T>
    void assign(T& member, const T& value);

    PrinterManager& m_printers;
    LabelDocument m_document;
    std::optional<DataTable> m_table;
    QSet<qsizetype> m_selectedRows;
    std::optional<QString> m_printer;
    PrintBatch::Settings m_settings;
    bool m_serialStartChosen = false;
    RowMode m_rowMode;
    qint64 m_rangeFrom = 1;
    qint64 m_rangeTo = 1;
    PrintStatus m_status;
};

} // namespace vantrel
