#include "LabelKit/merge/DataTable.h"
#include "LabelKit/model/UserError.h"

#include "tests/support/TestSupport.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

using Rows = QList<QStringList>;

QByteArray utf16(const QString& text, bool bigEndian) {
    QStringEncoder encoder(bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                           QStringConverter::Flag::WriteBom);
    return encoder.encode(text);
}

// Decoding

TEST(DecodeTest, GivesTheText) {
    for (const QStringList& c : testsupport::dataTable(u"csv-decode.txt"_s)) {
        const QByteArray bytes = c[1] == u"utf8"_s    ? c[2].toUtf8()
                                 : c[1] == u"bytes"_s ? c[2].toLatin1()
                                                      : utf16(c[2], c[1] == u"utf16be"_s);
        EXPECT_EQ(DataTable::decode(bytes), c[3]) << c[0].toStdString();
    }
}

TEST(DecodeTest, Windows1252AgreesWithTheSystemCodecAndItsGapsGiveReplacements) {
    QStringDecoder reference("windows-1252");
    ASSERT_TRUE(reference.isValid());
    for (int b = 0x80; b <= 0xFF; ++b) {
        // 0xC3 keeps the bytes from being valid UTF-8; Windows-1252 must then read both.
        const QByteArray bytes = QByteArray(1, char(b)) + "\xC3";
        if (QList<int>{0x81, 0x8D, 0x8F, 0x90, 0x9D}.contains(b)) {
            // An undefined byte leaves only UTF-8 with replacements.
            EXPECT_EQ(DataTable::decode(bytes), u"\uFFFD\uFFFD"_s) << "byte " << b;
        } else {
            EXPECT_EQ(DataTable::decode(bytes), QString(reference.decode(bytes))) << "byte " << b;
        }
    }
}

TEST(ParseTest, GivesTheRows) {
    for (const QStringList& c : testsupport::dataTable(u"csv-parse.txt"_s)) {
        SCOPED_TRACE(c[0].toStdString());
        Rows rows;
        for (const QString& row : c[2].split(u'¶', Qt::SkipEmptyParts)) {
            rows.append(row == u"∅"_s ? QStringList{QString()} : row.split(u'¦'));
        }
        const std::optional<QChar> delimiter =
            c.size() > 3 ? std::optional(c[3].front()) : std::nullopt;
        EXPECT_EQ(DataTable::parse(c[1], false, delimiter).rows, rows);
    }
}

TEST(ColumnNamingTest, NamesTheColumns) {
    for (const QStringList& c : testsupport::dataTable(u"csv-columns.txt"_s)) {
        EXPECT_EQ(DataTable::parse(c[1], c[2] == u"header"_s).columns,
                  c[3].split(u'¦', Qt::SkipEmptyParts))
            << c[0].toStdString();
    }
}

// Limits: in memory, a list of many short rows costs far more than its bytes.

TEST(ListLimits, RowsAndCellsBeyondTheLimitsAreRefused) {
    const auto lines = [](qsizetype count, const QString& line) { return line.repeated(count); };
    const qsizetype rows = DataTable::maxRows;
    EXPECT_EQ(DataTable::parse(lines(rows, u"a\n"_s), false).rows.size(), rows);
    EXPECT_EQ(DataTable::parse(lines(rows + 1, u"a\n"_s), true).rows.size(), rows);
    const auto refusal = [](const QString& text) {
        return testsupport::userError([&] { DataTable::parse(text, false); });
    };
    EXPECT_EQ(refusal(lines(rows + 1, u"a\n"_s)),
              u"The list has too many rows: a list holds at most 100000 rows."_s);
    const qsizetype columns = DataTable::maxColumns;
    EXPECT_EQ(DataTable::parse(lines(columns - 1, u","_s), false).columns.size(), columns);
    EXPECT_EQ(refusal(lines(columns, u","_s)),
              u"The list has too many columns: a list holds at most 1000 columns."_s);
    // Cells are rows times the widest row: one wide row makes every row that wide.
    const qsizetype tall = DataTable::maxCells / columns;
    EXPECT_EQ(
        DataTable::parse(lines(columns - 1, u","_s) + lines(tall - 1, u"\na"_s), false).rows.size(),
        tall);
    EXPECT_EQ(refusal(lines(columns - 1, u","_s) + lines(tall, u"\na"_s)),
              u"The list has too many cells: a list holds at most 2000000 cells (rows times "
              "columns)."_s);
}

// Ragged rows and records

TEST(RecordTest, ShortRowsStayShortAndReadAsEmptyAndOutsideRowsGiveNothing) {
    const DataTable table = DataTable::parse(u"SKU,Name,Price\nA1,Widget,2.50\nB2\n"_s, true);
    ASSERT_EQ(table.rows.size(), 2);
    EXPECT_EQ(table.rows[1], QStringList{u"B2"_s});
    EXPECT_EQ(table.record(1),
              (MergeFields{{u"SKU"_s, u"B2"_s}, {u"Name"_s, QString()}, {u"Price"_s, QString()}}));
    EXPECT_EQ(
        table.record(0),
        (MergeFields{{u"SKU"_s, u"A1"_s}, {u"Name"_s, u"Widget"_s}, {u"Price"_s, u"2.50"_s}}));
    EXPECT_TRUE(table.record(-1).isEmpty());
    EXPECT_TRUE(table.record(2).isEmpty());
    // A later column of the same name ("Name 2", twice) wins.
    EXPECT_EQ(DataTable::parse(u"Name,Name,Name 2\nfirst,second,third"_s, true).record(0),
              (MergeFields{{u"Name"_s, u"first"_s}, {u"Name 2"_s, u"third"_s}}));
}

// Search

TEST(SearchTest, FindsTheRows) {
    const DataTable table{{u"Company"_s, u"City"_s},
                          {{u"Acme Corp"_s, u"Springfield"_s},
                           {u"Café Noir"_s, u"Zürich"_s},
                           {u"cafe\u0301 decomposed"_s},
                           {u"Cafe Plain"_s, u"ZURICH"_s},
                           {},
                           {u"STRASSE 5"_s, u"Straße 7"_s},
                           {u"İstanbul"_s, u"Ǆemal"_s}}};
    for (const QStringList& c : testsupport::dataTable(u"csv-search.txt"_s)) {
        QList<qsizetype> rows;
        for (const QString& row : c[2].split(u' ', Qt::SkipEmptyParts)) {
            rows.append(row.toLongLong());
        }
        EXPECT_EQ(table.search(c[1]), rows) << c[0].toStdString();
    }
}

TEST(SearchEdgeTest, QueryOfIgnorableCharactersNeverCrashes) {
    const DataTable table{{u"A"_s}, {{u"a\u0001b"_s}, {u"plain"_s}}};
    const QList<qsizetype> found = table.search(u"\u0001"_s);
    EXPECT_THAT(found, testing::IsSubsetOf(QList<qsizetype>{0, 1}));
}

// Printable ASCII cells take a shortcut past the collator; cells with a letter beyond ASCII go
// through it. Both must find the same rows for an ASCII query.
TEST(SearchEdgeTest, AsciiCellsMatchAsTheCollatorDoes) {
    const QString alphabet = u"aAbBzZ0 -.,'~_^`"_s;
    std::mt19937 random(7);
    const auto text = [&](int maxLength) {
        QString s;
        for (int n = 1 + int(random() % unsigned(maxLength)); n > 0; --n) {
            s += alphabet[random() % alphabet.size()];
        }
        return s;
    };
    DataTable ascii{{u"A"_s, u"B"_s}, {}};
    DataTable marked = ascii;
    for (int r = 0; r < 200; ++r) {
        const QStringList cells = {text(6), text(6)};
        ascii.rows.append(cells);
        marked.rows.append({cells[0] + u"é"_s, cells[1] + u"é"_s});
    }
    for (int q = 0; q < 200; ++q) {
        const QString query = text(3);
        EXPECT_EQ(ascii.search(query), marked.search(query)) << query.toStdString();
    }
}

} // namespace
