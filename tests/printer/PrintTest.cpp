#include "tests/printer/ManagerFixture.h"
#include "tests/printer/TsplJobs.h"
#include "tests/support/TestSupport.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/render/LabelRenderer.h"

#include <QImage>
#include <QTemporaryDir>

using namespace vantrel;

using namespace Qt::StringLiterals;

using asyncsupport::run;
using asyncsupport::runUntil;
using asyncsupport::start;

namespace {

PrintItem item(const QString& text, qint64 copies = 1) {
    LabelDocument document = Templates::plainText();
    document.elements.first().content = text;
    LabelContext context;
    context.date = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    return PrintItem(document, context, copies);
}

QList<PrintItem> items(int count, qint64 copies = 1) {
    QList<PrintItem> list;
    for (int i = 1; i <= count; ++i) {
        list.append(item(u"Label %1"_s.arg(i), copies));
    }
    return list;
}

} // namespace

// Printing runs on a clock 20 times faster than real time, so that the pauses between labels
// are long enough to measure well.
class Print : public ManagerFixture {
protected:
    Print() : ManagerFixture(0.05) {}

    void SetUp() override {
        ManagerFixture::SetUp();
        ASSERT_TRUE(m_folder.isValid());
        printer->setFolder(m_folder.path());
        QObject::connect(manager.get(), &PrinterManager::activityChanged, manager.get(), [this] {
            if (manager->activity().kind == PrinterActivity::Kind::printing) {
                m_itemStarted.append(Clock::now());
            }
        });
    }

    // Runs the print and records when each item was finished.
    asyncsupport::Outcome<void> print(QList<PrintItem> batch, std::optional<QString> on) {
        return run(manager->print(std::move(batch), std::move(on),
                                  [this](qint64 done, qint64 total) {
                                      m_progress.append({done, total});
                                      m_itemFinished.append(Clock::now());
                                  }),
                   60000);
    }

    // The pause after item i: from its progress report to the start of the next item.
    double pauseAfter(int i) const { return (m_itemStarted[i + 1] - m_itemFinished[i]).count(); }

    QTemporaryDir m_folder;
    QList<std::pair<qint64, qint64>> m_progress;
    QList<Clock::time_point> m_itemStarted;
    QList<Clock::time_point> m_itemFinished;
};

TEST_F(Print, SendsEachItemAsOneJobThatPrintsWhatTheRendererDraws) {
    const QList<PrintItem> batch = {item(u"Hello"_s, 2), item(u"World"_s)};
    const auto outcome = print(batch, name());
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    ASSERT_EQ(printer->savedFiles().size(), 2);
    EXPECT_TRUE(printer->errors().isEmpty()) << printer->errors().join(u'\n').toStdString();
    for (int i = 0; i < 2; ++i) {
        const QImage printed(printer->savedFiles()[i]);
        const RenderedLabel expected =
            LabelRenderer::render(batch[i].document, batch[i].context, 1, true);
        EXPECT_EQ(printed.convertToFormat(QImage::Format_Grayscale8), expected.image())
            << "label " << i + 1;
        QString tsplPath = printer->savedFiles()[i];
        tsplPath.replace(u".png"_s, u".tspl"_s);
        EXPECT_EQ(testsupport::readBytes(tsplPath), batch[i].job());
    }
    EXPECT_TRUE(printer->received().contains("PRINT 1,2\r\n"))
        << "copies are the printer's business";
    EXPECT_EQ(activities, (QList<PrinterActivity>{PrinterActivity::connecting(name()),
                                                  PrinterActivity::connected(name()),
                                                  PrinterActivity::printing(name(), 0, 2),
                                                  PrinterActivity::printing(name(), 1, 2),
                                                  PrinterActivity::connected(name())}));
}

TEST_F(Print, ReportsProgressAndPausesBetweenLabelsButNotAfterTheLast) {
    const auto outcome = print(items(3), name());
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_EQ(m_progress, (QList<std::pair<qint64, qint64>>{{1, 3}, {2, 3}, {3, 3}}));
    ASSERT_EQ(m_itemStarted.size(), 3);
    for (int i = 0; i < 2; ++i) {
        EXPECT_GE(pauseAfter(i), 1.45) << "pause " << i + 1;
        EXPECT_LT(pauseAfter(i), 2.1) << "pause " << i + 1;
    }
    EXPECT_LT((outcome.ended - m_itemFinished.last()).count(), 0.4);
}

TEST_F(Print, PausesLongerAfterAnItemOfSeveralCopies) {
    QList<PrintItem> batch = {item(u"four"_s, 4), item(u"none"_s, 0), item(u"last"_s)};
    manager->registry()->setInterLabelDelay(1.0);
    const auto outcome = print(batch, name());
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_GE(pauseAfter(0), 3.35) << "1.0 + 3 × 0.8";
    EXPECT_LT(pauseAfter(0), 4.0);
    EXPECT_GE(pauseAfter(1), 0.15) << "a stored copy count of 0 shortens the pause to 1.0 - 0.8";
    EXPECT_LT(pauseAfter(1), 0.8);
    EXPECT_TRUE(printer->received().contains("PRINT 1,1\r\n")) << "yet prints one label";
}

TEST_F(Print, AnEmptyBatchConnectsSendsNothingAndStartsTheIdleTimer) {
    const auto outcome = print({}, name());
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_TRUE(printer->writeSizes().isEmpty());
    EXPECT_TRUE(m_progress.isEmpty());
    EXPECT_EQ(printer->connectionRequests(), 1);
    EXPECT_EQ(manager->activity(), PrinterActivity::connected(name()));
    ASSERT_TRUE(runUntil([&] { return manager->activity() == PrinterActivity::idle(); }, 30000));
    EXPECT_GE((Clock::now() - outcome.ended).count(), 14.9);
}

TEST_F(Print, AWriteErrorStopsTheBatchWhereItHappens) {
    const QList<PrintItem> batch = items(5);
    const qint64 firstChunks = (batch[0].job().size() + 236) / 237;
    VirtualPrinter::Faults faults;
    faults.failWrite = firstChunks + 1;
    printer->setFaults(faults);
    const auto outcome = print(batch, name());
    EXPECT_EQ(outcome.message(), u"Sending failed: The printer rejected the data."_s);
    EXPECT_EQ(m_progress, (QList<std::pair<qint64, qint64>>{{1, 5}}));
    EXPECT_EQ(printer->pagesPrinted(), 1) << "items 3 to 5 are not sent";
    EXPECT_EQ(printer->writeSizes().size(), firstChunks);
    EXPECT_EQ(manager->activity(), PrinterActivity::connected(name())) << "the link is still up";
}

TEST_F(Print, AnUnprintableItemEndsThePrintWithItsMessage) {
    LabelDocument huge = Templates::plainText();
    huge.widthMM = 1e9;
    const PrintItem bad(huge, LabelContext{}, 1);
    const std::optional<QString> problem = LabelRenderer::sizeProblem(huge, 1);
    ASSERT_TRUE(problem.has_value());
    const auto outcome = print({item(u"fine"_s), bad}, name());
    ASSERT_TRUE(outcome.otherError.has_value()) << outcome.message().toStdString();
    EXPECT_EQ(*outcome.otherError, *problem);
    EXPECT_EQ(printer->pagesPrinted(), 1);
    EXPECT_EQ(manager->activity(), PrinterActivity::connected(name()));
}

TEST_F(Print, TwoPrintsOnTwoPrintersRunOneAfterTheOther) {
    VirtualPrinter* second = addPrinter(u"CT221B-SECOND"_s);
    const auto first = start(manager->print(items(3), name()));
    const auto other = start(manager->print(items(2), u"CT221B-SECOND"_s));
    ASSERT_TRUE(runUntil([&] { return first->finished && other->finished; }, 60000));
    EXPECT_TRUE(first->succeeded() && other->succeeded());
    EXPECT_EQ(printer->pagesPrinted(), 3);
    EXPECT_EQ(second->pagesPrinted(), 2);
    const QString b = u"CT221B-SECOND"_s;
    EXPECT_EQ(activities,
              (QList<PrinterActivity>{
                  PrinterActivity::connecting(name()), PrinterActivity::connected(name()),
                  PrinterActivity::printing(name(), 0, 3), PrinterActivity::printing(name(), 1, 3),
                  PrinterActivity::printing(name(), 2, 3), PrinterActivity::connected(name()),
                  PrinterActivity::connecting(b), PrinterActivity::connected(b),
                  PrinterActivity::printing(b, 0, 2), PrinterActivity::printing(b, 1, 2),
                  PrinterActivity::connected(b)}));
    EXPECT_FALSE(manager->isConnected(name()));
}

TEST_F(Print, WithoutANameItPrintsOnThePreferredPrinter) {
    discoverAll();
    ASSERT_TRUE(run(manager->print(items(1), std::nullopt)).succeeded()) << "the only printer";
    EXPECT_EQ(printer->pagesPrinted(), 1);

    addPrinter(u"CT221B-SECOND"_s);
    discoverAll();
    activities.clear();
    const auto ambiguous = run(manager->print(items(1), std::nullopt));
    EXPECT_EQ(ambiguous.message(), u"No printer selected."_s);
    EXPECT_TRUE(activities.isEmpty()) << "nothing else happens";

    manager->registry()->setDefaultPrinter(u"CT221B-SECOND"_s);
    ASSERT_TRUE(run(manager->print(items(1), std::nullopt)).succeeded());
    EXPECT_EQ(printer->pagesPrinted(), 1);
    EXPECT_TRUE(manager->isConnected(u"CT221B-SECOND"_s));
}
