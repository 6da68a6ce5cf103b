#include "LabelKit/edit/ColumnDrag.h"

namespace vantrel::ColumnDrag {

QString payload(const QString& column) {
    return prefix.toString() + column;
}

std::optional<QString> column(const QString& payload) {
    if (!payload.startsWith(prefix)) {
        return std::nullopt;
    }
    return payload.mid(prefix.size());
}

} // namespace vantrel::ColumnDrag
