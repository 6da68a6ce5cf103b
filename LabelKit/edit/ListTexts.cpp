#include "LabelKit/edit/ListTexts.h"

#include <algorithm>

namespace vantrel::ListTexts {

namespace {

qsizetype shownRow(qsizetype row, qsizetype count) {
    return std::max<qsizetype>(std::min(row, count - 1), 0) + 1;
}

} // namespace

QString rowOf(qsizetype row, qsizetype count) {
    return QStringLiteral("Row %1 of %2").arg(shownRow(row, count)).arg(count);
}

QString position(qsizetype row, qsizetype count) {
    return QStringLiteral("%1 of %2").arg(shownRow(row, count)).arg(count);
}

QString caption(qsizetype rows, qsizetype ticked) {
    return ticked == 0 ? QStringLiteral("%1 rows").arg(rows)
                       : QStringLiteral("%1 selected").arg(ticked);
}

QString columns(const QStringList& names) {
    return QStringLiteral("Columns: ") + names.join(QStringLiteral(", "));
}

} // namespace vantrel::ListTexts
