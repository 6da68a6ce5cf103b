#include "LabelKit/merge/DataTable.h"

#include "LabelKit/merge/TextSearch.h"
#include "LabelKit/model/UserError.h"

#include <QHash>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vantrel {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; 0 marks the five bytes the code page leaves undefined. Every
// other byte maps to the code point of the same value.
constexpr std::array<char16_t, 32> cp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

std::optional<QString> decodeStrictUtf8(const QByteArray& data) {
    // Stateless: a sequence cut off by the end of the data counts as invalid instead of being
    // held back for more input.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(data);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

struct Utf8Census {
    qsizetype validMultiByte = 0;
    qsizetype invalid = 0;
};

// Counts the valid multi-byte sequences and the invalid ones (each maximal invalid part once),
// by the same rules as a strict decoder: no overlong forms, no surrogates, nothing above
// U+10FFFF.
Utf8Census utf8Census(QByteArrayView bytes) {
    Utf8Census census;
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    const auto continuation = [&](qsizetype i, uchar low = 0x80, uchar high = 0xBF) {
        return i < n && p[i] >= low && p[i] <= high;
    };
    qsizetype i = 0;
    while (i < n) {
        const uchar b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        // The allowed range of the second byte, and how many continuation bytes follow it.
        uchar low = 0x80;
        uchar high = 0xBF;
        int more = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            more = 0;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 1;
            low = b == 0xE0 ? 0xA0 : 0x80;
            high = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 2;
            low = b == 0xF0 ? 0x90 : 0x80;
            high = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            ++census.invalid;
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        bool valid = continuation(j, low, high);
        for (++j; valid && more > 0; --more, ++j) {
            valid = continuation(j);
        }
        if (valid) {
            ++census.validMultiByte;
            i = j;
        } else {
            ++census.invalid;
            // Resume after the lead and the continuation bytes that did fit.
            qsizetype k = i + 1;
            if (continuation(k, low, high)) {
                for (++k; continuation(k); ++k) {
                }
            }
            i = k;
        }
    }
    return census;
}

std::optional<QString> decodeWindows1252(const QByteArray& data) {
    QString text(data.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char byte : data) {
        const auto b = static_cast<unsigned char>(byte);
        if (b >= 0x80 && b <= 0x9F) {
            const char16_t mapped = cp1252High[b - 0x80];
            if (mapped == 0) {
                return std::nullopt;
            }
            *out++ = mapped;
        } else {
            *out++ = b;
        }
    }
    return text;
}

// The code units after a UTF-16 byte-order mark. An odd byte count cannot be UTF-16 and gives
// nothing; an unpaired surrogate becomes U+FFFD so that the rest of the list survives.
QString decodeUtf16(QByteArrayView units, bool bigEndian) {
    if (units.size() % 2 != 0) {
        return {};
    }
    const qsizetype n = units.size() / 2;
    QString text(n, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    if (bigEndian) {
        qFromBigEndian<char16_t>(units.data(), n, out);
    } else {
        qFromLittleEndian<char16_t>(units.data(), n, out);
    }
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = out[i];
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(out[i + 1])) {
            ++i;
        } else if (QChar::isSurrogate(c)) {
            out[i] = QChar::ReplacementCharacter;
        }
    }
    return text;
}

bool isBlank(char16_t c) {
    if (c == u' ' || c == u'\t') {
        return true;
    }
    return c >= 0xA0 && QChar::category(c) == QChar::Separator_Space;
}

bool isLineBreak(char16_t c) {
    return c == u'\n' || c == u'\r';
}

// A delimiter must be a character of its own: the quote and the line breaks have their own
// meaning, and half of a surrogate pair is not a character.
bool canDelimit(QChar c) {
    return c != u'"' && !isLineBreak(c.unicode()) && !c.isSurrogate();
}

QChar detectDelimiter(QStringView text) {
    constexpr std::array<char16_t, 4> candidates = {u',', u'\t', u';', u'|'};
    std::array<qsizetype, 4> counts{};
    bool inQuotes = false;
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (isLineBreak(c)) {
            break;
        }
        if (c == u'"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes) {
            for (std::size_t k = 0; k < candidates.size(); ++k) {
                counts[k] += c == candidates[k];
            }
        }
    }
    std::size_t best = 0;
    for (std::size_t k = 1; k < candidates.size(); ++k) {
        if (counts[k] > counts[best]) {
            best = k;
        }
    }
    return QChar(candidates[best]);
}

// One pass over the text. A field is kept as a slice of the text while it is contiguous there,
// which it is unless a doubled quote or text after a closing quote joins pieces; only then are
// its pieces copied into a buffer. Cells are trimmed before their string is made.
class Parser {
public:
    // `rowLimit` rows at most, none wider than the columns limit, and the widest times their
    // number within the cells limit; beyond any of them the parse stops at once with the
    // limit's message.
    Parser(QStringView text, char16_t delimiter, qsizetype rowLimit)
        : m_s(reinterpret_cast<const char16_t*>(text.utf16()))
        , m_n(text.size())
        , m_delimiter(delimiter)
        , m_rowLimit(rowLimit) {}

    QList<QStringList> run() {
        qsizetype i = 0;
        for (;;) {
            if (i < m_n && m_s[i] == u'"' && fieldIsEmpty()) {
                i = quotedSection(i + 1);
                if (i < 0) {
                    // Unterminated: the pending field and row are dropped.
                    return std::move(m_rows);
                }
                continue;
            }
            const qsizetype j = nextSpecial(i);
            append(i, j);
            if (j == m_n) {
                endRecord();
                return std::move(m_rows);
            }
            if (m_s[j] == m_delimiter) {
                endField();
                i = j + 1;
            } else {
                i = j + 1;
                if (m_s[j] == u'\r' && i < m_n && m_s[i] == u'\n') {
                    ++i;
                }
                endRecord();
            }
        }
    }

private:
    // The content of a quoted section starting at `i`; returns the index after its closing
    // quote, or -1 when the text ends inside it.
    qsizetype quotedSection(qsizetype i) {
        const QStringView view(m_s, m_n);
        for (;;) {
            const qsizetype q = view.indexOf(QChar(u'"'), i);
            if (q < 0) {
                return -1;
            }
            append(i, q);
            if (q + 1 < m_n && m_s[q + 1] == u'"') {
                append(q, q + 1);
                i = q + 2;
            } else {
                return q + 1;
            }
        }
    }

    // The first delimiter or line break at or after `i`, or the end of the text. Quotes here
    // are ordinary characters: the field already has text, or the quote was handled above.
    qsizetype nextSpecial(qsizetype i) const {
#if defined(__SSE2__)
        const __m128i delimiter = _mm_set1_epi16(static_cast<short>(m_delimiter));
        const __m128i cr = _mm_set1_epi16(u'\r');
        const __m128i lf = _mm_set1_epi16(u'\n');
        while (i + 8 <= m_n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(m_s + i));
            const __m128i hit =
                _mm_or_si128(_mm_cmpeq_epi16(v, delimiter),
                             _mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)));
            const int mask = _mm_movemask_epi8(hit);
            if (mask != 0) {
                return i + __builtin_ctz(static_cast<unsigned>(mask)) / 2;
            }
            i += 8;
        }
#endif
        while (i < m_n && m_s[i] != m_delimiter && !isLineBreak(m_s[i])) {
            ++i;
        }
        return i;
    }

    bool fieldIsEmpty() const {
        return m_inBuffer ? m_buffer.isEmpty() : m_end == m_begin;
    }

    void append(qsizetype from, qsizetype to) {
        if (from == to) {
            return;
        }
        if (m_inBuffer) {
            m_buffer.append(QStringView(m_s + from, to - from));
        } else if (m_begin == m_end) {
            m_begin = from;
            m_end = to;
        } else if (m_end == from) {
            m_end = to;
        } else {
            m_buffer.append(QStringView(m_s + m_begin, m_end - m_begin));
            m_buffer.append(QStringView(m_s + from, to - from));
            m_inBuffer = true;
        }
    }

    void endField() {
        QStringView field =
            m_inBuffer ? QStringView(m_buffer) : QStringView(m_s + m_begin, m_end - m_begin);
        qsizetype b = 0;
        qsizetype e = field.size();
        while (b < e && isBlank(field[b].unicode())) {
            ++b;
        }
        while (e > b && isBlank(field[e - 1].unicode())) {
            --e;
        }
        m_row.append(cell(field.sliced(b, e - b)));
        if (m_row.size() > m_width) {
            m_width = m_row.size();
            refuseBeyondCells(m_rows.size() + 1);
        }
        m_begin = m_end = 0;
        if (m_inBuffer) {
            m_buffer.truncate(0); // keeps the capacity for the next such field
            m_inBuffer = false;
        }
    }

    // Lists repeat short values (names, categories, cities, units): a small direct-mapped cache of
    // recent cells lets a repeated value share its string instead of allocating a new one.
    QString cell(QStringView text) {
        if (text.isEmpty()) {
            return QString();
        }
        if (text.size() > maxCachedCell) {
            return text.toString();
        }
        // A few code units and the length spread the values well enough for a cache: a collision
        // costs an allocation, never a wrong cell.
        const qsizetype n = text.size();
        const size_t h = size_t(n) * 0x9E3779B1u ^ text[0].unicode() * 31u ^
                         text[n / 2].unicode() * 131u ^ text[n - 1].unicode() * 1031u;
        QString& slot = m_cache[(h ^ (h >> 10)) % m_cache.size()];
        if (QStringView(slot) != text) {
            slot = text.toString();
        }
        return slot;
    }

    void endRecord() {
        // A blank line is a row of one empty cell before trimming: a line of spaces is kept.
        const bool blank = m_row.isEmpty() && fieldIsEmpty();
        endField();
        const qsizetype width = m_row.size();
        if (!blank) {
            if (m_rows.size() == m_rowLimit) {
                throw UserError(QStringLiteral("The list has too many rows: a list holds at "
                                               "most %1 rows.")
                                    .arg(DataTable::maxRows));
            }
            m_rows.append(std::move(m_row));
            refuseBeyondCells(m_rows.size());
        }
        m_row = QStringList();
        m_row.reserve(width);
    }

    void refuseBeyondCells(qsizetype rows) const {
        if (m_width > DataTable::maxColumns) {
            throw UserError(QStringLiteral("The list has too many columns: a list holds at most "
                                           "%1 columns.")
                                .arg(DataTable::maxColumns));
        }
        if (m_width > DataTable::maxCells / std::max<qsizetype>(rows, 1)) {
            throw UserError(QStringLiteral("The list has too many cells: a list holds at most "
                                           "%1 cells (rows times columns).")
                                .arg(DataTable::maxCells));
        }
    }

    const char16_t* m_s;
    qsizetype m_n;
    char16_t m_delimiter;
    qsizetype m_rowLimit;
    qsizetype m_width = 0; // cells of the widest row so far
    QList<QStringList> m_rows;
    QStringList m_row;
    qsizetype m_begin = 0;
    qsizetype m_end = 0;
    QString m_buffer;
    bool m_inBuffer = false;
    static constexpr qsizetype maxCachedCell = 48;
    std::array<QString, 1024> m_cache;
};

QStringList columnNames(const QStringList& header, qsizetype width) {
    QStringList names;
    names.reserve(width);
    QHash<QString, qsizetype> counts;
    counts.reserve(width);
    for (qsizetype i = 0; i < width; ++i) {
        QString base = i < header.size() ? header[i] : QString();
        base.remove(u'{').remove(u'}');
        if (base.isEmpty()) {
            base = QStringLiteral("Column ") + QString::number(i + 1);
        }
        const auto found = counts.find(base);
        if (found != counts.end()) {
            const qsizetype n = ++found.value();
            names.append(base + u' ' + QString::number(n));
        } else {
            counts.insert(base, 1);
            names.append(base);
        }
    }
    return names;
}

} // namespace

QString DataTable::decode(const QByteArray& data) {
    const auto bytes = QByteArrayView(data);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        return decodeUtf16(bytes.sliced(2), bytes.front() == '\xFE');
    }
    if (auto text = decodeStrictUtf8(data)) {
        return *std::move(text);
    }
    const Utf8Census census = utf8Census(bytes);
    if (census.validMultiByte > 0 && census.invalid <= census.validMultiByte) {
        return QString::fromUtf8(data);
    }
    if (auto text = decodeWindows1252(data)) {
        return *std::move(text);
    }
    return QString::fromUtf8(data);
}

DataTable DataTable::parse(const QString& text, bool hasHeader, std::optional<QChar> delimiter) {
    QStringView view(text);
    if (view.startsWith(QChar(0xFEFF))) {
        view = view.sliced(1);
    }
    const QChar separator =
        delimiter && canDelimit(*delimiter) ? *delimiter : detectDelimiter(view);
    QList<QStringList> rows =
        Parser(view, separator.unicode(), DataTable::maxRows + (hasHeader ? 1 : 0)).run();
    if (rows.isEmpty()) {
        return {};
    }
    qsizetype width = 0;
    for (const QStringList& row : std::as_const(rows)) {
        width = std::max(width, row.size());
    }
    QStringList header;
    if (hasHeader) {
        header = rows.takeFirst();
    }
    return DataTable{columnNames(header, width), std::move(rows)};
}

DataTable DataTable::load(const QByteArray& data, bool hasHeader) {
    return parse(decode(data), hasHeader);
}

MergeFields DataTable::record(qsizetype row) const {
    MergeFields fields;
    if (row < 0 || row >= rows.size()) {
        return fields;
    }
    const QStringList& cells = rows[row];
    for (qsizetype i = 0; i < columns.size(); ++i) {
        fields.insert(columns[i], i < cells.size() ? cells[i] : QString());
    }
    return fields;
}

QList<qsizetype> DataTable::search(const QString& query, const std::atomic_bool* stop) const {
    const TextSearch search(query);
    QList<qsizetype> found;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (stop && i % 1024 == 0 && stop->load(std::memory_order_relaxed)) {
            break;
        }
        if (query.isEmpty() ||
            std::any_of(rows[i].cbegin(), rows[i].cend(),
                        [&](const QString& cell) { return search.matches(cell); })) {
            found.append(i);
        }
    }
    return found;
}

size_t qHash(const DataTable& table, size_t seed) noexcept {
    return qHashMulti(seed, table.columns, table.rows);
}

} // namespace vantrel
