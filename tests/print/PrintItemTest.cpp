

// What the batch rules do not already show of print items: the edges of serial runs and rows,
// and copies left to the printer.
#include "LabelKit/print/PrintItem.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

LabelDocument serialDesign() {
    LabelElement text(ElementKind::text);
    text.content = u"{Name} #{serial}"_s;
    return LabelDocument(u"Numbered"_s, 40, 30, {text});
}

TEST(PrintItemSerialRun, CarriesCopiesAndFieldsAndStopsWhereSerialsRunOut) {
    const MergeFields fields{{u"Name"_s, u"Widget"_s}};
    const QList<PrintItem> items = PrintItem::serialRun(serialDesign(), 7, 3, 4, 2, fields);
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[2].context.serial, 9);
    EXPECT_EQ(items[2].context.fields, fields);
    EXPECT_EQ(items[2].copies, 2);
    EXPECT_LE(std::abs(items[2].context.date.secsTo(QDateTime::currentDateTimeUtc())), 60);

    for (const qint64 count : {qint64(0), qint64(-2), std::numeric_limits<qint64>::min()}) {
        EXPECT_TRUE(PrintItem::serialRun(serialDesign(), 1, count, 0, 1, {}).isEmpty()) << count;
    }
    const qint64 max = std::numeric_limits<qint64>::max();
    const QList<PrintItem> last = PrintItem::serialRun(serialDesign(), max - 1, 5, 0, 1, {});
    ASSERT_EQ(last.size(), 2);
    EXPECT_EQ(last[1].context.serial, max);
}

TEST(PrintItemRows, RepeatsRowsColumnsOverrideExtraFieldsAndMissingCellsAreEmpty) {
    const DataTable sizes{{u"Name"_s, u"Size"_s, u"Notes"_s},
                          {{u"Shirt"_s, u"M"_s, u"cotton"_s}, {u"Cap"_s}}};
    const MergeFields extra{{u"Size"_s, u"L"_s}, {u"Shop"_s, u"North"_s}};
    LabelDocument design = serialDesign();
    design.elements.first().content += u" {size}"_s; // found whatever its letter case
    const QList<PrintItem> items = PrintItem::rows(design, sizes, {0, 1, 0, 7, -1}, 3, extra);
    ASSERT_EQ(items.size(), 5);
    // Columns the design does not name stay out of the items.
    EXPECT_EQ(items[0].context.fields,
              (MergeFields{{u"Name"_s, u"Shirt"_s}, {u"Size"_s, u"M"_s}, {u"Shop"_s, u"North"_s}}));
    EXPECT_EQ(items[2].context.fields, items[0].context.fields);
    // A short row still supplies its missing cell, as empty text.
    EXPECT_EQ(items[1].context.fields.value(u"Size"_s, u"absent"_s), QString());
    // Rows outside the table give no table fields: only the extra ones.
    EXPECT_EQ(items[3].context.fields, extra);
    EXPECT_EQ(items[4].context.fields, extra);
    EXPECT_EQ(items[4].copies, 3);
    EXPECT_FALSE(items[4].context.serial);
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
