#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace vantrel {

// The plain-text payload of a list column dragged from the list panel onto the canvas:
// "column:" followed by the column's name.
namespace ColumnDrag {

inline constexpr QStringView prefix = u"column:";

QString payload(const QString& column);
// The column named by a payload (possibly empty), or nothing when the text is not a payload.
std::optional<QString> column(const QString& payload);

} // namespace ColumnDrag

} // namespace vantrel
