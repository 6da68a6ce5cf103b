#include "LabelKit/print/PrintItem.h"

#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/tspl/TSPL.h"

#include <algorithm>
#include <utility>

namespace vantrel {

PrintItem::PrintItem(LabelDocument document, LabelContext context, qint64 copies)
    : document(std::move(document)), context(std::move(context)), copies(copies) {}

QByteArray PrintItem::job() const {
    return TSPL::job(document, context, copies);
}

QList<PrintItem> PrintItem::serialRun(const LabelDocument& document, qint64 start, qint64 count,
                                      qint64 digits, qint64 copies, const MergeFields& fields) {
    QList<PrintItem> items;
    if (count < 1) {
        return items;
    }
    items.reserve(qsizetype(std::min<qint64>(count, 100000)));
    for (qint64 i = 0; i < count; ++i) {
        qint64 serial = 0;
        if (__builtin_add_overflow(start, i, &serial)) {
            break; // no further serial number exists
        }
        items.append(
            PrintItem(document, LabelContext{serial, digits, fields, Clock::wallNow()}, copies));
    }
    return items;
}

QList<PrintItem> PrintItem::rows(const LabelDocument& document, const DataTable& table,
                                 const QList<qsizetype>& rows, qint64 copies,
                                 const MergeFields& fields) {
    // Placeholders find fields ignoring letter case when no name matches exactly.
    QSet<QString> named;
    for (const QString& token : Placeholders::placeholders(document)) {
        named.insert(token.toLower());
    }
    QList<qsizetype> columns;
    for (qsizetype c = 0; c < table.columns.size(); ++c) {
        if (named.contains(table.columns[c].toLower())) {
            columns.append(c);
        }
    }
    QList<PrintItem> items;
    items.reserve(rows.size());
    for (const qsizetype row : rows) {
        MergeFields merged = fields;
        if (row >= 0 && row < table.rows.size()) {
            const QStringList& cells = table.rows[row];
            for (const qsizetype c : columns) {
                merged.insert(table.columns[c], c < cells.size() ? cells[c] : QString());
            }
        }
        items.append(PrintItem(
            document, LabelContext{std::nullopt, 0, std::move(merged), Clock::wallNow()}, copies));
    }
    return items;
}

} // namespace vantrel
