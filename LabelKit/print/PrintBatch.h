#pragma once

#include "LabelKit/merge/DataTable.h"
#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/print/PrintItem.h"

#include <QList>
#include <QSet>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace vantrel {

class SettingsStore;

// The print panel's rules, shared by the panel and the command line: which list rows print,
// which fields the user is asked for, and how the batch of print items is built. Row indices
// are zero-based; "no rows" (std::nullopt) means the list is not used at all, while an empty
// list means it is used and nothing is printed.
namespace PrintBatch {

enum class RowMode { all, range, selected, none };

// The panel's first choice: none without a list that has rows, else selected when rows are
// ticked, else all.
RowMode initialRowMode(const std::optional<DataTable>& table, const QSet<qsizetype>& selectedRows);

// The rows the panel prints. A range is one-based and may be given in either order; it is
// clamped to the list. Ticked rows print in ascending order; ticks outside the list are left
// out. Nothing without a list that has rows, or in mode none.
std::optional<QList<qsizetype>> rowsToPrint(const std::optional<DataTable>& table, RowMode mode,
                                            qint64 rangeFrom, qint64 rangeTo,
                                            const QSet<qsizetype>& selectedRows);

// The design's merge fields in code-point order, without the list's columns when list rows
// are printed: the fields the user has to fill in.
QStringList neededFields(const LabelDocument& document, const std::optional<DataTable>& table,
                         const std::optional<QList<qsizetype>>& rows);

// What the panel's controls hold besides the rows.
struct Settings {
    qint64 copies = 1;
    qint64 serialStart = 1;
    qint64 serialCount = 1; // serial run length when no list rows print
    qint64 serialDigits = 4;
    MergeFields fields;
};

// With list rows: one item per row, and when the design uses {serial} the serials count the
// rows (start, start + 1, ...), not the copies. Without them: a run of serialCount serials for
// a design that uses {serial}, else one item.
QList<PrintItem> build(const LabelDocument& document, const std::optional<DataTable>& table,
                       const std::optional<QList<qsizetype>>& rows, const Settings& settings);

// The labels the printer produces: the sum of the items' copies, each at least 1.
qint64 labelCount(const QList<PrintItem>& items);

// How many serial numbers a print uses: one per list row, else the run length.
qint64 serialsUsed(const std::optional<QList<qsizetype>>& rows, qint64 serialCount);

// The next serial of a design lives in the settings under "serial.next." + its id in upper
// case. A stored value of 1 or more is where the next print starts; otherwise it starts at 1.
QString nextSerialKey(const QUuid& labelID);
qint64 storedSerialStart(const SettingsStore& settings, const QUuid& labelID);
void storeNextSerial(SettingsStore& settings, const QUuid& labelID, qint64 next);

} // namespace PrintBatch

} // namespace vantrel
