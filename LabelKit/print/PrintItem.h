#pragma once

#include "LabelKit/merge/DataTable.h"
#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"

#include <QByteArray>
#include <QList>

namespace vantrel {

// One TSPL job: a design, the merge values of one label and how many identical copies the
// printer makes of it.
struct PrintItem {
    LabelDocument document;
    LabelContext context;
    qint64 copies = 1; // stored as given; the job raises values below 1 to 1

    PrintItem(LabelDocument document, LabelContext context, qint64 copies);

    // The item's TSPL bytes, rendered and encoded on demand; nothing is cached.
    // Throws UserError when the design's size cannot be printed.
    QByteArray job() const;

    // Items with serials start, start + 1, ... (count of them; none when count < 1).
    static QList<PrintItem> serialRun(const LabelDocument& document, qint64 start, qint64 count,
                                      qint64 digits, qint64 copies, const MergeFields& fields);
    // One item per row index, in the order given; a row's cells override extra fields of the
    // same name; a row outside the table gives no table fields. Only the columns that the
    // design's placeholders name are taken: the other cells never reach the label, and a batch
    // holding them would take the list's rows times its columns in memory.
    static QList<PrintItem> rows(const LabelDocument& document, const DataTable& table,
                                 const QList<qsizetype>& rows, qint64 copies,
                                 const MergeFields& fields);
};

} // namespace vantrel
