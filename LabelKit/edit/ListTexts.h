#pragma once

#include <QString>
#include <QStringList>

namespace vantrel {

// The texts the list views show about the attached list and its rows. A row beyond the list
// counts as its last row, and a row before it as its first.
namespace ListTexts {

// "Row 3 of 12" for the list panel's header bar.
QString rowOf(qsizetype row, qsizetype count);
// "3 of 12" for the preview-row stepper.
QString position(qsizetype row, qsizetype count);
// "12 rows" while nothing is ticked, else "2 selected".
QString caption(qsizetype rows, qsizetype ticked);
// "Columns: SKU, Name".
QString columns(const QStringList& names);

} // namespace ListTexts

} // namespace vantrel
