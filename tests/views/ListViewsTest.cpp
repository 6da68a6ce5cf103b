#include "tests/views/SessionFixture.h"

#include "views/DataTableView.h"
#include "views/ListPanel.h"

#include "LabelKit/edit/DataTableModel.h"
#include "LabelKit/edit/RowSearch.h"

#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QThreadPool>
#include <QToolButton>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

using ListViewsTest = viewstest::SessionFixture;

// Ticks choose rows without previewing them and the clear button drops them; only the newest
// search is announced, a click on a shown row previews it, and a view closed during a search is
// not reached by its end.
TEST_F(ListViewsTest, TicksSearchesAndPreviewsRows) {
    attach();
    auto view = std::make_unique<DataTableView>(*session);
    view->resize(600, 300);
    view->show();
    EXPECT_EQ(view->caption()->text(), u"5 rows"_s);
    EXPECT_FALSE(view->clearButton()->isVisibleTo(view.get()));
    DataTableModel* model = view->model();
    QTableView* table = view->table();
    const auto tickText = [&](int row) {
        return model->index(row, DataTableModel::tickColumn).data(Qt::AccessibleTextRole);
    };
    for (const int row : {1, 4}) {
        const QRect tick = table->visualRect(model->index(row, DataTableModel::tickColumn));
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, tick.center());
    }
    EXPECT_EQ(session->tickedRows(), QSet<qsizetype>({1, 4}));
    EXPECT_EQ(session->previewRow(), 0) << "a tick previews nothing";
    EXPECT_EQ(view->caption()->text(), u"2 selected"_s);
    EXPECT_EQ(tickText(4), u"Row 5, ticked"_s);
    ASSERT_TRUE(view->clearButton()->isVisibleTo(view.get()));
    view->clearButton()->click();
    EXPECT_TRUE(session->tickedRows().isEmpty());
    EXPECT_EQ(tickText(4), u"Row 5"_s);

    auto* header = static_cast<ColumnHeaderView*>(table->horizontalHeader());
    std::unique_ptr<QMimeData> data(header->dragData(3));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->text(), u"column:Name"_s);
    EXPECT_EQ(header->dragData(DataTableModel::numberColumn), nullptr);

    QSignalSpy found(view->rowSearch(), &RowSearch::found);
    view->searchField()->setText(u"an"_s);
    view->searchField()->setText(u"e"_s); // supersedes the older search
    ASSERT_TRUE(found.wait(5000));
    QTest::qWait(50);
    ASSERT_EQ(found.size(), 1) << "only the newest query is announced";
    EXPECT_EQ(model->shownRows(), QList<qsizetype>({0, 2, 3, 4}));
    EXPECT_EQ(model->index(1, DataTableModel::numberColumn).data().toString(), u"3"_s);
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(model->index(1, 3)).center());
    EXPECT_EQ(session->previewRow(), 2);
    EXPECT_TRUE(model->index(1, 3).data(Qt::BackgroundRole).isValid());
    view->searchField()->setText(u"Apple"_s);
    ASSERT_TRUE(found.wait(5000));
    EXPECT_EQ(model->shownRows(), QList<qsizetype>({0}));
    EXPECT_EQ(session->previewRow(), 2) << "a hidden row stays previewed";

    view->searchField()->setText(u"a"_s);
    view.reset();
    QThreadPool::globalInstance()->waitForDone();
    QTest::qWait(20); // the search's end is delivered to nobody
    EXPECT_EQ(session->previewRow(), 2);
}

// The panel: its empty state asks for a list; with one, stepping stops at both ends (the
// buttons turn off there) and the header switch reads the first line as a row.
TEST_F(ListViewsTest, PanelStepsWithinTheListAndSwitchesItsHeader) {
    ListPanel panel(*session);
    QSignalSpy imports(&panel, &ListPanel::importRequested);
    EXPECT_TRUE(panel.showsEmptyState());
    EXPECT_FALSE(panel.menuButton()->isVisibleTo(&panel));
    panel.importButton()->click();
    EXPECT_EQ(imports.size(), 1);

    attach();
    EXPECT_FALSE(panel.showsEmptyState());
    EXPECT_EQ(panel.name()->accessibleName(), u"stock.csv"_s);
    EXPECT_FALSE(panel.previous()->isEnabled());
    for (int i = 0; i < 6; ++i) {
        panel.next()->click();
    }
    EXPECT_EQ(session->previewRow(), 4);
    EXPECT_EQ(panel.rowText()->text(), u"Row 5 of 5"_s);
    EXPECT_FALSE(panel.next()->isEnabled());
    panel.previous()->click();
    EXPECT_TRUE(panel.next()->isEnabled());

    DataTableModel* model = panel.tableView()->model();
    ASSERT_TRUE(panel.headerAction()->isChecked());
    panel.headerAction()->trigger();
    EXPECT_FALSE(session->document().dataHasHeader);
    EXPECT_EQ(panel.rowText()->text(), u"Row 4 of 6"_s);
    EXPECT_EQ(model->index(0, 2).data().toString(), u"SKU"_s);
}

} // namespace
