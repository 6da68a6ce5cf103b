#pragma once

#include "LabelKit/merge/LabelContext.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// A parsed CSV list: named columns and rows of cell text. Rows are kept as parsed: a row may
// be shorter than the column list (missing cells read as empty), never longer.
struct DataTable {
    QStringList columns;
    QList<QStringList> rows;

    // The text of a file's bytes: UTF-16 after its byte-order mark, else strict UTF-8, else
    // Windows-1252, else UTF-8 with replacement characters. Never fails.
    static QString decode(const QByteArray& data);
    // Parses delimited text; the delimiter is detected among comma, tab, semicolon and vertical
    // bar when none is given. Never fails: malformed input yields the rows that could be read.
    static DataTable parse(const QString& text, bool hasHeader,
                           std::optional<QChar> delimiter = std::nullopt);
    static DataTable load(const QByteArray& data, bool hasHeader);

    // One row as merge fields by column name; empty for a row outside the table.
    MergeFields record(qsizetype row) const;
    // The rows, in order, with a cell that contains the query ignoring letter case but not
    // accents; every row for an empty query.
    QList<qsizetype> search(const QString& query) const;
    bool isEmpty() const { return rows.isEmpty(); }

    friend bool operator==(const DataTable&, const DataTable&) = default;
};

size_t qHash(const DataTable& table, size_t seed = 0) noexcept;

} // namespace vantrel
