#include "LabelKit/edit/LabelListModel.h"
#include "LabelKit/edit/LabelFilterModel.h"

#include "LabelKit/platform/Clock.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

class LabelListModelTest : public ::testing::Test {
protected:
    LabelListModelTest() : store(dir.path(), false) {
        for (const QString& name : {u"Shelf"_s, u"Cabinet"_s, u"Bin tag"_s}) {
            LabelElement text(ElementKind::text);
            text.content = name;
            EXPECT_TRUE(store.save(LabelDocument(name, 30, 20, {text})));
        }
    }
    ~LabelListModelTest() override { Clock::setWallTime({}); }

    QStringList names(const QAbstractItemModel& m) const {
        QStringList list;
        for (int row = 0; row < m.rowCount(); ++row) {
            list.append(m.index(row, 0).data().toString());
        }
        return list;
    }
    QImage thumbnail(int row) const {
        return model.index(row).data(LabelListModel::ThumbnailRole).value<QImage>();
    }

    QTemporaryDir dir;
    LabelStore store;
    LabelListModel model{&store};
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(LabelListModelTest, ASaveRepaintsOrMovesOneRowAndNeverResets) {
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    EXPECT_EQ(names(model), (QStringList{u"Bin tag"_s, u"Cabinet"_s, u"Shelf"_s}));

    LabelDocument front = *store.label(model.index(0).data(LabelListModel::IdRole).toUuid());
    front.name = u"Bin"_s;
    ASSERT_TRUE(store.save(front));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.first().at(0).toModelIndex().row(), 0);
    EXPECT_EQ(changed.first().at(1).toModelIndex().row(), 0);

    ASSERT_TRUE(store.save(*store.labelNamed(u"Shelf"_s)));
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(changed.count(), 2);
    store.remove(front.id);
    ASSERT_TRUE(store.save(LabelDocument(u"New"_s)));
    EXPECT_EQ(names(model), (QStringList{u"New"_s, u"Shelf"_s, u"Cabinet"_s}));
    EXPECT_EQ(reset.count(), 0);
}

TEST_F(LabelListModelTest, ThumbnailsAreDrawnWithTheFirstRowAndKeptUntilTheLabelChanges) {
    LabelDocument bin = *store.labelNamed(u"Bin tag"_s);
    bin.elements[0].content = u"{Part}"_s;
    testsupport::writeBytes(dir.filePath(u"parts.csv"_s), "Part\nA-12\nB-7\n");
    ASSERT_TRUE(store.save(store.attachData(bin, dir.filePath(u"parts.csv"_s))));
    const int row = model.indexOf(bin.id).row();
    EXPECT_EQ(model.index(row).data(LabelListModel::CaptionRole), u"30 × 20 mm · parts.csv"_s);

    LabelDocument expected = bin;
    expected.elements[0].content = u"A-12"_s;
    const QImage first = thumbnail(row);
    EXPECT_EQ(first,
              LabelRenderer::render(expected, LabelContext::preview(), 2, false)
                  .image()
                  .scaled(model.thumbnailSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation));

    const qint64 shelfKey =
        thumbnail(model.indexOf(store.labelNamed(u"Shelf"_s)->id).row()).cacheKey();
    EXPECT_EQ(thumbnail(row).cacheKey(), first.cacheKey()) << "drawn again unchanged";
    ASSERT_TRUE(store.save(*store.label(bin.id)));
    EXPECT_NE(thumbnail(model.indexOf(bin.id).row()).cacheKey(), first.cacheKey());
    EXPECT_EQ(thumbnail(model.indexOf(store.labelNamed(u"Shelf"_s)->id).row()).cacheKey(),
              shelfKey);

    // After midnight every thumbnail is drawn again, for today's {date}.
    const QDateTime late(QDate(2025, 3, 14), QTime(23, 59, 59), QTimeZone::systemTimeZone());
    Clock::setWallTime(late);
    const qint64 before = thumbnail(0).cacheKey();
    Clock::setWallTime(late.addSecs(2));
    EXPECT_NE(thumbnail(0).cacheKey(), before);
}

TEST_F(LabelListModelTest, CaptionsFollowTheUnitAndTheSearchFiltersByName) {
    model.setUnit(MeasureUnit::inches);
    EXPECT_EQ(model.index(0).data(LabelListModel::CaptionRole), u"1.18 × 0.79 in"_s);

    LabelFilterModel filter;
    filter.setSourceModel(&model);
    filter.setSearch(u"BIN"_s);
    EXPECT_EQ(names(filter), (QStringList{u"Bin tag"_s, u"Cabinet"_s}));
    filter.setSearch(u"é"_s);
    EXPECT_EQ(names(filter), QStringList());
    LabelDocument shelf = *store.labelNamed(u"Shelf"_s);
    shelf.name = u"Étagère"_s;
    ASSERT_TRUE(store.save(shelf));
    EXPECT_EQ(names(filter), QStringList{u"Étagère"_s});
}

} // namespace
