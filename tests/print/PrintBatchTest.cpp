#include "LabelKit/print/PrintBatch.h"

#include "LabelKit/platform/SettingsStore.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using PrintBatch::RowMode;
using ::testing::ElementsAre;

namespace {

DataTable tableOf(qsizetype rowCount) {
    DataTable table{{QStringLiteral("Name"), QStringLiteral("SKU")}, {}};
    for (qsizetype r = 0; r < rowCount; ++r) {
        table.rows.append({QStringLiteral("Item %1").arg(r + 1), QStringLiteral("S%1").arg(r + 1)});
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
    return LabelDocument(QStringLiteral("Design"), 40, 30, elements);
}

std::vector<qint64> serials(const QList<PrintItem>& items) {
    std::vector<qint64> list;
    for (const PrintItem& item : items) {
        list.push_back(item.context.serial.value_or(-1));
    }
    return list;
}

// Rows to print.

struct RowsCase {
    const char* name;
    std::optional<qsizetype> rowCount; // nothing: no table
    RowMode mode;
    qint64 from;
    qint64 to;
    QSet<qsizetype> ticked;
    std::optional<QList<qsizetype>> expected;
};

class RowsToPrint : public ::testing::TestWithParam<RowsCase> {};

TEST_P(RowsToPrint, FollowsTheRowMode) {
    const RowsCase& c = GetParam();
    std::optional<DataTable> table;
    if (c.rowCount) {
        table = tableOf(*c.rowCount);
    }
    EXPECT_EQ(PrintBatch::rowsToPrint(table, c.mode, c.from, c.to, c.ticked), c.expected);
}

const QList<qsizetype> noRows;

INSTANTIATE_TEST_SUITE_P(
    Modes, RowsToPrint,
    ::testing::Values(
        RowsCase{"AllRows", 4, RowMode::all, 1, 4, {}, QList<qsizetype>{0, 1, 2, 3}},
        RowsCase{"Range", 10, RowMode::range, 3, 7, {}, QList<qsizetype>{2, 3, 4, 5, 6}},
        RowsCase{"ReversedRange", 10, RowMode::range, 7, 3, {}, QList<qsizetype>{2, 3, 4, 5, 6}},
        RowsCase{"OneRowRange", 10, RowMode::range, 4, 4, {}, QList<qsizetype>{3}},
        RowsCase{"RangeClampedBelow", 10, RowMode::range, -5, 2, {}, QList<qsizetype>{0, 1}},
        RowsCase{"RangeClampedAbove", 10, RowMode::range, 9, 40, {}, QList<qsizetype>{8, 9}},
        RowsCase{"RangeBeyondTheList", 10, RowMode::range, 12, 15, {}, noRows},
        RowsCase{"TickedInAscendingOrder",
                 10,
                 RowMode::selected,
                 1,
                 1,
                 {5, 1, 3},
                 QList<qsizetype>{1, 3, 5}},
        RowsCase{"TicksOutsideTheListLeftOut",
                 3,
                 RowMode::selected,
                 1,
                 1,
                 {-1, 2, 3, 9},
                 QList<qsizetype>{2}},
        RowsCase{"NothingTicked", 3, RowMode::selected, 1, 1, {}, noRows},
        RowsCase{"DontUseList", 10, RowMode::none, 1, 10, {}, std::nullopt},
        RowsCase{"NoTableAll", std::nullopt, RowMode::all, 1, 1, {}, std::nullopt},
        RowsCase{"NoTableRange", std::nullopt, RowMode::range, 1, 3, {}, std::nullopt},
        RowsCase{"NoTableTicked", std::nullopt, RowMode::selected, 1, 1, {0}, std::nullopt},
        RowsCase{"TableWithoutRowsAll", 0, RowMode::all, 1, 1, {}, std::nullopt},
        RowsCase{"TableWithoutRowsRange", 0, RowMode::range, 1, 1, {}, std::nullopt}),
    [](const ::testing::TestParamInfo<RowsCase>& p) { return p.param.name; });

TEST(PrintBatchRowMode, StartsFromTheListAndTheTickedRows) {
    EXPECT_EQ(PrintBatch::initialRowMode(std::nullopt, {1}), RowMode::none);
    EXPECT_EQ(PrintBatch::initialRowMode(tableOf(0), {1}), RowMode::none);
    EXPECT_EQ(PrintBatch::initialRowMode(tableOf(3), {}), RowMode::all);
    EXPECT_EQ(PrintBatch::initialRowMode(tableOf(3), {1}), RowMode::selected);
}

// Needed fields.

TEST(PrintBatchNeededFields, AreTheDesignsFieldsLessTheColumnsOfPrintedRows) {
    const LabelDocument doc = designWith(
        {QStringLiteral("{sku} {Name}"), QStringLiteral("{date+3} {serial} {Name} {Price}")});
    const DataTable table = tableOf(2); // columns Name, SKU
    EXPECT_EQ(
        PrintBatch::neededFields(doc, std::nullopt, std::nullopt),
        (QStringList{QStringLiteral("Name"), QStringLiteral("Price"), QStringLiteral("sku")}));
    // A list that is not used supplies nothing.
    EXPECT_EQ(
        PrintBatch::neededFields(doc, table, std::nullopt),
        (QStringList{QStringLiteral("Name"), QStringLiteral("Price"), QStringLiteral("sku")}));
    // Printed rows supply their columns, matched exactly: the column SKU is not the field sku.
    EXPECT_EQ(PrintBatch::neededFields(doc, table, QList<qsizetype>{0}),
              (QStringList{QStringLiteral("Price"), QStringLiteral("sku")}));
}

// The batch rule.

TEST(PrintBatchBuild, WithRowsSerialsCountRowsNotCopies) {
    const LabelDocument doc = designWith({QStringLiteral("{Name} {serial}")});
    PrintBatch::Settings settings;
    settings.copies = 2;
    settings.serialStart = 100;
    settings.serialCount = 50; // not used with rows
    settings.serialDigits = 5;
    const QList<PrintItem> items =
        PrintBatch::build(doc, tableOf(3), QList<qsizetype>{0, 1, 2}, settings);
    EXPECT_THAT(serials(items), ElementsAre(100, 101, 102));
    for (const PrintItem& item : items) {
        EXPECT_EQ(item.copies, 2);
        EXPECT_EQ(item.context.serialDigits, 5);
    }
    EXPECT_EQ(items[1].context.fields.value(QStringLiteral("Name")), QStringLiteral("Item 2"));
    EXPECT_EQ(PrintBatch::labelCount(items), 6);
    EXPECT_EQ(PrintBatch::serialsUsed(QList<qsizetype>{0, 1, 2}, settings.serialCount), 3);
}

TEST(PrintBatchBuild, RowsWithoutSerialCarryNoSerial) {
    const LabelDocument doc = designWith({QStringLiteral("{Name}")});
    PrintBatch::Settings settings;
    settings.serialStart = 100;
    settings.fields = {{QStringLiteral("Shop"), QStringLiteral("North")}};
    const QList<PrintItem> items =
        PrintBatch::build(doc, tableOf(5), QList<qsizetype>{4, 2}, settings);
    ASSERT_EQ(items.size(), 2);
    EXPECT_THAT(serials(items), ElementsAre(-1, -1));
    EXPECT_EQ(items[0].context.serialDigits, 0);
    EXPECT_EQ(items[0].context.fields.value(QStringLiteral("Name")), QStringLiteral("Item 5"));
    EXPECT_EQ(items[0].context.fields.value(QStringLiteral("Shop")), QStringLiteral("North"));
}

TEST(PrintBatchBuild, AnEmptyRowListPrintsNothing) {
    const LabelDocument doc = designWith({QStringLiteral("{serial}")});
    EXPECT_TRUE(PrintBatch::build(doc, tableOf(10), QList<qsizetype>{}, {}).isEmpty());
    EXPECT_EQ(PrintBatch::labelCount({}), 0);
}

TEST(PrintBatchBuild, WithoutRowsADesignWithoutSerialIsOneItem) {
    const LabelDocument doc = designWith({QStringLiteral("Plain {Name}")});
    PrintBatch::Settings settings;
    settings.copies = 7;
    settings.serialCount = 20;
    settings.fields = {{QStringLiteral("Name"), QStringLiteral("Widget")}};
    // An attached list that is not used changes nothing.
    for (const std::optional<DataTable>& table :
         {std::optional<DataTable>(), std::optional(tableOf(3))}) {
        const QList<PrintItem> items = PrintBatch::build(doc, table, std::nullopt, settings);
        ASSERT_EQ(items.size(), 1);
        EXPECT_FALSE(items[0].context.serial);
        EXPECT_EQ(items[0].context.serialDigits, 0);
        EXPECT_EQ(items[0].context.fields, settings.fields);
        EXPECT_EQ(items[0].copies, 7);
        EXPECT_EQ(PrintBatch::labelCount(items), 7);
    }
}

TEST(PrintBatchBuild, WithoutRowsADesignWithSerialIsARun) {
    const LabelDocument doc = designWith({QStringLiteral("SKU-{ serial }")});
    PrintBatch::Settings settings;
    settings.serialStart = 41;
    settings.serialCount = 10;
    settings.serialDigits = 4;
    settings.copies = 1;
    const QList<PrintItem> items = PrintBatch::build(doc, std::nullopt, std::nullopt, settings);
    EXPECT_THAT(serials(items), ElementsAre(41, 42, 43, 44, 45, 46, 47, 48, 49, 50));
    EXPECT_EQ(items.last().context.serialDigits, 4);
    EXPECT_EQ(PrintBatch::serialsUsed(std::nullopt, settings.serialCount), 10);
}

TEST(PrintBatchLabelCount, CountsWhatThePrinterProduces) {
    const LabelDocument doc = designWith({});
    const QList<PrintItem> items{PrintItem(doc, LabelContext::preview(), 3),
                                 PrintItem(doc, LabelContext::preview(), 0),
                                 PrintItem(doc, LabelContext::preview(), -2)};
    EXPECT_EQ(PrintBatch::labelCount(items), 5);
}

// The next serial in the settings.

TEST(PrintBatchNextSerial, IsKeptPerLabelAndStartsAtOneOtherwise) {
    MemorySettingsStore settings;
    const QUuid id = QUuid::fromString(QStringLiteral("{0a1b2c3d-4e5f-6789-abcd-ef0123456789}"));
    EXPECT_EQ(PrintBatch::nextSerialKey(id),
              QStringLiteral("serial.next.0A1B2C3D-4E5F-6789-ABCD-EF0123456789"));
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 1);

    PrintBatch::storeNextSerial(settings, id, 51);
    EXPECT_EQ(settings.integer(PrintBatch::nextSerialKey(id)), 51);
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 51);
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, QUuid::createUuid()), 1);

    for (const qint64 ignored : {0, -3}) {
        settings.setInteger(PrintBatch::nextSerialKey(id), ignored);
        EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 1) << ignored;
    }
    settings.setText(PrintBatch::nextSerialKey(id), QStringLiteral("51"));
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 1);
}

} // namespace
