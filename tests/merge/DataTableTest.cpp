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

struct DecodeCase {
    const char* name;
    QByteArray bytes;
    QString text;
};

TEST(DecodeTest, GivesTheText) {
    const DecodeCase cases[] = {
        {"Utf8", u"Café,Größe,日,🏷"_s.toUtf8(), u"Café,Größe,日,🏷"_s},
        {"Empty", QByteArray(), QString()},
        {"Utf16LittleEndian", utf16(u"Café;🏷"_s, false), u"Café;🏷"_s},
        {"Utf16BigEndian", utf16(u"Café;🏷"_s, true), u"Café;🏷"_s},
        {"Utf16BomOnly", QByteArray("\xFF\xFE"), QString()},
        // A dangling byte makes the whole text unreadable as UTF-16: the text is empty.
        {"Utf16OddLength", QByteArray::fromHex("FFFE610062"), QString()},
        {"Utf16LoneSurrogate", QByteArray("\xFF\xFE\x00\xD8x\0", 6), u"\uFFFDx"_s},
        {"Utf16ReversedSurrogates", QByteArray("\xFF\xFE\x00\xDC\x00\xD8", 6), u"\uFFFD\uFFFD"_s},
        {"Windows1252", QByteArray("Caf\xE9 \x80 \x93quoted\x94 \x9F"), u"Café € “quoted” Ÿ"_s},
        // A multi-byte sequence cut off at the end is not UTF-8.
        {"TruncatedUtf8IsWindows1252", QByteArray("abc\xC3"), u"abcÃ"_s},
        {"Utf8SurrogateIsWindows1252", QByteArray("\xED\xA0\x80"), u"í\u00A0€"_s},
        {"OverlongUtf8IsWindows1252", QByteArray("\xC0\xAF"), u"À¯"_s},
        // Bytes that are neither UTF-8 nor Windows-1252 (0x81 is undefined there).
        {"NeitherGivesReplacement", QByteArray("a\x81z"), u"a\uFFFDz"_s},
        {"ReplacementKeepsValidUtf8", QByteArray("\xC3\xA9\x8D\xC3\xA9"), u"é\uFFFDé"_s},
        // A damaged byte in UTF-8 costs that byte, not every other letter.
        {"DamagedUtf8StaysUtf8", QByteArray("K\xC3\xB6ln;Caf\xE9\n"), u"Köln;Caf\uFFFD\n"_s},
        {"DamageOutnumberingUtf8IsWindows1252", QByteArray("CAF\xC9\x92S caf\xE9 cr\xE8me"),
         u"CAFÉ’S café crème"_s}};
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DataTable::decode(c.bytes), c.text);
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

// Parsing: each case is a text, parsed without header, and the rows it must give.

// Rows are written with "¶" between them and "¦" between cells.
struct ParseCase {
    const char* name;
    QString text;
    QString rows;
    std::optional<QChar> delimiter = std::nullopt;
};

TEST(ParseTest, GivesTheRows) {
    const ParseCase cases[] = {
        {"SemicolonsBeatCommas", u"a;b;c\n1,5;2,5;3"_s, u"a¦b¦c¶1,5¦2,5¦3"_s},
        {"TieGoesToComma", u"a,b\tc,d\te\n"_s, u"a¦b\tc¦d\te"_s},
        {"TabsBeatSemicolons", u"a\tb\tc;d\n"_s, u"a¦b¦c;d"_s},
        {"VerticalBars", u"a|b|c\n1|2|3"_s, u"a¦b¦c¶1¦2¦3"_s},
        {"NoCandidateMeansComma", u"abc\nx,y"_s, u"abc¶x¦y"_s},
        {"QuotedCandidatesDoNotCount", u"\"a;b;c\",d\n"_s, u"a;b;c¦d"_s},
        {"OnlyTheFirstLineCounts", u"a|b\n1;2;3;4\n"_s, u"a¦b¶1;2;3;4"_s},
        {"FirstLineEndsAtCarriageReturn", u"a;b\r1,2,3,4,5\r"_s, u"a¦b¶1,2,3,4,5"_s},
        {"GivenDelimiterWins", u"a;b,c\n"_s, u"a;b¦c"_s, QChar(u',')},
        {"AnyGivenCharacter", u"a#b;c\n"_s, u"a¦b;c"_s, QChar(u'#')},
        {"NonAsciiDelimiter", u"a·b·c\n"_s, u"a¦b¦c"_s, QChar(u'·')},
        // The quote and line breaks cannot separate fields; the delimiter is detected instead.
        {"QuoteAsDelimiterIsDetected", u"a;\"b\"\n"_s, u"a¦b"_s, QChar(u'"')},
        {"LineFeedAsDelimiterIsDetected", u"a;b\nc"_s, u"a¦b¶c"_s, QChar(u'\n')},
        // Quoting

        {"DoubledQuotes", u"\"say \"\"hi\"\"\",x"_s, u"say \"hi\"¦x"_s},
        {"DelimiterInQuotes", u"\"a,b\",c"_s, u"a,b¦c"_s},
        {"LineBreaksInQuotes", u"\"1 Main St\r\nSpringfield\",x\ny"_s,
         u"1 Main St\r\nSpringfield¦x¶y"_s},
        {"QuoteInsideUnquotedCell", u"5\" screen,b\"c\"\n"_s, u"5\" screen¦b\"c\""_s},
        {"TextAfterClosingQuote", u"\"ab\"cd,e"_s, u"abcd¦e"_s},
        {"QuoteAfterClosedSectionIsOrdinary", u"\"a\" \"b\",c"_s, u"a \"b\"¦c"_s},
        {"QuoteAfterLeadingSpaceIsOrdinary", u" \"a,b\""_s, u"\"a¦b\""_s},
        {"EmptyQuotedCells", u"\"\",\"\",x"_s, u"¦¦x"_s},
        {"OnlyDoubledQuotes", u"\"\"\"\"\n"_s, u"\""_s},
        {"QuoteClosesAtEndOfText", u"a,\"b\""_s, u"a¦b"_s},
        {"UnterminatedFinalRecordIsDropped", u"a,b\nc,\"d\ne,f\n"_s, u"a¦b"_s},
        {"UnterminatedAfterDoubledQuote", u"x\n\"a\"\""_s, u"x"_s},
        {"LoneQuote", u"\""_s, u""_s},
        // Line endings
        {"CrLf", u"a,b\r\nc,d\r\n"_s, u"a¦b¶c¦d"_s},
        {"Mixed", u"a\rb\r\nc\nd"_s, u"a¶b¶c¶d"_s},
        {"NoFinalLineBreak", u"a,b\nc,d"_s, u"a¦b¶c¦d"_s},
        {"LineFeedBeforeCarriageReturnIsTwoBreaks", u"a\n\rb"_s, u"a¶b"_s},
        {"OtherLineSeparatorsAreText", u"a\u2028b\u0085c\fd"_s, u"a\u2028b\u0085c\fd"_s},
        // Blank lines
        {"SkippedBetweenRecords", u"a\n\n\r\n\rb\n\n"_s, u"a¶b"_s},
        {"SpacesMakeOneEmptyCell", u"a\n   \nb"_s, u"a¶∅¶b"_s},
        {"OnlyDelimitersMakeEmptyCells", u",,\n"_s, u"¦¦"_s},
        {"EmptyQuotedLineIsBlank", u"a\n\"\"\nb"_s, u"a¶b"_s},
        {"EmptyText", QString(), u""_s},
        {"OnlyLineBreaks", u"\r\n\n\r"_s, u""_s},
        {"OnlyByteOrderMark", u"\uFEFF"_s, u""_s},
        {"ByteOrderMarkOnlyAtStartIsDropped", u"\uFEFFa,\uFEFFb"_s, u"a¦\uFEFFb"_s},
        // Trimming
        {"SpacesAndTabs", u"  a  ,\tb\t, c d \n"_s, u"a¦b¦c d"_s},
        {"QuotedCellsToo", u"\" a \",\"\t\""_s, u"a¦"_s},
        {"UnicodeSpaceSeparators", u"\u00A0a\u3000,\u2007b\u202F"_s, u"a¦b"_s},
        {"NotLineBreaks", u"\"\na\r\n\""_s, u"\na\r\n"_s},
        {"NotOtherFormatCharacters", u"\u200Ba\u200B"_s, u"\u200Ba\u200B"_s},
        {"TabDelimitedKeepsEmptyCells", u"a\t\tc\n"_s, u"a¦¦c"_s},
        // Characters
        {"SurrogatePairsAndCombiningMarks", u"🏷,cafe\u0301,日本語\n"_s,
         u"🏷¦cafe\u0301¦日本語"_s},
        {"LongRowCrossesScanBlocks", u"abcdefghijklmnopqrstuvwxyz,0123456789abcdefg|h"_s,
         u"abcdefghijklmnopqrstuvwxyz¦0123456789abcdefg|h"_s}};
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rows rows;
        for (const QString& row : c.rows.split(u'¶', Qt::SkipEmptyParts)) {
            rows.append(row == u"∅"_s ? QStringList{QString()} : row.split(u'¦'));
        }
        EXPECT_EQ(DataTable::parse(c.text, false, c.delimiter).rows, rows);
    }
}

// Header and column names

struct NamingCase {
    const char* name;
    QString text;
    bool hasHeader;
    QString columns; // "¦" between names
};

TEST(ColumnNamingTest, NamesTheColumns) {
    const NamingCase cases[] = {
        {"WithoutHeader", u"a,b,c\n1,2,3"_s, false, u"Column 1¦Column 2¦Column 3"_s},
        {"BracesRemovedEmptyNamedTrimmed", u"{SKU},,  Name  \n1,2,3"_s, true,
         u"SKU¦Column 2¦Name"_s},
        {"OnlyBracesIsEmpty", u"{},}{,{{x}}"_s, true, u"Column 1¦Column 2¦x"_s},
        {"Duplicates", u"Name,Name,Name,Price"_s, true, u"Name¦Name 2¦Name 3¦Price"_s},
        {"DuplicatesAfterBraces", u"{Name},Name"_s, true, u"Name¦Name 2"_s},
        {"SuffixedFormInHeaderRepeats", u"Name,Name,Name 2"_s, true, u"Name¦Name 2¦Name 2"_s},
        {"GeneratedNameCollides", u"Column 2,"_s, true, u"Column 2¦Column 2 2"_s},
        {"LetterCaseDiffers", u"name,Name"_s, true, u"name¦Name"_s},
        {"ShortHeaderWidenedByRows", u"a\n1,2,3"_s, true, u"a¦Column 2¦Column 3"_s},
        {"LongHeaderSetsWidth", u"a,b,c\n1"_s, true, u"a¦b¦c"_s},
        {"OnlyAHeader", u"SKU,Name\n"_s, true, u"SKU¦Name"_s},
        {"NoRowsNoColumns", u"\n\n"_s, true, u""_s},
        {"UnterminatedHeaderNoColumns", u"\"a,b"_s, true, u""_s}};
    for (const NamingCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DataTable::parse(c.text, c.hasHeader).columns,
                  c.columns.split(u'¦', Qt::SkipEmptyParts));
    }
}

// Limits: in memory, a list of many short rows costs far more than its bytes.

TEST(ListLimits, RowsAndCellsBeyondTheLimitsAreRefused) {
    const auto lines = [](qsizetype count, const QString& line) { return line.repeated(count); };
    const qsizetype rows = DataTable::maxRows;
    EXPECT_EQ(DataTable::parse(lines(rows, u"a\n"_s), false).rows.size(), rows);
    EXPECT_EQ(DataTable::parse(lines(rows + 1, u"a\n"_s), true).rows.size(), rows);
    const auto refusal = [](const QString& text) {
        try {
            DataTable::parse(text, false);
        } catch (const UserError& e) {
            return e.message();
        }
        return QString();
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

struct SearchCase {
    const char* name;
    QString query;
    QList<qsizetype> rows;
};

TEST(SearchTest, FindsTheRows) {
    const DataTable table{{u"Company"_s, u"City"_s},
                          {{u"Acme Corp"_s, u"Springfield"_s},
                           {u"Café Noir"_s, u"Zürich"_s},
                           {u"cafe\u0301 decomposed"_s},
                           {u"Cafe Plain"_s, u"ZURICH"_s},
                           {},
                           {u"STRASSE 5"_s, u"Straße 7"_s},
                           {u"İstanbul"_s, u"Ǆemal"_s}}};
    const SearchCase cases[] = {{"EmptyGivesEveryRow", QString(), {0, 1, 2, 3, 4, 5, 6}},
                                {"IgnoresCase", u"ACME"_s, {0}},
                                {"AnyCell", u"field"_s, {0}},
                                {"AccentsDistinguished", u"café"_s, {1, 2}},
                                {"PlainDoesNotMatchAccented", u"cafe"_s, {3}},
                                {"UmlautDistinguished", u"zurich"_s, {3}},
                                {"UmlautIgnoringCase", u"ZÜRICH"_s, {1}},
                                {"ColumnNamesNotSearched", u"Company"_s, {}},
                                {"NoMatch", u"xyz"_s, {}},
                                {"LongerThanEveryCell", u"Springfield and more"_s, {}},
                                {"TitleCaseLigature", u"ǅEMAL"_s, {6}},
                                {"Digits", u"5"_s, {5}},
                                {"SharpSIsNotDoubleS", u"strasse 7"_s, {}},
                                {"CapitalSharpS", u"STRAẞE 7"_s, {5}}};
    for (const SearchCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(table.search(c.query), c.rows);
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
