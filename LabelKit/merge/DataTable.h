#pragma once

#include "LabelKit/merge/LabelContext.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

namespace vantrel {

// A parsed CSV list: named columns and rows of cell text. Rows are kept as parsed: a row may
// be shorter than the column list (missing cells read as empty), never longer.
struct DataTable {
    QStringList columns;
    QList<QStringList> rows;

    // A label prints one row at a time and a roll holds a few hundred labels: larger lists are
    // refused rather than held in memory. Cells count every row as wide as the widest one, the
    // header included, since every printed row carries a value for each column.
    static constexpr qsizetype maxRows = 100000;
    static constexpr qsizetype maxColumns = 1000;
    static constexpr qsizetype maxCells = 2000000;

    // The text of a file's bytes: UTF-16 after its byte-order mark, else strict UTF-8, else
    // UTF-8 with replacement characters when the damage is slight, else Windows-1252, else UTF-8
    // with replacement characters. Never fails.
    //
    // The damage is slight when the bytes hold at least one valid multi-byte UTF-8 sequence and
    // no more invalid sequences than valid multi-byte ones: a UTF-8 file with a damaged byte
    // keeps its good characters, while Windows-1252 text, whose accented letters are mostly
    // followed by plain ASCII, seldom forms a valid multi-byte sequence at all.
    static QString decode(const QByteArray& data);
    // Parses delimited text; the delimiter is detected among comma, tab, semicolon and vertical
    // bar when none is given. Malformed input yields the rows that could be read.
    // Throws UserError naming the limit when the list has more than maxRows rows (besides the
    // header), maxColumns columns or maxCells cells.
    static DataTable parse(const QString& text, bool hasHeader,
                           std::optional<QChar> delimiter = std::nullopt);
    // Throws as parse does.
    static DataTable load(const QByteArray& data, bool hasHeader);

    // One row as merge fields by column name; empty for a row outside the table.
    MergeFields record(qsizetype row) const;
    // The rows, in order, with a cell that contains the query ignoring letter case but not
    // accents; every row for an empty query. Safe to call on copies from several threads at
    // once. When `stop` turns true the search gives up early with the rows found so far (a
    // newer search took its place).
    QList<qsizetype> search(const QString& query, const std::atomic_bool* stop = nullptr) const;
    bool isEmpty() const { return rows.isEmpty(); }

    friend bool operator==(const DataTable&, const DataTable&) = default;
};

size_t qHash(const DataTable& table, size_t seed = 0) noexcept;

} // namespace vantrel
