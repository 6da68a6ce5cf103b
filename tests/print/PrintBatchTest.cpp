#include "LabelKit/print/PrintBatch.h"

#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/print/SerialClaim.h"
#include "tests/support/TestSupport.h"

#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

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

using Rows = std::optional<QList<qsizetype>>;

TEST(PrintBatch, RowsToPrintFollowTheRowModeAndSupplyTheirColumns) {
    const std::nullopt_t none = std::nullopt;
    const struct {
        std::optional<qsizetype> rowCount; // nothing: no table
        RowMode mode;
        qint64 from;
        qint64 to;
        Rows expected;
        QSet<qsizetype> ticked = {};
    } cases[] = {
        {4, RowMode::all, 1, 4, QList<qsizetype>{0, 1, 2, 3}},
        {10, RowMode::range, 3, 7, QList<qsizetype>{2, 3, 4, 5, 6}},
        {10, RowMode::range, 7, 3, QList<qsizetype>{2, 3, 4, 5, 6}},
        {10, RowMode::range, -5, 2, QList<qsizetype>{0, 1}},
        {10, RowMode::range, 9, 40, QList<qsizetype>{8, 9}},
        {10, RowMode::range, 12, 15, QList<qsizetype>{}},
        {3, RowMode::selected, 1, 1, QList<qsizetype>{2}, {-1, 2, 3, 9}},
        {3, RowMode::selected, 1, 1, QList<qsizetype>{}},
        {10, RowMode::none, 1, 10, none},
        {none, RowMode::all, 1, 1, none},
        {0, RowMode::all, 1, 1, none},
    };
    for (const auto& c : cases) {
        const std::optional<DataTable> table =
            c.rowCount ? std::optional(tableOf(*c.rowCount)) : std::nullopt;
        EXPECT_EQ(PrintBatch::rowsToPrint(table, c.mode, c.from, c.to, c.ticked), c.expected)
            << int(c.mode) << " " << c.from << "-" << c.to;
    }
    // Enough ticks that a set's own order is not ascending by chance.
    QSet<qsizetype> ticked;
    QList<qsizetype> ascending;
    for (qsizetype row = 0; row < 1000; row += 7) {
        ticked.insert(row);
        ascending.append(row);
    }
    EXPECT_EQ(PrintBatch::rowsToPrint(tableOf(1000), RowMode::selected, 1, 1, ticked), ascending);

    EXPECT_EQ(PrintBatch::initialRowMode(std::nullopt, {1}), RowMode::none);
    EXPECT_EQ(PrintBatch::initialRowMode(tableOf(0), {1}), RowMode::none);
    EXPECT_EQ(PrintBatch::initialRowMode(tableOf(3), {}), RowMode::all);
    EXPECT_EQ(PrintBatch::initialRowMode(tableOf(3), {1}), RowMode::selected);

    // The fields asked for are the design's, less the columns of printed rows.
    const LabelDocument doc =
        designWith({u"{sku} {Name}"_s, u"{date+3} {serial} {Name} {Price}"_s});
    const QStringList all{u"Name"_s, u"Price"_s, u"sku"_s};
    EXPECT_EQ(PrintBatch::neededFields(doc, std::nullopt, std::nullopt), all);
    // A list that is not used supplies nothing.
    EXPECT_EQ(PrintBatch::neededFields(doc, tableOf(2), std::nullopt), all);
    // Printed rows supply their columns, matched exactly: the column SKU is not the field sku.
    EXPECT_EQ(PrintBatch::neededFields(doc, tableOf(2), QList<qsizetype>{0}),
              (QStringList{u"Price"_s, u"sku"_s}));
}

// With rows: an item per row, serials counting the rows, not the copies; the columns the design
// names, whatever their letter case, override the fields; missing cells are empty, and rows
// outside the table give only the fields.
TEST(PrintBatch, BuildGivesAnItemPerRowOrOneItemOrASerialRun) {
    const DataTable sizes{{u"Name"_s, u"Size"_s, u"Notes"_s},
                          {{u"Shirt"_s, u"M"_s, u"cotton"_s}, {u"Cap"_s}}};
    PrintBatch::Settings settings{2, 100, 50, 5, {{u"Size"_s, u"L"_s}, {u"Shop"_s, u"North"_s}}};
    const LabelDocument doc = designWith({u"{Name} #{serial} {size}"_s});
    const QList<qsizetype> rows{0, 1, 0, 7, -1};
    const QList<PrintItem> items = PrintBatch::build(doc, sizes, rows, settings);
    EXPECT_THAT(serials(items), ElementsAre(100, 101, 102, 103, 104));
    EXPECT_EQ(items[0].context.fields,
              (MergeFields{{u"Name"_s, u"Shirt"_s}, {u"Size"_s, u"M"_s}, {u"Shop"_s, u"North"_s}}));
    EXPECT_EQ(items[1].context.fields.value(u"Size"_s, u"absent"_s), QString());
    EXPECT_EQ(items[3].context.fields, settings.fields);
    EXPECT_EQ(items[4].context.fields, settings.fields);
    for (const PrintItem& item : items) {
        EXPECT_EQ(item.copies, 2);
        EXPECT_EQ(item.context.serialDigits, 5);
    }
    EXPECT_EQ(PrintBatch::labelCount(items), 10);
    const LabelContext& context = LabelContext::preview();
    EXPECT_EQ(PrintBatch::labelCount({PrintItem(doc, context, 0), PrintItem(doc, context, -2)}), 2)
        << "each item prints at least once";
    EXPECT_EQ(PrintBatch::serialsUsed(rows, settings.serialCount), 5);
    EXPECT_TRUE(PrintBatch::build(doc, sizes, QList<qsizetype>{}, settings).isEmpty());
    const QList<PrintItem> plain =
        PrintBatch::build(designWith({u"{Name}"_s}), sizes, QList<qsizetype>{1}, settings);
    EXPECT_THAT(serials(plain), ElementsAre(-1));
    EXPECT_EQ(plain[0].context.serialDigits, 0);

    // Without rows a design is one item, or with {serial} a run of serials that stops where the
    // serials run out and is empty for a count below 1.
    settings.serialCount = 3;
    const QList<PrintItem> one =
        PrintBatch::build(designWith({u"Plain {Name}"_s}), tableOf(3), std::nullopt, settings);
    ASSERT_THAT(serials(one), ElementsAre(-1));
    EXPECT_EQ(one[0].context.fields, settings.fields);
    const LabelDocument design = designWith({u"SKU-{ serial }"_s});
    const QList<PrintItem> run = PrintBatch::build(design, std::nullopt, std::nullopt, settings);
    EXPECT_THAT(serials(run), ElementsAre(100, 101, 102));
    EXPECT_EQ(run.last().context.serialDigits, 5);
    EXPECT_EQ(run.last().context.fields, settings.fields);
    EXPECT_EQ(run.last().copies, 2);
    EXPECT_LE(std::abs(run.last().context.date.secsTo(QDateTime::currentDateTimeUtc())), 60);
    EXPECT_EQ(PrintBatch::serialsUsed(std::nullopt, settings.serialCount), 3);

    for (const qint64 count : {qint64(0), qint64(-2), std::numeric_limits<qint64>::min()}) {
        EXPECT_TRUE(PrintItem::serialRun(design, 1, count, 0, 1, {}).isEmpty()) << count;
    }
    const qint64 max = std::numeric_limits<qint64>::max();
    EXPECT_THAT(serials(PrintItem::serialRun(design, max - 1, 5, 0, 1, {})),
                ElementsAre(max - 1, max));
}

// Serial numbers claimed for a print are never handed out twice, and after a print that stops
// early the numbering continues after the last label that went out.
TEST(SerialClaim, ClaimsFollowOneAnotherAndAnExplicitStartNeverMovesTheCounterBack) {
    MemorySettingsStore settings;
    const QUuid id = QUuid::fromString(u"{0a1b2c3d-4e5f-6789-abcd-ef0123456789}"_s);
    const QString key = PrintBatch::nextSerialKey(id);
    EXPECT_EQ(key, u"serial.next.0A1B2C3D-4E5F-6789-ABCD-EF0123456789"_s);
    // The stored next serial is kept per label and starts at one when missing or unusable.
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 1);
    settings.setInteger(key, 0);
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 1);
    settings.setText(key, u"51"_s);
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 1);
    PrintBatch::storeNextSerial(settings, id, 51);
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, id), 51);
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, QUuid::createUuid()), 1);
    const auto counter = [&] { return settings.integer(key); };
    SerialClaim first = SerialClaim::take(settings, id, std::nullopt, 3);
    EXPECT_EQ(SerialClaim::take(settings, id, std::nullopt, 2).start(), 54)
        << "claimed while the first print still runs";
    EXPECT_EQ(first.start(), 51);
    EXPECT_EQ(counter(), 56);
    EXPECT_EQ(SerialClaim::take(settings, id, 2, 2).start(), 2);
    EXPECT_EQ(counter(), 56);
    EXPECT_EQ(SerialClaim::take(settings, id, 60, 5).start(), 60);
    EXPECT_EQ(counter(), 65);
    QList<PrintItem> items(3, PrintItem(LabelDocument(), LabelContext(), 1));
    first.number(items);
    EXPECT_THAT(serials(items), ElementsAre(51, 52, 53));

    QTemporaryDir temp;
    testsupport::writeBytes(temp.filePath(u"file"_s), "x");
    FileSettingsStore unwritable(temp.filePath(u"file/settings.json"_s));
    EXPECT_THROW(SerialClaim::take(unwritable, id, std::nullopt, 1), UserError)
        << "a number that cannot be stored is not claimed";
}

TEST(SerialClaim, AnEarlyEndGivesBackTheUnsentNumbersUnlessOthersClaimedSince) {
    const struct {
        std::optional<qint64> before;
        qint64 sent;
        bool othersClaimed;
        std::optional<qint64> after;
    } cases[] = {{std::nullopt, 0, false, std::nullopt},
                 {8, 0, false, 8},
                 {8, 3, false, 11},
                 {8, 10, false, 18},
                 {8, 3, true, 21}};
    for (const auto& c : cases) {
        MemorySettingsStore settings;
        const QUuid id = QUuid::createUuid();
        if (c.before) {
            settings.setInteger(PrintBatch::nextSerialKey(id), *c.before);
        }
        SerialClaim claim = SerialClaim::take(settings, id, std::nullopt, 10);
        if (c.othersClaimed) {
            SerialClaim::take(settings, id, std::nullopt, 3);
        }
        claim.finish(c.sent);
        EXPECT_EQ(settings.integer(PrintBatch::nextSerialKey(id)), c.after) << "sent " << c.sent;
    }
}

} // namespace
