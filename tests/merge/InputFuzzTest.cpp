

// Bounded randomized tests of the readers of outside input: the label file, CSV lists and
// placeholder texts. Every case derives from a fixed seed, so a failure names the seed and the
// input, and re-running gives the same inputs.
#include "LabelKit/merge/DataTable.h"
#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/Templates.h"

#include "tests/support/TestSupport.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <limits>
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

// Byte-level mutations

// Pieces that matter to some reader: syntax, then bytes that matter to decoding.
const QList<QByteArray> interestingBytes =
    QByteArray(R"(" , ; | { } [ ] : null true 1e999 -0 \u0000 \ "" {date} }{ )"
               "\t \r\n \r \n \xFF \xFE \x81 \xC3 \xED\xA0\x80 \xEF\xBB\xBF \xFF\xFE \xE2\x80\xA8")
        .split(' ') +
    QList<QByteArray>{QByteArray(1, '\0')};

QByteArray mutateBytes(QByteArray bytes, Random& random, const QList<QByteArray>& splices) {
    for (qsizetype steps = 1 + pick(random, 4); steps > 0; --steps) {
        const qsizetype at = bytes.isEmpty() ? 0 : pick(random, bytes.size() + 1);
        switch (pick(random, 7)) {
        case 0:
            if (at < bytes.size()) {
                bytes[at] = char(bytes[at] ^ (1 << pick(random, 8)));
            }
            break;
        case 1:
            bytes.insert(at, char(pick(random, 256)));
            break;
        case 2:
            bytes.remove(at, pick(random, 16));
            break;
        case 3:
            bytes.insert(at, interestingBytes[pick(random, interestingBytes.size())]);
            break;
        case 4: {
            const qsizetype length = pick(random, 32);
            bytes.insert(at, bytes.mid(pick(random, bytes.size() + 1), length));
            break;
        }
        case 5: {
            const QByteArray& other = splices[pick(random, splices.size())];
            const qsizetype from = pick(random, other.size() + 1);
            bytes = bytes.left(at) + other.mid(from, pick(random, 64));
            break;
        }
        default:
            bytes.truncate(at);
            break;
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
        if (chance(random, 10)) {
            text += QChar(char16_t(pick(random, 0x10000)));
        } else {
            text += pieces[pick(random, pieces.size())];
        }
    }
    return text;
}

// Label files

// Replaces the value of one member of a label file with another JSON value, so that the reader
// meets wrong types and odd values in files that are otherwise well formed.
QByteArray mutateMember(const QByteArray& json, Random& random) {
    static const QList<QByteArray> values =
        QByteArray(R"(null|true|0|-0.0|1e300|-1e300|8.5|45|9.2233720368547758e18|1e-320|""|[]|{}|)"
                   R"([{}]|[null]|"star"|"EAN13"|"ean13"|"center"|"{serial} {date+30}"|)"
                   R"("2025-03-14T09:26:53.5Z"|"2025-02-30T09:26:53Z"|"9999-12-31T23:59:59Z"|)"
                   R"("2025-03-14T09:26:53+23:59"|"{01234567-89ab-cdef-0123-456789ABCDEF}"|)"
                   R"("01234567-89ab-cdef-0123-456789abcdef"|"AAE="|"A==="|"\u0000é")")
            .split('|');
    // A scalar member value of the pretty-printed file: a number, a literal or a string.
    static const QRegularExpression scalar(uR"(": ("[^"\n]*"|[^,\n\[{]+))"_s);
    QString text = QString::fromUtf8(json);
    QList<QRegularExpressionMatch> matches;
    for (const QRegularExpressionMatch& m : scalar.globalMatch(text)) {
        matches.append(m);
    }
    if (!matches.isEmpty()) {
        const QRegularExpressionMatch& m = matches[pick(random, matches.size())];
        text.replace(m.capturedStart(1), m.capturedLength(1),
                     QString::fromUtf8(values[pick(random, values.size())]));
    }
    return text.toUtf8();
}

// Reads bytes as a label file. Only UserError may come out of the reader; a document that reads
// must also write (unless a number is not finite) and read back to the same bytes.
void checkLabelFile(const QByteArray& bytes, quint64 seed) {
    std::optional<LabelDocument> doc;
    try {
        doc = LabelFile::decode(bytes);
    } catch (const UserError& error) {
        EXPECT_FALSE(error.message().isEmpty()) << "seed " << seed;
        return;
    } catch (...) {
        ADD_FAILURE() << "seed " << seed << ": the reader threw something else on " << shown(bytes);
        return;
    }
    QByteArray written;
    try {
        written = LabelFile::encode(*doc);
    } catch (const UserError&) {
        return;
    }
    try {
        const QByteArray again = LabelFile::encode(LabelFile::decode(written));
        EXPECT_EQ(again, written) << "seed " << seed << ": input " << shown(bytes);
    } catch (const std::exception& error) {
        ADD_FAILURE() << "seed " << seed << ": written file does not read back: " << error.what()
                      << " for input " << shown(bytes);
    }
}

TEST(InputFuzz, LabelFileReaderSurvivesRandomAndMutatedFiles) {
    QList<QByteArray> seeds;
    for (const LabelDocument& doc : Templates::starters()) {
        seeds.append(LabelFile::encode(doc));
    }
    seeds.append(LabelFile::encode(Templates::identify(u"Shelf {serial}"_s, u"CT221B-7F"_s)));
    for (quint64 seed = 1; seed <= 3000; ++seed) {
        Random random(seed);
        const QByteArray& start = seeds[pick(random, seeds.size())];
        switch (pick(random, 3)) {
        case 0:
            checkLabelFile(randomBytes(random, 200), seed);
            break;
        case 1:
            checkLabelFile(mutateBytes(start, random, seeds), seed);
            break;
        default: {
            QByteArray json = start;
            for (qsizetype steps = 1 + pick(random, 3); steps > 0; --steps) {
                json = mutateMember(json, random);
            }
            checkLabelFile(json, seed);
        }
        }
    }
}

// CSV lists

const QStringList csvPieces = {u"a"_s,      u"Name"_s,   u"7"_s,      u","_s,       u";"_s,
                               u"\t"_s,     u"|"_s,      u"\""_s,     u"\"\""_s,    u"\r"_s,
                               u"\n"_s,     u"\r\n"_s,   u" "_s,      u"é"_s,       u"e\u0301"_s,
                               u"🏷"_s,   u"{"_s,      u"}"_s,      u"{x}"_s,     u"\u00A0"_s,
                               u"\u3000"_s, u"\uFEFF"_s, u"Name 2"_s, u"Column 2"_s};

const QRegularExpression suffixed(u"\\A(.+) ([0-9]+)\\z"_s);

bool isBlank(QChar c) {
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

// A simple writer: cells quoted where they must be (or all of them), quotes doubled.
QString writeCsv(const QList<QStringList>& rows, QChar delimiter, const QString& lineEnd,
                 bool quoteAll) {
    QString out;
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i > 0) {
                out += delimiter;
            }
            const QString& cell = row[i];
            if (quoteAll || cell.contains(delimiter) || cell.contains(u'"') ||
                cell.contains(u'\r') || cell.contains(u'\n')) {
                out += u'"' + QString(cell).replace(u"\""_s, u"\"\""_s) + u'"';
            } else {
                out += cell;
            }
        }
        out += lineEnd;
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
    for (qsizetype i = 0; i < width; ++i) {
        ASSERT_EQ(without.columns[i], u"Column "_s + QString::number(i + 1));
    }

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
    QSet<QString> seen;
    for (const QString& name : with.columns) {
        ASSERT_FALSE(name.isEmpty());
        ASSERT_FALSE(name.contains(u'{') || name.contains(u'}')) << shown(name);
        if (seen.contains(name)) {
            // The one way to a repeated name: a header cell that is itself the suffixed form
            // generated for a repeated base name.
            const auto m = suffixed.match(name);
            ASSERT_TRUE(m.hasMatch()) << "repeated " << shown(name);
            ASSERT_TRUE(with.columns.contains(m.captured(1))) << "repeated " << shown(name);
        }
        seen.insert(name);
    }

    // What was read, written again with every cell quoted, reads back the same.
    for (const QChar delimiter : {QChar(u','), QChar(u'\t'), QChar(u';'), QChar(u'|')}) {
        QList<QStringList> rows = DataTable::parse(text, false, delimiter).rows;
        rows.removeIf([](const QStringList& row) { return row == QStringList{QString()}; });
        ASSERT_EQ(
            DataTable::parse(writeCsv(rows, delimiter, u"\r\n"_s, true), false, delimiter).rows,
            rows);
    }
}

// Texts from pieces that matter to the parser, and the decoding of random and mutated files.
TEST(InputFuzz, CsvReadersKeepTheirInvariants) {
    QStringEncoder toUtf8(QStringConverter::Utf8);
    QStringEncoder toUtf16(QStringConverter::Utf16LE);
    const QList<QByteArray> seeds = {
        toUtf8.encode(
            u"SKU;Name;Größe\r\nA-1;\"Widget \"\"L\"\"\";42\r\nB-2;\"two\nlines\";\r\n"_s),
        "\xEF\xBB\xBF"
        "a,b,c\n1,2,3\n\"x,y\",\"\",z",
        "\xFF\xFE" + QByteArray(toUtf16.encode(u"Name\tPrice\n\"Café\"\t2,50\n"_s)),
        QByteArray("Caf\xE9|Stra\xDF"
                   "e|\x80\r1|2|3")};
    for (quint64 seed = 1; seed <= 5000; ++seed) {
        Random random(seed);
        if (seed % 5 < 3) {
            checkTableInvariants(randomText(random, csvPieces, 40), seed);
        } else {
            const QByteArray bytes =
                chance(random, 30) ? randomBytes(random, 120)
                                   : mutateBytes(seeds[pick(random, seeds.size())], random, seeds);
            const QString text = DataTable::decode(bytes);
            ASSERT_EQ(DataTable::load(bytes, true), DataTable::parse(text, true))
                << "seed " << seed << ", bytes " << shown(bytes);
            checkTableInvariants(text, seed);
        }
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
        QString text;
        if (seed % 3 == 0) {
            // Braces among arbitrary UTF-16 units.
            for (qsizetype n = pick(random, 24); n > 0; --n) {
                text += chance(random, 30)   ? QChar(u'{')
                        : chance(random, 30) ? QChar(u'}')
                                             : QChar(char16_t(pick(random, 0x10000)));
            }
        } else {
            text = randomText(random, placeholderPieces, 16);
        }
        SCOPED_TRACE(testing::Message() << "seed " << seed << ", text " << shown(text));

        const QStringList tokens = Placeholders::tokens(text);
        ASSERT_LE(tokens.size(), text.count(u'{'));
        if (!text.contains(u'{')) {
            const QString same = Placeholders::resolve(text, full);
            ASSERT_EQ(same, text);
            ASSERT_EQ(same.constData(), text.constData()) << "a text without braces was copied";
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
