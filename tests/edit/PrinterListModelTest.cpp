#include "LabelKit/edit/PrinterListModel.h"

#include "tests/printer/ManagerFixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace {

// 30 s of the clock take 1.5 s.
class PrinterListModelTest : public ManagerFixture {
protected:
    PrinterListModelTest() : ManagerFixture(0.05) {}

    QVariant value(int role) const { return model->index(0).data(role); }

    void SetUp() override {
        ManagerFixture::SetUp();
        discoverAll();
        model = std::make_unique<PrinterListModel>(manager.get());
        tester = std::make_unique<QAbstractItemModelTester>(
            model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    void TearDown() override {
        tester.reset();
        model.reset();
        ManagerFixture::TearDown();
    }

    std::unique_ptr<PrinterListModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

// (What a row shows, names in order, subtitles and the default, is read through the settings
// window's printers list in the application's tests.) A printer not heard for 30 s turns
// unavailable on time, without waiting for another event; a link shows on its row.
TEST_F(PrinterListModelTest, APrinterNotHeardFor30SecondsTurnsUnavailableAndALinkShows) {
    const Clock::time_point heard = manager->printers().first().lastSeen;
    EXPECT_TRUE(value(PrinterListModel::AvailableRole).toBool());
    QSignalSpy printersChanged(manager.get(), &PrinterManager::printersChanged);
    std::optional<Clock::time_point> turned;
    QObject::connect(model.get(), &QAbstractItemModel::dataChanged, model.get(), [&] {
        if (!turned && !value(PrinterListModel::AvailableRole).toBool()) {
            turned = Clock::now();
        }
    });
    asyncsupport::runUntil([&] { return turned.has_value(); }, 10000);
    ASSERT_TRUE(turned);
    EXPECT_GE((*turned - heard).count(), 30.0);
    EXPECT_LE((*turned - heard).count(), 32.0);
    EXPECT_EQ(printersChanged.count(), 0) << "no other event was needed";
    EXPECT_EQ(value(PrinterListModel::SubtitleRole), u"Not seen recently"_s);
    asyncsupport::runUntil([] { return false; }, 100);
    EXPECT_FALSE(model->findChild<Timer*>()->isActive()) << "nothing left to expire";

    EXPECT_FALSE(value(PrinterListModel::ConnectedRole).toBool());
    EXPECT_TRUE(asyncsupport::run(manager->readInfo(name())).succeeded());
    EXPECT_TRUE(value(PrinterListModel::ConnectedRole).toBool());
}

} // namespace
