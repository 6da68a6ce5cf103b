#include "LabelKit/print/PrintItem.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

LabelDocument serialDesign() {
    LabelElement text(ElementKind::text);
    text.content = u"{Name} #{serial}"_s;
    return LabelDocument(u"Numbered"_s, 40, 30, {text});
}

DataTable sizes() {
    return DataTable{{u"Name"_s, u"Size"_s},
                     {{u"Shirt"_s, u"M"_s}, {u"Cap"_s}, {u"Sock"_s, u"S"_s}}};
}

bool recent(const QDateTime& t) {
    return t.isValid() && std::abs(t.secsTo(QDateTime::currentDateTimeUtc())) < 60;
}

TEST(PrintItemSerialRun, NumbersItemsUpFromTheStartWithTheSameCopiesAndFields) {
    const LabelDocument doc = serialDesign();
    const MergeFields fields{{u"Name"_s, u"Widget"_s}};
    const QList<PrintItem> items = PrintItem::serialRun(doc, 7, 3, 4, 2, fields);
    ASSERT_EQ(items.size(), 3);
    for (qsizetype i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].context.serial, 7 + i);
        EXPECT_EQ(items[i].context.serialDigits, 4);
        EXPECT_EQ(items[i].context.fields, fields);
        EXPECT_EQ(items[i].copies, 2);
        EXPECT_EQ(items[i].document, doc);
        EXPECT_TRUE(recent(items[i].context.date));
    }
}

TEST(PrintItemSerialRun, ACountBelowOneGivesNothingAndTheRunStopsWhereSerialsRunOut) {
    for (const qint64 count : {qint64(0), qint64(-2), std::numeric_limits<qint64>::min()}) {
        EXPECT_TRUE(PrintItem::serialRun(serialDesign(), 1, count, 0, 1, {}).isEmpty()) << count;
    }
    const qint64 max = std::numeric_limits<qint64>::max();
    const QList<PrintItem> items = PrintItem::serialRun(serialDesign(), max - 1, 5, 0, 1, {});
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[1].context.serial, max);
}

TEST(PrintItemRows, OneItemPerRowInTheOrderGivenRepeatsIncluded) {
    const QList<PrintItem> items = PrintItem::rows(serialDesign(), sizes(), {2, 0, 2}, 3, {});
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0].context.fields.value(u"Name"_s), u"Sock"_s);
    EXPECT_EQ(items[1].context.fields.value(u"Name"_s), u"Shirt"_s);
    EXPECT_EQ(items[0].context.fields, items[2].context.fields);
    for (const PrintItem& item : items) {
        EXPECT_FALSE(item.context.serial);
        EXPECT_EQ(item.copies, 3);
        EXPECT_TRUE(recent(item.context.date));
    }
    EXPECT_TRUE(PrintItem::rows(serialDesign(), sizes(), {}, 1, {}).isEmpty());
}

TEST(PrintItemRows, ColumnsOverrideExtraFieldsAndMissingCellsAreEmpty) {
    const MergeFields extra{{u"Size"_s, u"L"_s}, {u"Shop"_s, u"North"_s}};
    const QList<PrintItem> items =
        PrintItem::rows(serialDesign(), sizes(), {0, 1, 7, -1}, 1, extra);
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0].context.fields,
              (MergeFields{{u"Name"_s, u"Shirt"_s}, {u"Size"_s, u"M"_s}, {u"Shop"_s, u"North"_s}}));
    // A short row still supplies its missing cell, as empty text.
    EXPECT_EQ(items[1].context.fields.value(u"Size"_s, u"absent"_s), QString());
    // Rows outside the table give no table fields: only the extra ones.
    EXPECT_EQ(items[2].context.fields, extra);
    EXPECT_EQ(items[3].context.fields, extra);
}

TEST(PrintItemJob, CopiesArePrintedByTheJobNotRepeated) {
    for (const auto& [copies, ending] : {std::pair<qint64, const char*>{1, "PRINT 1,1\r\n"},
                                         {3, "PRINT 1,3\r\n"},
                                         {0, "PRINT 1,1\r\n"},
                                         {-4, "PRINT 1,1\r\n"}}) {
        const PrintItem item(serialDesign(), LabelContext::preview(), copies);
        EXPECT_EQ(item.copies, copies) << "stored as given";
        const QByteArray job = item.job();
        EXPECT_TRUE(job.endsWith(ending)) << copies << ": " << job.right(20).toStdString();
        EXPECT_EQ(job.count("PRINT "), 1);
    }
    // Each item draws its own merge values.
    const QList<PrintItem> run = PrintItem::serialRun(serialDesign(), 1, 2, 0, 1, {});
    EXPECT_NE(run[0].job(), run[1].job());
}

} // namespace
