#include "LabelKit/print/PrintBatch.h"

#include "LabelKit/platform/SettingsStore.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;
using PrintBatch::RowMode;
using ::testing::ElementsAre;

namespace {

DataTable tableOf(qsizetype rowCount) {
    DataTable table{{u"Name"_s, u"SKU"_s}, {}};
    for (qsizetype r = 1; r <= rowCount; ++r) {
        table.rows.append({u"Item %1"_s.arg(r), u"S%1"_s.arg(r)});
    }
    return table;
}

LabelDocument designWith(const QStringList& contents) {
    QList<LabelElement> elements;
    for (const QString& content : contents) {
        LabelElement e(ElementKind::text);
        e.content = content;
        elements.append(e);
    }
    return LabelDocument(u"Design"_s, 40, 30, elements);
}

std::vector<qint64> serials(const QList<PrintItem>& items) {
    std::vector<qint64> list;
    for (const PrintItem& item : items) {
        list.push_back(item.context.serial.value_or(-1));
    }
    return list;
}

// Rows to print.

using Rows = std::optional<QList<qsizetype>>;

Rows rows(std::initializer_list<qsizetype> list) {
    return QList<qsizetype>(list);
}

struct RowsCase {
    const char* name;
    std::optional<qsizetype> rowCount; // nothing: no table
    RowMode mode;
    qint64 from;
    qint64 to;
    Rows expected;
    QSet<qsizetype> ticked = {};
};

class RowsToPrint : public ::testing::TestWithParam<RowsCase> {};

TEST_P(RowsToPrint, FollowsTheRowMode) {
    const RowsCase& c = GetParam();
    const std::optional<DataTable> table =
        c.rowCount ? std::optional(tableOf(*c.rowCount)) : std::nullopt;
    EXPECT_EQ(PrintBatch::rowsToPrint(table, c.mode, c.from, c.to, c.ticked), c.expected);
}

constexpr std::nullopt_t none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Modes, RowsToPrint,
    ::testing::Values(
        RowsCase{"AllRows", 4, RowMode::all, 1, 4, rows({0, 1, 2, 3})},
        RowsCase{"Range", 10, RowMode::range, 3, 7, rows({2, 3, 4, 5, 6})},
        RowsCase{"ReversedRange", 10, RowMode::range, 7, 3, rows({2, 3, 4, 5, 6})},
        RowsCase{"RangeClampedBelow", 10, RowMode::range, -5, 2, rows({0, 1})},
        RowsCase{"RangeClampedAbove", 10, RowMode::range, 9, 40, rows({8, 9})},
        RowsCase{"RangeBeyondTheList", 10, RowMode::range, 12, 15, rows({})},
        RowsCase{
            "TicksOutsideTheListLeftOut", 3, RowMode::selected, 1, 1, rows({2}), {-1, 2, 3, 9}},
        RowsCase{"NothingTicked", 3, RowMode::selected, 1, 1, rows({})},
        RowsCase{"DontUseList", 10, RowMode::none, 1, 10, none},
        RowsCase{"NoTableAll", none, RowMode::all, 1, 1, none},
        RowsCase{"TableWithoutRowsAll", 0, RowMode::all, 1, 1, none}),
    [](const ::testing::TestParamInfo<RowsCase>& p) { return p.param.name; });

// Enough ticks that a set's own order is not ascending by chance.
TEST(RowsToPrint, TickedRowsComeInAscendingOrder) {
    QSet<qsizetype> ticked;
    QList<qsizetype> ascending;
    for (qsizetype row = 0; row < 1000; row += 7) {
        ticked.insert(row);
        ascending.append(row);
    }
    EXPECT_EQ(PrintBatch::rowsToPrint(tableOf(1000), RowMode::selected, 1, 1, ticked), ascending);
}

TEST(PrintBatchRowMode, StartsFromTheListAndTheTickedRows) {
    EXPECT_EQ(PrintBatch::initialRowMode(std::nullopt, {1}), RowMode::none);
    EXPECT_EQ(PrintBatch::initialRowMode(tableOf(0), {1}), RowMode::none);
    EXPECT_EQ(PrintBatch::initialRowMode(tableOf(3), {}), RowMode::all);
    EXPECT_EQ(PrintBatch::initialRowMode(tableOf(3), {1}), RowMode::selected);
}

TEST(PrintBatchNeededFields, AreTheDesignsFieldsLessTheColumnsOfPrintedRows) {
    const LabelDocument doc =
        designWith({u"{sku} {Name}"_s, u"{date+3} {serial} {Name} {Price}"_s});
    const QStringList all{u"Name"_s, u"Price"_s, u"sku"_s};
    EXPECT_EQ(PrintBatch::neededFields(doc, std::nullopt, std::nullopt), all);
    // A list that is not used supplies nothing.
    EXPECT_EQ(PrintBatch::neededFields(doc, tableOf(2), std::nullopt), all);
    // Printed rows supply their columns, matched exactly: the column SKU is not the field sku.
    EXPECT_EQ(PrintBatch::neededFields(doc, tableOf(2), rows({0})),
              (QStringList{u"Price"_s, u"sku"_s}));
}

// The batch rule.

TEST(PrintBatchBuild, WithRowsSerialsCountRowsNotCopies) {
    const LabelDocument doc = designWith({u"{Name} {serial}"_s});
    PrintBatch::Settings settings;
    settings.copies = 2;
    settings.serialStart = 100;
    settings.serialCount = 50; // not used with rows
    settings.serialDigits = 5;
    settings.fields = {{u"Shop"_s, u"North"_s}};
    const QList<PrintItem> items = PrintBatch::build(doc, tableOf(3), rows({0, 1, 2}), settings);
    EXPECT_THAT(serials(items), ElementsAre(100, 101, 102));
    for (const PrintItem& item : items) {
        EXPECT_EQ(item.copies, 2);
        EXPECT_EQ(item.context.serialDigits, 5);
        EXPECT_EQ(item.context.fields.value(u"Shop"_s), u"North"_s);
    }
    EXPECT_EQ(items[1].context.fields.value(u"Name"_s), u"Item 2"_s);
    EXPECT_EQ(PrintBatch::labelCount(items), 6);
    EXPECT_EQ(PrintBatch::serialsUsed(rows({0, 1, 2}), settings.serialCount), 3);

    // Without {serial} the rows carry no serial; an empty row list prints nothing.
    const QList<PrintItem> plain =
        PrintBatch::build(designWith({u"{Name}"_s}), tableOf(5), rows({4, 2}), settings);
    EXPECT_THAT(serials(plain), ElementsAre(-1, -1));
    EXPECT_EQ(plain[0].context.serialDigits, 0);
    EXPECT_EQ(plain[0].context.fields.value(u"Name"_s), u"Item 5"_s);
    EXPECT_TRUE(PrintBatch::build(doc, tableOf(10), rows({}), settings).isEmpty());
}

TEST(PrintBatchBuild, WithoutRowsADesignIsOneItemOrWithSerialARun) {
    PrintBatch::Settings settings;
    settings.copies = 7;
    settings.serialStart = 41;
    settings.serialCount = 10;
    settings.serialDigits = 4;
    settings.fields = {{u"Name"_s, u"Widget"_s}};
    // An attached list that is not used changes nothing.
    const QList<PrintItem> plain =
        PrintBatch::build(designWith({u"Plain {Name}"_s}), tableOf(3), std::nullopt, settings);
    ASSERT_EQ(plain.size(), 1);
    EXPECT_FALSE(plain[0].context.serial);
    EXPECT_EQ(plain[0].context.serialDigits, 0);
    EXPECT_EQ(plain[0].context.fields, settings.fields);

    const QList<PrintItem> items =
        PrintBatch::build(designWith({u"SKU-{ serial }"_s}), std::nullopt, std::nullopt, settings);
    EXPECT_THAT(serials(items), ElementsAre(41, 42, 43, 44, 45, 46, 47, 48, 49, 50));
    EXPECT_EQ(items.last().context.serialDigits, 4);
    EXPECT_EQ(PrintBatch::serialsUsed(std::nullopt, settings.serialCount), 10);
}

TEST(PrintBatchLabelCount, CountsWhatThePrinterProduces) {
    const LabelDocument doc = designWith({});
    const LabelContext& context = LabelContext::preview();
    EXPECT_EQ(PrintBatch::labelCount({PrintItem(doc, context, 3), PrintItem(doc, context, 0),
                                      PrintItem(doc, context, -2)}),
              5);
    EXPECT_EQ(PrintBatch::labelCount({}), 0);
}

TEST(PrintBatchNextSerial, IsKeptPerLabelAndStartsAtOneOtherwise) {
    MemorySettingsStore settings;
    const QUuid id = QUuid::fromString(u"{0a1b2c3d-4e5f-6789-abcd-ef0123456789}"_s);
    const QString key = PrintBatch::nextSerialKey(id);
    EXPECT_EQ(key, u"serial.next.0A1B2C3D-4E5F-6789-ABCD-EF0123456789"_s);
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 1);

    PrintBatch::storeNextSerial(settings, id, 51);
    EXPECT_EQ(settings.integer(key), 51);
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 51);
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, QUuid::createUuid()), 1);

    for (const qint64 ignored : {0, -3}) {
        settings.setInteger(key, ignored);
        EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 1) << ignored;
    }
    settings.setText(key, u"51"_s);
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 1);
}

} // namespace
