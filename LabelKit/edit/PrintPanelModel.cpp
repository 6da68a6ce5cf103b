#include "LabelKit/edit/PrintPanelModel.h"

#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/printer/PrinterManager.h"

#include <QPointer>

#include <qcoro/qcorotask.h>

namespace vantrel {

namespace {

QString plural(qint64 n, const char* one, const char* many) {
    return QString::number(n) + QLatin1String(n == 1 ? one : many);
}

} // namespace

PrintPanelModel::PrintPanelModel(PrinterManager& printers, LabelDocument document,
                                 std::optional<DataTable> table, QSet<qsizetype> selectedRows,
                                 qint64 copies, MergeFields fields, QObject* parent)
    : QObject(parent)
    , m_printers(printers)
    , m_document(std::move(document))
    , m_table(std::move(table))
    , m_selectedRows(std::move(selectedRows))
    , m_rowMode(PrintBatch::initialRowMode(m_table, m_selectedRows)) {
    m_settings.copies = std::clamp<qint64>(copies, 1, maxCopies);
    m_settings.fields = std::move(fields);
    m_settings.serialStart = std::min(
        PrintBatch::storedSerialStart(*printers.defaults(), m_document.id), maxSerialStart);
    m_rangeTo = std::max<qint64>(rowCount(), 1);
}

template <typename T>
void PrintPanelModel::assign(T& member, const T& value) {
    if (member != value) {
        member = value;
        Q_EMIT changed();
    }
}

void PrintPanelModel::setPrinter(const std::optional<QString>& printer) {
    assign(m_printer, printer);
}

void PrintPanelModel::setCopies(qint64 copies) {
    assign(m_settings.copies, std::clamp<qint64>(copies, 1, maxCopies));
}

void PrintPanelModel::setSerialStart(qint64 start) {
    const qint64 clamped = std::clamp<qint64>(start, 0, maxSerialStart);
    m_serialStartChosen = m_serialStartChosen || clamped != m_settings.serialStart;
    assign(m_settings.serialStart, clamped);
}

void PrintPanelModel::setSerialCount(qint64 count) {
    assign(m_settings.serialCount, std::clamp<qint64>(count, 1, maxSerialCount));
}

void PrintPanelModel::setSerialDigits(qint64 digits) {
    assign(m_settings.serialDigits, std::clamp<qint64>(digits, 0, maxSerialDigits));
}

void PrintPanelModel::setField(const QString& name, const QString& value) {
    if (m_settings.fields.value(name) != value || !m_settings.fields.contains(name)) {
        m_settings.fields.insert(name, value);
        Q_EMIT changed();
    }
}

void PrintPanelModel::setRowMode(RowMode mode) {
    if (mode == RowMode::selected && m_selectedRows.isEmpty()) {
        return;
    }
    assign(m_rowMode, mode);
}

void PrintPanelModel::setRangeFrom(qint64 row) {
    assign(m_rangeFrom, std::clamp<qint64>(row, 1, std::max<qint64>(rowCount(), 1)));
}

void PrintPanelModel::setRangeTo(qint64 row) {
    assign(m_rangeTo, std::clamp<qint64>(row, 1, std::max<qint64>(rowCount(), 1)));
}

void PrintPanelModel::setStatus(const PrintStatus& status) {
    assign(m_status, status);
}

bool PrintPanelModel::showsList() const {
    return rowCount() > 0;
}

qsizetype PrintPanelModel::rowCount() const {
    return m_table ? m_table->rows.size() : 0;
}

QString PrintPanelModel::listHeader() const {
    return QStringLiteral("List: ") + m_document.dataName.value_or(QString());
}

QList<PrintPanelModel::RowMode> PrintPanelModel::rowModes() const {
    QList<RowMode> modes{RowMode::all, RowMode::range};
    if (!m_selectedRows.isEmpty()) {
        modes.append(RowMode::selected);
    }
    modes.append(RowMode::none);
    return modes;
}

QString PrintPanelModel::rowModeTitle(RowMode mode) const {
    switch (mode) {
    case RowMode::all:
        return QStringLiteral("All %1").arg(rowCount());
    case RowMode::range:
        return QStringLiteral("Range");
    case RowMode::selected:
        return QStringLiteral("Selected %1").arg(m_selectedRows.size());
    case RowMode::none:
        break;
    }
    return QStringLiteral("Don't use list");
}

std::optional<QList<qsizetype>> PrintPanelModel::rowsToPrint() const {
    return PrintBatch::rowsToPrint(m_table, m_rowMode, m_rangeFrom, m_rangeTo, m_selectedRows);
}

QString PrintPanelModel::rowsFooter() const {
    const auto rows = rowsToPrint();
    if (!rows) {
        return {};
    }
    const qint64 n = rows->size();
    const qint64 c = m_settings.copies;
    return plural(n, " row", " rows") + QStringLiteral(" × ") + plural(c, " copy", " copies") +
           QStringLiteral(" = %1 labels.").arg(n * c);
}

bool PrintPanelModel::showsSerial() const {
    return Placeholders::usesSerial(m_document);
}

bool PrintPanelModel::showsSerialCount() const {
    return !rowsToPrint();
}

QString PrintPanelModel::serialFooter() const {
    const qint64 start = m_settings.serialStart;
    const qint64 n = PrintBatch::serialsUsed(rowsToPrint(), m_settings.serialCount);
    const auto serial = [this](qint64 value) {
        return Placeholders::resolve(QStringLiteral("{serial}"),
                                     LabelContext{value, m_settings.serialDigits, {}, {}});
    };
    return QStringLiteral("Prints %1 to %2. The next print continues from %3.")
        .arg(serial(start), serial(start + n - 1))
        .arg(start + n);
}

QStringList PrintPanelModel::neededFields() const {
    return PrintBatch::neededFields(m_document, m_table, rowsToPrint());
}

QList<PrintItem> PrintPanelModel::items() const {
    return PrintBatch::build(m_document, m_table, rowsToPrint(), m_settings);
}

qint64 PrintPanelModel::itemCount() const {
    if (const auto rows = rowsToPrint()) {
        return rows->size();
    }
    return showsSerial() ? m_settings.serialCount : 1;
}

qint64 PrintPanelModel::labelCount() const {
    return itemCount() * m_settings.copies;
}

QString PrintPanelModel::printTitle() const {
    const qint64 labels = labelCount();
    return labels == 1 ? QStringLiteral("Print") : QStringLiteral("Print %1 labels").arg(labels);
}

bool PrintPanelModel::canPrint() const {
    return m_printer && m_status.kind != PrintStatus::Kind::printing && itemCount() > 0;
}

LabelContext PrintPanelModel::previewContext() const {
    // Only the first label is built: a long list would otherwise be expanded on every change.
    std::optional<QList<qsizetype>> rows = rowsToPrint();
    if (rows) {
        *rows = rows->mid(0, 1);
    }
    PrintBatch::Settings first = m_settings;
    first.serialCount = 1;
    const QList<PrintItem> items = PrintBatch::build(m_document, m_table, rows, first);
    return items.isEmpty() ? LabelContext::preview() : items.first().context;
}

// The print outlives the panel when the sheet is closed meanwhile: the labels are on their way,
// so the serial numbers they used are still recorded; only the panel's display is skipped.
QCoro::Task<> PrintPanelModel::run(QPointer<PrintPanelModel> model, PrinterManager& printers,
                                   QList<PrintItem> items, std::optional<QString> printer,
                                   std::optional<SerialClaim> claim) {
    const qint64 labels = PrintBatch::labelCount(items);
    std::optional<QString> failure;
    qint64 sent = 0;
    // Named locals, not temporaries inside the co_await: GCC 12 mishandles the latter.
    PrinterManager::Progress progress = [model, &sent](qint64 done, qint64 total) {
        sent = done;
        if (model) {
            model->setStatus(PrintStatus::printing(done, total));
        }
    };
    try {
        QCoro::Task<> task = printers.print(std::move(items), std::move(printer), progress);
        co_await task;
    } catch (const UserError& error) {
        failure = error.message();
    }
    if (failure && claim) {
        claim->finish(sent);
    }
    if (!model) {
        co_return;
    }
    if (failure) {
        model->setStatus(PrintStatus::failed(*failure));
        co_return;
    }
    if (claim) {
        model->m_serialStartChosen = false;
        model->assign(model->m_settings.serialStart, claim->next());
    }
    model->setStatus(PrintStatus::finished(labels));
    Q_EMIT model->printed();
}

void PrintPanelModel::print() {
    if (!canPrint()) {
        return;
    }
    QList<PrintItem> batch = items();
    std::optional<SerialClaim> claim;
    if (showsSerial()) {
        // Unless the user chose where to start, the numbering continues from the counter as it
        // stands now: another window or the command line may have printed meanwhile.
        const std::optional<qint64> start =
            m_serialStartChosen ? std::optional(m_settings.serialStart) : std::nullopt;
        try {
            claim = SerialClaim::take(*m_printers.defaults(), m_document.id, start, batch.size());
        } catch (const UserError& error) {
            setStatus(PrintStatus::failed(error.message()));
            return;
        }
        assign(m_settings.serialStart, claim->start());
        claim->number(batch);
    }
    setStatus(PrintStatus::printing(0, batch.size()));
    run(this, m_printers, batch, m_printer, std::move(claim));
}

} // namespace vantrel
