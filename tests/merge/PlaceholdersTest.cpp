#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/platform/Clock.h"

#include "tests/support/TestSupport.h"

#include <unicode/timezone.h>

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace vantrel;

using namespace Qt::StringLiterals;

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

// Serials are padded to their digits; fields match exactly, then ignoring case; values go in
// literally; tokens are trimmed of blanks only; a line feed interrupts a placeholder.
TEST_F(Expansion, FillsSerialsAndFields) {
    const LabelContext fields =
        context(std::nullopt, 0,
                {{u"Name"_s, u"Widget"_s}, {u"serial"_s, u"S-1"_s}, {u"Empty"_s, QString()}});
    const LabelContext both =
        context(std::nullopt, 0, {{u"name"_s, u"lower"_s}, {u"Name"_s, u"upper"_s}});
    const LabelContext literal = context(3, 0, {{u"A"_s, u"{serial}"_s}, {u"B"_s, u"{date}"_s}});
    const struct {
        QString text;
        LabelContext context;
        QString expected;
    } cases[] = {
        {QString(), context(), QString()},
        {u"{} a { b }{"_s, context(), u"{} a { b }{"_s},
        {u"{ serial }"_s, context(7, 3), u"007"_s},
        {u"{serial}"_s, context(1234, 3), u"1234"_s},
        {u"{serial}"_s, context(0, 2), u"00"_s},
        {u"SKU-{serial}"_s, context(std::nullopt, 4), u"SKU-{serial}"_s},
        {u"{name} {NAME} {Name}"_s, fields, u"Widget Widget Widget"_s},
        {u"{Price}[{Empty}]"_s, fields, u"{Price}[]"_s},
        // {Serial} is a field token, reaching the column "serial" through the case step; the
        // built-in {serial} without a serial stays as written.
        {u"{Serial}{serial}"_s, fields, u"S-1{serial}"_s},
        {u"{Name}|{name}"_s, both, u"upper|lower"_s},
        {u"{A}{B}"_s, literal, u"{serial}{date}"_s},
        {u"{\tserial\u00A0}{\u3000serial }"_s, context(5), u"55"_s},
        {u"{serial\r}"_s, context(5), u"{serial\r}"_s},
        {u"{ser\nial}{a\n{serial}"_s, context(5), u"{ser\nial}{a\n5"_s},
        {u"{{date}}"_s, context(), u"{03/14/2025}"_s},
        {u"{x{serial}}"_s, context(9), u"{x9}"_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(resolve(c.text, c.context), c.expected) << c.text.toStdString();
    }
}

// Dates in en_US_POSIX names and local time (Berlin here), with day offsets.
TEST_F(Expansion, DateTokensFormatAndOffset) {
    const std::pair<const char*, const char*> cases[] = {
        {"{date}", "03/14/2025"},
        {"{date+30}", "04/13/2025"},
        {"{date-1}", "03/13/2025"},
        {"{date:yyyy-MM-dd}", "2025-03-14"},
        {"{date:yyyy-MM-dd+1}", "2025-03-15"},
        {"{date:yyyy-MM-dd-14}", "2025-02-28"},
        {"{date:}", "03/14/2025"},
        {"{date:+2}", "03/16/2025"},
        {"{date+x}", "03/14/2025"},
        {"{date-}", "03/14/2025"},
        {"{date+0030}", "04/13/2025"},
        // The whole tail after "+" is the offset, which does not read.
        {"{date+5:yyyy}", "03/14/2025"},
        // Local time in Berlin, en_US_POSIX names.
        {"{date:MMM d, yyyy h:mm a}", "Mar 14, 2025 10:26 AM"},
        {"{date:EEEE HH:mm:ss}", "Friday 10:26:53"},
        // Year, not week-year.
        {"{date:yyyy}", "2025"},
        // An offset beyond the calendar keeps the reference date.
        {"{date+99999999999}", "03/14/2025"},
        {"{date+99999999999999999999}", "03/14/2025"},
        // Digits of another script are matched but do not read as a number.
        {"{date:yyyy+\u0661}", "2025"},
        // "Date" is not built in.
        {"{Date}", "{Date}"},
        {"{ date }", "03/14/2025"}};
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(resolve(QString::fromUtf8(text)), QString::fromUtf8(expected)) << text;
    }
}

TEST_F(Expansion, DayOffsetsKeepTheWallClockAcrossDaylightSaving) {
    useZone("America/New_York");
    // Noon on the day before the spring change; the next day is only 23 hours away.
    LabelContext c = context();
    c.date = QDateTime(QDate(2025, 3, 8), QTime(17, 0), Qt::UTC);
    EXPECT_EQ(resolve(u"{date:yyyy-MM-dd HH:mm}"_s, c), u"2025-03-08 12:00"_s);
    EXPECT_EQ(resolve(u"{date:yyyy-MM-dd HH:mm+1}"_s, c), u"2025-03-09 12:00"_s);
    EXPECT_EQ(resolve(u"{date:yyyy-MM-dd HH:mm-1}"_s, c), u"2025-03-07 12:00"_s);
}

TEST(Tokens, InOrderWithDuplicatesAndDatesNormalised) {
    EXPECT_EQ(Placeholders::tokens(u"{sku} { Name }{date+3}{serial}{Name}{date:yy}{}"_s),
              QStringList({u"sku"_s, u"Name"_s, u"date"_s, u"serial"_s, u"Name"_s, u"date"_s}));
    EXPECT_TRUE(Placeholders::tokens(u"no {\n} tokens {}"_s).isEmpty());
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
    LabelDocument doc = documentWith({u"{sku} {Name}"_s, u"{date+3}"_s, u"{serial} {Name}"_s});
    EXPECT_EQ(Placeholders::placeholders(doc),
              QSet<QString>({u"sku"_s, u"Name"_s, u"date"_s, u"serial"_s}));
    EXPECT_TRUE(Placeholders::usesSerial(doc));
    // Field names sort by code point: U+FF21 (fullwidth A) before U+1F600, though not by UTF-16
    // unit.
    doc.elements.append(documentWith({u"{b} {B} {\U0001F600} {\uFF21} {a}"_s}).elements);
    EXPECT_EQ(Placeholders::fieldNames(doc), QStringList({u"B"_s, u"Name"_s, u"a"_s, u"b"_s,
                                                          u"sku"_s, u"\uFF21"_s, u"\U0001F600"_s}));

    LabelElement line(ElementKind::line);
    line.content = u"{Batch}"_s;
    doc = documentWith({u"plain"_s});
    doc.elements.append(line);
    EXPECT_FALSE(Placeholders::usesSerial(doc));
    EXPECT_EQ(Placeholders::fieldNames(doc), QStringList({u"Batch"_s}));
}

using LabelContextPreview = ZoneFixture;

// An application left open overnight previews the new day's {date}.
TEST_F(LabelContextPreview, FollowsTheWallClockAcrossMidnight) {
    useZone("UTC");
    Clock::setWallTime(QDateTime(QDate(2026, 3, 14), QTime(23, 59, 59, 500), Qt::UTC));
    const LabelContext before = LabelContext::preview();
    EXPECT_EQ(before.serial, 1);
    EXPECT_EQ(Placeholders::resolve(u"{date:yyyy-MM-dd}"_s, before), u"2026-03-14"_s);
    QTest::qWait(600);
    EXPECT_EQ(Placeholders::resolve(u"{date:yyyy-MM-dd}"_s, LabelContext::preview()),
              u"2026-03-15"_s);
    Clock::setWallTime({});
}

} // namespace
