#include "LabelKit/merge/DataTable.h"

// Placeholder until the parser lands.
QString DataTable::decode(const QByteArray& data) { return QString::fromUtf8(data); }

DataTable DataTable::parse(const QString&, bool, std::optional<QChar>) { return {}; }

DataTable DataTable::load(const QByteArray& data, bool hasHeader) {
    return parse(decode(data), hasHeader);
}

MergeFields DataTable::record(qsizetype) const { return {}; }

QList<qsizetype> DataTable::search(const QString&) const { return {}; }

size_t qHash(const DataTable& table, size_t seed) noexcept {
    return qHashMulti(seed, table.columns, table.rows);
}
