#include "LabelKit/edit/PrintPanelModel.h"

#include "LabelKit/print/PrintBatch.h"
#include "tests/printer/ManagerFixture.h"

#include <gtest/gtest.h>

namespace {

LabelDocument design(const QStringList& contents, std::optional<QString> dataName = {}) {
    LabelDocument document(QStringLiteral("Tag"));
    for (const QString& content : contents) {
        LabelElement element;
        element.content = content;
        document.elements.append(element);
    }
    document.dataName = std::move(dataName);
    return document;
}

DataTable listOf(qsizetype rows) {
    DataTable table;
    table.columns = {QStringLiteral("Name"), QStringLiteral("Size")};
    for (qsizetype i = 0; i < rows; ++i) {
        table.rows.append({QStringLiteral("Item %1").arg(i + 1), QStringLiteral("M")});
    }
    return table;
}

using RowMode = PrintBatch::RowMode;

class PrintPanelModelTest : public ManagerFixture {
protected:
    std::unique_ptr<PrintPanelModel> panel(const LabelDocument& document,
                                           std::optional<DataTable> table = {},
                                           QSet<qsizetype> ticked = {}, qint64 copies = 1) {
        return std::make_unique<PrintPanelModel>(*manager, document, std::move(table),
                                                 std::move(ticked), copies, MergeFields());
    }
};

} // namespace

// The list section's texts and the button's title follow the rows chosen and the copies.
TEST_F(PrintPanelModelTest, ListFooterAndButtonTitle) {
    struct Case {
        qsizetype rows;
        RowMode mode;
        qint64 from, to, copies;
        const char* footer;
        const char* title;
    };
    const Case cases[] = {
        {10, RowMode::range, 7, 3, 2, "5 rows × 2 copies = 10 labels.", "Print 10 labels"},
        {3, RowMode::all, 1, 3, 2, "3 rows × 2 copies = 6 labels.", "Print 6 labels"},
        {1, RowMode::all, 1, 1, 1, "1 row × 1 copy = 1 labels.", "Print"},
        {4, RowMode::none, 1, 4, 3, "", "Print 3 labels"},
        {0, RowMode::all, 1, 1, 1, "", "Print"},
    };
    for (const Case& c : cases) {
        const auto model =
            panel(design({QStringLiteral("{Name}")}, QStringLiteral("items.csv")), listOf(c.rows));
        model->setRowMode(c.mode);
        model->setRangeFrom(c.from);
        model->setRangeTo(c.to);
        model->setCopies(c.copies);
        EXPECT_EQ(model->rowsFooter(), QString::fromUtf8(c.footer)) << c.rows;
        EXPECT_EQ(model->printTitle(), QString::fromUtf8(c.title)) << c.rows;
        EXPECT_EQ(model->labelCount(), PrintBatch::labelCount(model->items())) << c.rows;
        EXPECT_EQ(model->showsList(), c.rows > 0);
    }
    const auto model = panel(design({}));
    for (const auto& [typed, kept] : {std::pair<qint64, qint64>{0, 1}, {100000, 200}}) {
        model->setCopies(typed);
        EXPECT_EQ(model->copies(), kept) << typed;
    }
}

TEST_F(PrintPanelModelTest, SerialSectionAndFooter) {
    const LabelDocument numbered = design({QStringLiteral("SKU {serial}")});
    const auto run = panel(numbered);
    run->setSerialStart(41);
    run->setSerialCount(10);
    run->setSerialDigits(4);
    EXPECT_TRUE(run->showsSerialCount());
    EXPECT_EQ(run->serialFooter(),
              QStringLiteral("Prints 0041 to 0050. The next print continues from 51."));
    EXPECT_EQ(run->printTitle(), QStringLiteral("Print 10 labels"));

    // With list rows, serials count rows and the run length is not asked for.
    const auto rows =
        panel(design({QStringLiteral("{serial} {Name}")}, QStringLiteral("a.csv")), listOf(3));
    rows->setSerialDigits(0);
    EXPECT_FALSE(rows->showsSerialCount());
    EXPECT_EQ(rows->serialFooter(),
              QStringLiteral("Prints 1 to 3. The next print continues from 4."));

    EXPECT_FALSE(panel(design({QStringLiteral("plain")}))->showsSerial());
}

// Ticked rows start the choice at "Selected", offered only with ticks. Fields a printed list
// supplies are not asked for; without the list they are.
TEST_F(PrintPanelModelTest, RowChoicesAndTheFieldsLeftToAsk) {
    const LabelDocument document =
        design({QStringLiteral("{Size} {Name} {Colour} {date}")}, QStringLiteral("a.csv"));
    const auto ticked = panel(document, listOf(10), {4, 1});
    EXPECT_EQ(ticked->rowMode(), RowMode::selected);
    EXPECT_EQ(ticked->rowModeTitle(RowMode::selected), QStringLiteral("Selected 2"));

    const auto model = panel(document, listOf(2));
    EXPECT_EQ(model->rowMode(), RowMode::all);
    EXPECT_FALSE(model->rowModes().contains(RowMode::selected));
    model->setRowMode(RowMode::selected);
    EXPECT_EQ(model->rowMode(), RowMode::all);
    EXPECT_EQ(model->neededFields(), QStringList({QStringLiteral("Colour")}));
    model->setRowMode(RowMode::none);
    EXPECT_EQ(model->neededFields(), QStringList({QStringLiteral("Colour"), QStringLiteral("Name"),
                                                  QStringLiteral("Size")}));
    model->setField(QStringLiteral("Colour"), QStringLiteral("red"));
    EXPECT_EQ(model->items().first().context.fields.value(QStringLiteral("Colour")),
              QStringLiteral("red"));
}

// (A print that succeeds is driven through the print sheet in the application's tests.) A failed
// print keeps every setting and may be pressed again. An unchanged start continues from the
// counter as it stands when printing, so numbers printed elsewhere since the panel opened are
// not printed again; an interrupted print continues after the last label that went out.
TEST_F(PrintPanelModelTest, AFailedPrintKeepsItsSettingsAndNumberingContinuesAfterTheLastLabelOut) {
    discoverAll();
    manager->registry()->setChunkSize(1 << 20); // one write per label
    printer->setMaximumWriteLength(std::nullopt);
    VirtualPrinter::Faults faults;
    faults.dropAfter = 2;
    printer->setFaults(faults);
    const auto model = panel(design({QStringLiteral("{serial}")}), {}, {}, 3);
    model->setSerialCount(5);
    EXPECT_FALSE(model->canPrint()) << "no printer chosen";
    model->setPrinter(name());
    ASSERT_EQ(model->serialStart(), 1);
    PrintBatch::storeNextSerial(settings, model->document().id, 40);
    model->print();
    ASSERT_TRUE(
        asyncsupport::runUntil([&] { return model->status().kind == PrintStatus::Kind::failed; }));
    ASSERT_EQ(printer->pagesPrinted(), 2) << model->status().text().toStdString();
    EXPECT_EQ(model->status().text(), model->status().message);
    EXPECT_EQ(model->copies(), 3);
    EXPECT_EQ(model->serialCount(), 5);
    EXPECT_EQ(model->printer(), name());
    EXPECT_TRUE(model->canPrint()) << "Print may be pressed again";
    EXPECT_EQ(PrintBatch::storedSerialStart(settings, model->document().id), 42);
    EXPECT_EQ(panel(model->document())->serialStart(), 42);
}
