#include "LabelKit/print/PrintBatch.h"

#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/platform/SettingsStore.h"

#include <algorithm>
#include <limits>

namespace vantrel {

namespace {

bool hasRows(const std::optional<DataTable>& table) {
    return table && !table->isEmpty();
}

} // namespace

PrintBatch::RowMode PrintBatch::initialRowMode(const std::optional<DataTable>& table,
                                               const QSet<qsizetype>& selectedRows) {
    if (!hasRows(table)) {
        return RowMode::none;
    }
    return selectedRows.isEmpty() ? RowMode::all : RowMode::selected;
}

std::optional<QList<qsizetype>> PrintBatch::rowsToPrint(const std::optional<DataTable>& table,
                                                        RowMode mode, qint64 rangeFrom,
                                                        qint64 rangeTo,
                                                        const QSet<qsizetype>& selectedRows) {
    if (!hasRows(table)) {
        return std::nullopt;
    }
    const qint64 rowCount = table->rows.size();
    QList<qsizetype> rows;
    switch (mode) {
    case RowMode::all:
        rows.reserve(rowCount);
        for (qsizetype r = 0; r < rowCount; ++r) {
            rows.append(r);
        }
        return rows;
    case RowMode::range: {
        const qint64 lo = std::max<qint64>(std::min(rangeFrom, rangeTo), 1);
        const qint64 hi = std::min<qint64>(std::max(rangeFrom, rangeTo), rowCount);
        for (qint64 r = lo; r <= hi; ++r) {
            rows.append(qsizetype(r - 1));
        }
        return rows;
    }
    case RowMode::selected:
        for (const qsizetype r : selectedRows) {
            if (r >= 0 && r < rowCount) {
                rows.append(r);
            }
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    case RowMode::none:
        break;
    }
    return std::nullopt;
}

QStringList PrintBatch::neededFields(const LabelDocument& document,
                                     const std::optional<DataTable>& table,
                                     const std::optional<QList<qsizetype>>& rows) {
    QStringList names = Placeholders::fieldNames(document);
    if (table && rows) {
        names.removeIf([&](const QString& name) { return table->columns.contains(name); });
    }
    return names;
}

QList<PrintItem> PrintBatch::build(const LabelDocument& document,
                                   const std::optional<DataTable>& table,
                                   const std::optional<QList<qsizetype>>& rows,
                                   const Settings& settings) {
    const bool usesSerial = Placeholders::usesSerial(document);
    if (table && rows) {
        QList<PrintItem> items =
            PrintItem::rows(document, *table, *rows, settings.copies, settings.fields);
        if (usesSerial) {
            qint64 serial = settings.serialStart;
            for (PrintItem& item : items) {
                item.context.serial = serial;
                item.context.serialDigits = settings.serialDigits;
                if (__builtin_add_overflow(serial, 1, &serial)) {
                    serial = std::numeric_limits<qint64>::max();
                }
            }
        }
        return items;
    }
    if (!usesSerial) {
        return {PrintItem(document,
                          LabelContext{std::nullopt, 0, settings.fields, Clock::wallNow()},
                          settings.copies)};
    }
    return PrintItem::serialRun(document, settings.serialStart, settings.serialCount,
                                settings.serialDigits, settings.copies, settings.fields);
}

qint64 PrintBatch::labelCount(const QList<PrintItem>& items) {
    qint64 total = 0;
    for (const PrintItem& item : items) {
        if (__builtin_add_overflow(total, std::max<qint64>(item.copies, 1), &total)) {
            return std::numeric_limits<qint64>::max();
        }
    }
    return total;
}

qint64 PrintBatch::serialsUsed(const std::optional<QList<qsizetype>>& rows, qint64 serialCount) {
    return rows ? qint64(rows->size()) : serialCount;
}

QString PrintBatch::nextSerialKey(const QUuid& labelID) {
    return QStringLiteral("serial.next.") + labelID.toString(QUuid::WithoutBraces).toUpper();
}

qint64 PrintBatch::storedSerialStart(const SettingsStore& settings, const QUuid& labelID) {
    const std::optional<qint64> stored = settings.integer(nextSerialKey(labelID));
    return stored && *stored >= 1 ? *stored : 1;
}

void PrintBatch::storeNextSerial(SettingsStore& settings, const QUuid& labelID, qint64 next) {
    settings.setInteger(nextSerialKey(labelID), next);
}

} // namespace vantrel
