#include "LabelKit/print/PrintItem.h"

#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

LabelDocument serialDesign() {
    LabelElement text(ElementKind::text);
    text.content = QStringLiteral("{Name} #{serial}");
    return LabelDocument(QStringLiteral("Numbered"), 40, 30, {text});
}

DataTable sizes() {
    return DataTable{{QStringLiteral("Name"), QStringLiteral("Size")},
                     {{QStringLiteral("Shirt"), QStringLiteral("M")},
                      {QStringLiteral("Cap")},
                      {QStringLiteral("Sock"), QStringLiteral("S")}}};
}

bool recent(const QDateTime& t) {
    return t.isValid() && std::abs(t.secsTo(QDateTime::currentDateTimeUtc())) < 60;
}

TEST(PrintItemSerialRun, NumbersItemsUpFromTheStartWithTheSameCopiesAndFields) {
    const LabelDocument doc = serialDesign();
    const MergeFields fields{{QStringLiteral("Name"), QStringLiteral("Widget")}};
    const QList<PrintItem> items = PrintItem::serialRun(doc, 7, 3, 4, 2, fields);
    ASSERT_EQ(items.size(), 3);
    for (qsizetype i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].context.serial, 7 + i);
        EXPECT_EQ(items[i].context.serialDigits, 4);
        EXPECT_EQ(items[i].context.fields, fields);
        EXPECT_EQ(items[i].copies, 2);
        EXPECT_EQ(items[i].document, doc);
        EXPECT_TRUE(recent(items[i].context.date));
        if (i > 0) {
            EXPECT_GE(items[i].context.date, items[i - 1].context.date);
        }
    }
}

TEST(PrintItemSerialRun, ACountBelowOneGivesNothing) {
    for (const qint64 count : {qint64(0), qint64(-2), std::numeric_limits<qint64>::min()}) {
        EXPECT_TRUE(PrintItem::serialRun(serialDesign(), 1, count, 0, 1, {}).isEmpty()) << count;
    }
}

TEST(PrintItemSerialRun, StopsWhereSerialNumbersRunOut) {
    const qint64 max = std::numeric_limits<qint64>::max();
    const QList<PrintItem> items = PrintItem::serialRun(serialDesign(), max - 1, 5, 0, 1, {});
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[1].context.serial, max);
}

TEST(PrintItemRows, OneItemPerRowInTheOrderGivenRepeatsIncluded) {
    const QList<PrintItem> items = PrintItem::rows(serialDesign(), sizes(), {2, 0, 2}, 3, {});
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0].context.fields.value(QStringLiteral("Name")), QStringLiteral("Sock"));
    EXPECT_EQ(items[1].context.fields.value(QStringLiteral("Name")), QStringLiteral("Shirt"));
    EXPECT_EQ(items[0].context.fields, items[2].context.fields);
    for (const PrintItem& item : items) {
        EXPECT_FALSE(item.context.serial);
        EXPECT_EQ(item.context.serialDigits, 0);
        EXPECT_EQ(item.copies, 3);
        EXPECT_TRUE(recent(item.context.date));
    }
}

TEST(PrintItemRows, ColumnsOverrideExtraFieldsAndMissingCellsAreEmpty) {
    const MergeFields extra{{QStringLiteral("Size"), QStringLiteral("L")},
                            {QStringLiteral("Shop"), QStringLiteral("North")}};
    const QList<PrintItem> items =
        PrintItem::rows(serialDesign(), sizes(), {0, 1, 7, -1}, 1, extra);
    ASSERT_EQ(items.size(), 4);
    const MergeFields shirt{{QStringLiteral("Name"), QStringLiteral("Shirt")},
                            {QStringLiteral("Size"), QStringLiteral("M")},
                            {QStringLiteral("Shop"), QStringLiteral("North")}};
    EXPECT_EQ(items[0].context.fields, shirt);
    // A short row still supplies its missing cell, as empty text.
    EXPECT_EQ(items[1].context.fields.value(QStringLiteral("Size"), QStringLiteral("absent")),
              QString());
    // Rows outside the table give no table fields: only the extra ones.
    EXPECT_EQ(items[2].context.fields, extra);
    EXPECT_EQ(items[3].context.fields, extra);
}

TEST(PrintItemRows, NoRowsGiveNoItems) {
    EXPECT_TRUE(PrintItem::rows(serialDesign(), sizes(), {}, 1, {}).isEmpty());
}

TEST(PrintItemJob, CopiesArePrintedByTheJobNotRepeated) {
    struct Case {
        qint64 copies;
        const char* ending;
    };
    for (const Case& c : {Case{1, "PRINT 1,1\r\n"}, Case{3, "PRINT 1,3\r\n"},
                          Case{0, "PRINT 1,1\r\n"}, Case{-4, "PRINT 1,1\r\n"}}) {
        const PrintItem item(serialDesign(), LabelContext::preview(), c.copies);
        EXPECT_EQ(item.copies, c.copies) << "stored as given";
        const QByteArray job = item.job();
        EXPECT_TRUE(job.endsWith(c.ending)) << c.copies << ": " << job.right(20).toStdString();
        EXPECT_EQ(job.count("PRINT "), 1);
    }
}

TEST(PrintItemJob, TheJobDrawsTheItemsOwnMergeValues) {
    const QList<PrintItem> run = PrintItem::serialRun(serialDesign(), 1, 2, 0, 1, {});
    ASSERT_EQ(run.size(), 2);
    EXPECT_NE(run[0].job(), run[1].job());
    EXPECT_EQ(run[0].job(), run[0].job());
}

} // namespace
