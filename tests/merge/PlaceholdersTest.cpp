#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/model/LabelDocument.h"

#include "tests/support/TestSupport.h"

#include <unicode/timezone.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Runs each test in a known local time zone and restores the process's own afterwards.
class ZoneFixture : public ::testing::Test {
protected:
    void useZone(const char* id) {
        icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone(icu::UnicodeString(id)));
    }
    void SetUp() override {
        saved.reset(icu::TimeZone::createDefault());
        useZone("Europe/Berlin");
    }
    void TearDown() override { icu::TimeZone::setDefault(*saved); }
    std::unique_ptr<icu::TimeZone> saved;
};

// 14 March 2025, 09:26:53 UTC (10:26:53 in Berlin).
const QDateTime reference(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);

LabelContext context(std::optional<qint64> serial = std::nullopt, qint64 digits = 0,
                     MergeFields fields = {}) {
    return LabelContext{serial, digits, std::move(fields), reference};
}

QString resolve(const QString& text, const LabelContext& c = context()) {
    return Placeholders::resolve(text, c);
}

using Expansion = ZoneFixture;

TEST_F(Expansion, TextWithoutAPlaceholderIsReturnedAsItIs) {
    const QString plain = QStringLiteral("Plain text, no braces");
    const QString out = resolve(plain);
    EXPECT_EQ(out, plain);
    EXPECT_EQ(out.constData(), plain.constData()); // the same buffer: nothing was built
    EXPECT_EQ(resolve(QString()), QString());
    EXPECT_EQ(resolve(QStringLiteral("{}")), QStringLiteral("{}"));
    EXPECT_EQ(resolve(QStringLiteral("a { b")), QStringLiteral("a { b"));
    EXPECT_EQ(resolve(QStringLiteral("}{")), QStringLiteral("}{"));
}

TEST_F(Expansion, SerialNumbersArePaddedToTheirDigits) {
    EXPECT_EQ(resolve(QStringLiteral("{ serial }"), context(7, 3)), QStringLiteral("007"));
    EXPECT_EQ(resolve(QStringLiteral("{serial}"), context(1234, 3)), QStringLiteral("1234"));
    EXPECT_EQ(resolve(QStringLiteral("{serial}"), context(1234, 0)), QStringLiteral("1234"));
    EXPECT_EQ(resolve(QStringLiteral("{serial}"), context(0, 2)), QStringLiteral("00"));
    EXPECT_EQ(resolve(QStringLiteral("SKU-{serial}"), context(std::nullopt, 4)),
              QStringLiteral("SKU-{serial}"));
}

TEST_F(Expansion, FieldsMatchExactlyThenIgnoringCase) {
    const LabelContext c = context(std::nullopt, 0,
                                   {{QStringLiteral("Name"), QStringLiteral("Widget")},
                                    {QStringLiteral("serial"), QStringLiteral("S-1")},
                                    {QStringLiteral("Empty"), QString()}});
    EXPECT_EQ(resolve(QStringLiteral("{name} {NAME} {Name}"), c),
              QStringLiteral("Widget Widget Widget"));
    EXPECT_EQ(resolve(QStringLiteral("{Price}"), c), QStringLiteral("{Price}"));
    EXPECT_EQ(resolve(QStringLiteral("[{Empty}]"), c), QStringLiteral("[]"));
    // {Serial} is a field token; it reaches the column "serial" only through the case step.
    EXPECT_EQ(resolve(QStringLiteral("{Serial}"), c), QStringLiteral("S-1"));
    // {serial} is the built-in, and without a serial it stays as written.
    EXPECT_EQ(resolve(QStringLiteral("{serial}"), c), QStringLiteral("{serial}"));

    const LabelContext exact = context(std::nullopt, 0,
                                       {{QStringLiteral("name"), QStringLiteral("lower")},
                                        {QStringLiteral("Name"), QStringLiteral("upper")}});
    EXPECT_EQ(resolve(QStringLiteral("{Name}|{name}"), exact), QStringLiteral("upper|lower"));
}

TEST_F(Expansion, ValuesAreInsertedLiterally) {
    const LabelContext c = context(3, 0,
                                   {{QStringLiteral("A"), QStringLiteral("{serial}")},
                                    {QStringLiteral("B"), QStringLiteral("{date}")}});
    EXPECT_EQ(resolve(QStringLiteral("{A}{B}"), c), QStringLiteral("{serial}{date}"));
}

TEST_F(Expansion, TokensAreTrimmedOfSpacesAndTabsOnly) {
    const LabelContext c = context(5);
    EXPECT_EQ(resolve(QStringLiteral("{\tserial\u00A0}"), c), QStringLiteral("5"));
    EXPECT_EQ(resolve(QStringLiteral("{\u3000serial }"), c), QStringLiteral("5"));
    // A carriage return is not trimmed, so the token is not "serial".
    EXPECT_EQ(resolve(QStringLiteral("{serial\r}"), c), QStringLiteral("{serial\r}"));
    // A line feed interrupts a placeholder.
    EXPECT_EQ(resolve(QStringLiteral("{ser\nial}"), c), QStringLiteral("{ser\nial}"));
    EXPECT_EQ(resolve(QStringLiteral("{a\n{serial}"), c), QStringLiteral("{a\n5"));
}

TEST_F(Expansion, BracesAroundAPlaceholderStay) {
    EXPECT_EQ(resolve(QStringLiteral("{{date}}")), QStringLiteral("{03/14/2025}"));
    EXPECT_EQ(resolve(QStringLiteral("{x{serial}}"), context(9)), QStringLiteral("{x9}"));
}

struct DateCase {
    const char* text;
    const char* expected;
};

class DateTokens : public ZoneFixture, public ::testing::WithParamInterface<DateCase> {};

TEST_P(DateTokens, FormatAndOffset) {
    EXPECT_EQ(resolve(QString::fromUtf8(GetParam().text)), QString::fromUtf8(GetParam().expected))
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, DateTokens,
    ::testing::Values(DateCase{"{date}", "03/14/2025"}, DateCase{"{date+30}", "04/13/2025"},
                      DateCase{"{date-1}", "03/13/2025"},
                      DateCase{"{date:yyyy-MM-dd}", "2025-03-14"},
                      DateCase{"{date:yyyy-MM-dd+1}", "2025-03-15"},
                      DateCase{"{date:yyyy-MM-dd-14}", "2025-02-28"},
                      DateCase{"{date:}", "03/14/2025"}, DateCase{"{date:+2}", "03/16/2025"},
                      DateCase{"{date+x}", "03/14/2025"}, DateCase{"{date-}", "03/14/2025"},
                      DateCase{"{date+0030}", "04/13/2025"},
                      // The whole tail after "+" is the offset, which does not read.
                      DateCase{"{date+5:yyyy}", "03/14/2025"},
                      // Local time in Berlin, en_US_POSIX names.
                      DateCase{"{date:MMM d, yyyy h:mm a}", "Mar 14, 2025 10:26 AM"},
                      DateCase{"{date:EEEE HH:mm:ss}", "Friday 10:26:53"},
                      // Year, not week-year.
                      DateCase{"{date:yyyy}", "2025"},
                      // An offset beyond the calendar keeps the reference date.
                      DateCase{"{date+99999999999}", "03/14/2025"},
                      DateCase{"{date+99999999999999999999}", "03/14/2025"},
                      // Digits of another script are matched but do not read as a number.
                      DateCase{"{date:yyyy+\u0661}", "2025"},
                      // "Date" is not built in.
                      DateCase{"{Date}", "{Date}"}, DateCase{"{ date }", "03/14/2025"}));

TEST_F(Expansion, DayOffsetsKeepTheWallClockAcrossDaylightSaving) {
    useZone("America/New_York");
    // Noon on the day before the spring change; the next day is only 23 hours away.
    LabelContext c = context();
    c.date = QDateTime(QDate(2025, 3, 8), QTime(17, 0), Qt::UTC);
    EXPECT_EQ(resolve(QStringLiteral("{date:yyyy-MM-dd HH:mm}"), c),
              QStringLiteral("2025-03-08 12:00"));
    EXPECT_EQ(resolve(QStringLiteral("{date:yyyy-MM-dd HH:mm+1}"), c),
              QStringLiteral("2025-03-09 12:00"));
    EXPECT_EQ(resolve(QStringLiteral("{date:yyyy-MM-dd HH:mm-1}"), c),
              QStringLiteral("2025-03-07 12:00"));
}

TEST(Tokens, InOrderWithDuplicatesAndDatesNormalised) {
    EXPECT_EQ(
        Placeholders::tokens(QStringLiteral("{sku} { Name }{date+3}{serial}{Name}{date:yy}{}")),
        QStringList({QStringLiteral("sku"), QStringLiteral("Name"), QStringLiteral("date"),
                     QStringLiteral("serial"), QStringLiteral("Name"), QStringLiteral("date")}));
    EXPECT_TRUE(Placeholders::tokens(QStringLiteral("no {\n} tokens {}")).isEmpty());
}

LabelDocument documentWith(const QStringList& contents) {
    LabelDocument doc;
    for (const QString& content : contents) {
        LabelElement e(ElementKind::text);
        e.content = content;
        doc.elements.append(e);
    }
    return doc;
}

TEST(DocumentPlaceholders, CollectsTokensOfEveryElement) {
    LabelDocument doc = documentWith({QStringLiteral("{sku} {Name}"), QStringLiteral("{date+3}"),
                                      QStringLiteral("{serial} {Name}")});
    EXPECT_EQ(Placeholders::placeholders(doc),
              QSet<QString>({QStringLiteral("sku"), QStringLiteral("Name"), QStringLiteral("date"),
                             QStringLiteral("serial")}));
    EXPECT_TRUE(Placeholders::usesSerial(doc));
    EXPECT_EQ(Placeholders::fieldNames(doc),
              QStringList({QStringLiteral("Name"), QStringLiteral("sku")}));

    LabelElement line(ElementKind::line);
    line.content = QStringLiteral("{Batch}");
    doc = documentWith({QStringLiteral("plain")});
    doc.elements.append(line);
    EXPECT_FALSE(Placeholders::usesSerial(doc));
    EXPECT_EQ(Placeholders::fieldNames(doc), QStringList({QStringLiteral("Batch")}));
}

TEST(DocumentPlaceholders, FieldNamesSortByCodePoint) {
    // U+FF21 (fullwidth A) sorts before U+1F600 by code point, though not by UTF-16 unit.
    const LabelDocument doc = documentWith({QStringLiteral("{b} {B} {\U0001F600} {\uFF21} {a}")});
    EXPECT_EQ(Placeholders::fieldNames(doc),
              QStringList({QStringLiteral("B"), QStringLiteral("a"), QStringLiteral("b"),
                           QStringLiteral("\uFF21"), QStringLiteral("\U0001F600")}));
}

TEST(LabelContextPreview, IsSharedAndKeepsItsFirstMoment) {
    const LabelContext& a = LabelContext::preview();
    EXPECT_EQ(a.serial, 1);
    EXPECT_EQ(&a, &LabelContext::preview());
    EXPECT_EQ(a.date, LabelContext::preview().date);
}

} // namespace
