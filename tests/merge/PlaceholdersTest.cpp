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
    for (const QStringList& c : testsupport::dataTable(u"placeholder-fields.txt"_s)) {
        MergeFields fields;
        for (const QString& entry : c[4].split(u';', Qt::SkipEmptyParts)) {
            fields.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        }
        const auto serial = c[2] == u"-"_s ? std::nullopt : std::optional(c[2].toLongLong());
        EXPECT_EQ(resolve(c[0], context(serial, c[3].toLongLong(), fields)), c[1])
            << c[0].toStdString();
    }
}

TEST_F(Expansion, DateTokensFormatAndOffset) {
    for (const QStringList& c : testsupport::dataTable(u"placeholder-dates.txt"_s)) {
        EXPECT_EQ(resolve(c[0]), c[1]) << c[0].toStdString();
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
