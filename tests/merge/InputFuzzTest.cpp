

// Bounded randomized tests of the readers of outside input: the label file, CSV lists and
// placeholder texts. Every case derives from a fixed seed, so a failure names the seed and the
// input, and re-running gives the same inputs.
#include "LabelKit/merge/DataTable.h"
#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/Templates.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

using Random = std::mt19937_64;

qsizetype pick(Random& random, qsizetype count) {
    return qsizetype(std::uniform_int_distribution<qsizetype>(0, count - 1)(random));
}

bool chance(Random& random, int percent) {
    return pick(random, 100) < percent;
}

// A readable form of an input for failure messages.
std::string shown(const QByteArray& bytes) {
    return bytes.left(2000).toPercentEncoding(" ,;|\t{}[]:\"'+-_.").toStdString();
}
std::string shown(const QString& text) {
    return shown(text.toUtf8());
}

// Byte-level mutations: flips, insertions of bytes that matter to some reader, deletions,
// splices from another input, truncation.
const QList<QByteArray> interestingBytes =
    QByteArray(R"(" , ; | { } [ ] : null true 1e999 -0 \u0000 \ "" {date} }{ )"
               "\t \r\n \r \n \xFF \xFE \x81 \xC3 \xED\xA0\x80 \xEF\xBB\xBF \xFF\xFE \xE2\x80\xA8")
        .split(' ') +
    QList<QByteArray>{QByteArray(1, '\0')};

QByteArray mutateBytes(QByteArray bytes, Random& random, const QList<QByteArray>& splices) {
    for (qsizetype steps = 1 + pick(random, 4); steps > 0; --steps) {
        const qsizetype at = pick(random, bytes.size() + 1);
        const QByteArray& other = splices[pick(random, splices.size())];
        switch (pick(random, 5)) {
        case 0:
            bytes.insert(at, char(pick(random, 256)));
            break;
        case 1:
            bytes.remove(at, pick(random, 16));
            break;
        case 2:
            bytes.insert(at, interestingBytes[pick(random, interestingBytes.size())]);
            break;
        case 3:
            bytes = bytes.left(at) + other.mid(pick(random, other.size() + 1), pick(random, 64));
            break;
        default:
            bytes.truncate(at);
        }
    }
    return bytes;
}

QByteArray randomBytes(Random& random, qsizetype maxLength) {
    QByteArray bytes(pick(random, maxLength + 1), Qt::Uninitialized);
    for (char& b : bytes) {
        b = char(pick(random, 256));
    }
    return bytes;
}

// Texts built from pieces that matter to a reader, with some random characters between.
QString randomText(Random& random, const QStringList& pieces, qsizetype maxPieces) {
    QString text;
    for (qsizetype n = pick(random, maxPieces + 1); n > 0; --n) {
        text += chance(random, 10) ? QString(QChar(char16_t(pick(random, 0x10000))))
                                   : pieces[pick(random, pieces.size())];
    }
    return text;
}

// Label files: only UserError may come out of the reader; a document that reads must also
// write (unless a number is not finite) and read back to the same bytes.
TEST(InputFuzz, LabelFileReaderSurvivesRandomAndMutatedFiles) {
    QList<QByteArray> seeds;
    for (const LabelDocument& doc : Templates::starters()) {
        seeds.append(LabelFile::encode(doc));
    }
    for (quint64 seed = 1; seed <= 3000; ++seed) {
        Random random(seed);
        const QByteArray bytes =
            chance(random, 30) ? randomBytes(random, 200)
                               : mutateBytes(seeds[pick(random, seeds.size())], random, seeds);
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", input " << shown(bytes));
        QByteArray written;
        try {
            written = LabelFile::encode(LabelFile::decode(bytes));
        } catch (const UserError& error) {
            EXPECT_FALSE(error.message().isEmpty());
            continue;
        }
        EXPECT_EQ(LabelFile::encode(LabelFile::decode(written)), written);
    }
}

// CSV lists

const QStringList csvPieces = {u"a"_s,      u"Name"_s,   u"7"_s,      u","_s,       u";"_s,
                               u"\t"_s,     u"|"_s,      u"\""_s,     u"\"\""_s,    u"\r"_s,
                               u"\n"_s,     u"\r\n"_s,   u" "_s,      u"é"_s,       u"e\u0301"_s,
                               u"🏷"_s,   u"{"_s,      u"}"_s,      u"{x}"_s,     u"\u00A0"_s,
                               u"\u3000"_s, u"\uFEFF"_s, u"Name 2"_s, u"Column 2"_s};

bool isBlank(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

// Rows written again with every cell quoted and quotes doubled.
QString quotedCsv(const QList<QStringList>& rows, QChar delimiter) {
    QString out;
    for (const QStringList& row : rows) {
        QStringList cells;
        for (const QString& cell : row) {
            cells.append(u'"' + QString(cell).replace(u"\""_s, u"\"\""_s) + u'"');
        }
        out += cells.join(delimiter) + u"\r\n"_s;
    }
    return out;
}

void checkTableInvariants(const QString& text, quint64 seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed << ", text " << shown(text));
    const DataTable with = DataTable::parse(text, true);
    const DataTable without = DataTable::parse(text, false);

    qsizetype width = 0;
    for (const QStringList& row : without.rows) {
        width = std::max(width, row.size());
        ASSERT_GE(row.size(), 1);
        for (const QString& cell : row) {
            ASSERT_FALSE(!cell.isEmpty() && (isBlank(cell.front()) || isBlank(cell.back())))
                << "untrimmed cell " << shown(cell);
        }
    }
    ASSERT_EQ(without.columns.size(), width);

    if (without.rows.isEmpty()) {
        ASSERT_TRUE(with.columns.isEmpty());
        ASSERT_TRUE(with.rows.isEmpty());
        return;
    }
    ASSERT_EQ(with.rows, without.rows.mid(1));
    ASSERT_EQ(with.columns.size(), width);
    for (const QStringList& row : with.rows) {
        ASSERT_LE(row.size(), with.columns.size());
    }
    for (const QString& name : with.columns) {
        ASSERT_FALSE(name.isEmpty() || name.contains(u'{') || name.contains(u'}')) << shown(name);
    }

    // What was read, written again with every cell quoted, reads back the same.
    for (const QChar delimiter : {QChar(u','), QChar(u'\t'), QChar(u';'), QChar(u'|')}) {
        QList<QStringList> rows = DataTable::parse(text, false, delimiter).rows;
        rows.removeIf([](const QStringList& row) { return row == QStringList{QString()}; });
        ASSERT_EQ(DataTable::parse(quotedCsv(rows, delimiter), false, delimiter).rows, rows);
    }
}

// Texts from pieces that matter to the parser, and the decoding of random files.
TEST(InputFuzz, CsvReadersKeepTheirInvariants) {
    for (quint64 seed = 1; seed <= 5000; ++seed) {
        Random random(seed);
        checkTableInvariants(seed % 4 ? randomText(random, csvPieces, 40)
                                      : DataTable::decode(randomBytes(random, 120)),
                             seed);
        if (HasFatalFailure()) {
            return;
        }
    }
}

// Placeholders

const QStringList placeholderPieces = {
    u"{"_s,          u"}"_s,      u"{{"_s,   u"}}"_s,   u"date"_s,
    u"date:"_s,      u"serial"_s, u"Name"_s, u"NAME"_s, u":"_s,
    u"+"_s,          u"-"_s,      u"30"_s,   u"0"_s,    u"99999999999999999999"_s,
    u"2147483648"_s, u"yyyy"_s,   u"MM"_s,   u"dd"_s,   u"'"_s,
    u"\n"_s,         u" "_s,      u"\t"_s,   u"é"_s,    u"🏷"_s,
    u"\u2028"_s,     u"GGGGG"_s,  u"x"_s};

TEST(InputFuzz, PlaceholderExpansionKeepsItsInvariants) {
    const LabelContext empty{std::nullopt, 0, {}, QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53))};
    const LabelContext full{7,
                            3,
                            {{u"Name"_s, u"Widget {serial}"_s}, {u"name"_s, u"lower"_s}},
                            QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53))};
    for (quint64 seed = 1; seed <= 3500; ++seed) {
        Random random(seed);
        const QString text = randomText(random, placeholderPieces, 16);
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", text " << shown(text));

        const QStringList tokens = Placeholders::tokens(text);
        ASSERT_LE(tokens.size(), text.count(u'{'));
        if (!text.contains(u'{')) {
            ASSERT_EQ(Placeholders::resolve(text, full), text);
        }
        if (!tokens.contains(u"date"_s)) {
            ASSERT_EQ(Placeholders::resolve(text, empty), text);
        }
        // A value is inserted as it is, never scanned again: its "{serial}" stays.
        ASSERT_GE(Placeholders::resolve(text, full).count(u"Widget {serial}"_s),
                  tokens.count(u"Name"_s));
    }
}

} // namespace
