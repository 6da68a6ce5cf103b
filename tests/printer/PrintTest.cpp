#include "LabelKit/printer/PrintActions.h"

#include "tests/printer/ManagerFixture.h"
#include "tests/support/TestSupport.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/render/LabelRenderer.h"

#include <QImage>
#include <QTemporaryDir>

using namespace vantrel;

using namespace Qt::StringLiterals;
using F = VirtualPrinter::Faults;

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

using Activities = QList<PrinterActivity>;

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

    // Label i as the printer burned it.
    QImage printed(int i) const {
        return QImage(printer->savedFiles().value(i)).convertToFormat(QImage::Format_Grayscale8);
    }

    // The pause after item i: from its progress report to the start of the next item.
    double pauseAfter(int i) const { return (m_itemStarted[i + 1] - m_itemFinished[i]).count(); }

    QTemporaryDir m_folder;
    QList<std::pair<qint64, qint64>> m_progress;
    QList<Clock::time_point> m_itemStarted;
    QList<Clock::time_point> m_itemFinished;
};

// Each item is one job that prints what the renderer draws, its copies left to the printer;
// progress is reported after each item, and between items the printer is given the pause, 0.8 s
// longer for each further copy, and none after the last.
TEST_F(Print, SendsEachItemAsOneJobAndPausesBetweenThem) {
    const QList<PrintItem> batch = {item(u"four"_s, 4), item(u"none"_s, 0), item(u"one"_s),
                                    item(u"last"_s)};
    const auto outcome = print(batch, name());
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    ASSERT_EQ(printer->savedFiles().size(), 4);
    EXPECT_TRUE(printer->errors().isEmpty()) << printer->errors().join(u'\n').toStdString();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(printed(i),
                  LabelRenderer::render(batch[i].document, batch[i].context, 1, true).image())
            << "label " << i + 1;
        QString tsplPath = printer->savedFiles()[i];
        EXPECT_EQ(testsupport::readBytes(tsplPath.replace(u".png"_s, u".tspl"_s)), batch[i].job());
    }
    EXPECT_EQ(m_progress, (QList<std::pair<qint64, qint64>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));
    EXPECT_EQ(activities,
              (Activities{
                  PrinterActivity::connecting(name()), PrinterActivity::connected(name()),
                  PrinterActivity::printing(name(), 0, 4), PrinterActivity::printing(name(), 1, 4),
                  PrinterActivity::printing(name(), 2, 4), PrinterActivity::printing(name(), 3, 4),
                  PrinterActivity::connected(name())}));
    ASSERT_EQ(m_itemStarted.size(), 4);
    const double expectedPauses[] = {1.5 + 3 * 0.8, 1.5 - 0.8, 1.5};
    for (int i = 0; i < 3; ++i) {
        EXPECT_GE(pauseAfter(i), expectedPauses[i] - 0.05) << "pause " << i + 1;
        EXPECT_LT(pauseAfter(i), expectedPauses[i] + 0.6) << "pause " << i + 1;
    }
    EXPECT_LT((outcome.ended - m_itemFinished.last()).count(), 0.4);

    printer->clearRecord();
    ASSERT_TRUE(print({}, name()).succeeded()) << "an empty batch";
    EXPECT_TRUE(printer->writeSizes().isEmpty());
    EXPECT_EQ(m_progress.size(), 4);
}

// A write error or an item that cannot be drawn stops the batch where it happens, the link up.
TEST_F(Print, AFailingItemStopsTheBatchWhereItHappens) {
    const QList<PrintItem> batch(5, item(u"Label"_s));
    const qint64 firstChunks = (batch[0].job().size() + 236) / 237;
    printer->setFaults(faultWith(&F::failWrite, firstChunks + 1));
    const auto outcome = print(batch, name());
    EXPECT_EQ(outcome.message(), u"Sending failed: The printer rejected the data."_s);
    EXPECT_EQ(m_progress, (QList<std::pair<qint64, qint64>>{{1, 5}}));
    EXPECT_EQ(printer->pagesPrinted(), 1) << "items 3 to 5 are not sent";
    EXPECT_EQ(printer->writeSizes().size(), firstChunks);
    EXPECT_EQ(manager->activity(), PrinterActivity::connected(name())) << "the link is still up";

    printer->setFaults({});
    LabelDocument huge = Templates::plainText();
    huge.widthMM = 1e9;
    const std::optional<QString> problem = LabelRenderer::sizeProblem(huge, 1);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(print({item(u"fine"_s), PrintItem(huge, LabelContext{}, 1)}, name()).error, problem);
    EXPECT_EQ(printer->pagesPrinted(), 2);
}

// Operations asked for together run one after another in the order asked, a print holding its
// turn for its whole batch and a failed one letting the next run, each on its own printer; the
// link moves from printer to printer.
TEST_F(Print, OperationsRunStrictlyInOrder) {
    const QString b = u"CT221B-OTHER"_s;
    VirtualPrinter* other = addPrinter(b);
    discoverAll();
    other->setFaults(faultWith(&F::failWrite, 1));
    const QList<PrintItem> batch(2, item(u"Label"_s));
    const auto first = start(manager->print(batch, name()));
    const auto second = start(manager->sendRaw(jobOfSize(600), b));
    const auto third = start(manager->readInfo(name()));
    const auto fourth = start(manager->sendRaw({}, b));
    ASSERT_TRUE(runUntil([&] { return fourth->finished; }, 60000));
    EXPECT_TRUE(first->succeeded() && third->succeeded() && fourth->succeeded());
    EXPECT_EQ(second->message(), u"Sending failed: The printer rejected the data."_s);
    EXPECT_LE(first->ended, second->ended);
    EXPECT_LE(second->ended, third->ended);
    EXPECT_LE(third->ended, fourth->ended);
    const QString a = name();
    EXPECT_EQ(activities,
              (Activities{PrinterActivity::connecting(a), PrinterActivity::connected(a),
                          PrinterActivity::printing(a, 0, 2), PrinterActivity::printing(a, 1, 2),
                          PrinterActivity::connected(a), PrinterActivity::connecting(b),
                          PrinterActivity::connected(b), PrinterActivity::connecting(a),
                          PrinterActivity::connected(a), PrinterActivity::connecting(b),
                          PrinterActivity::connected(b)}));
    EXPECT_EQ(printer->received(), batch[0].job() + batch[1].job() + PrinterManager::infoRequest);
    EXPECT_FALSE(manager->isConnected(a)) << "the previous link was torn down";
    EXPECT_TRUE(manager->isConnected(b));
}

// What the automation actions print; their messages and refusals are shown through the
// application's automation and the command line.
TEST_F(Print, ActionsPutTheTextInTheLabelsPlaceholderOrOnTheBigTextDesign) {
    discoverAll();
    LabelDocument note = Templates::plainText();
    note.elements.first().content = u"Note: {text}"_s;
    const PrintActions::LabelByID byID = [&](const QUuid& id) -> std::optional<LabelDocument> {
        return id == note.id ? std::optional(note) : std::nullopt;
    };
    const auto outcome =
        run(PrintActions::printLabel(byID, *manager, note.id, {}, 1, u"Aisle 4"_s));
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    LabelContext context;
    context.fields = {{u"text"_s, u"Aisle 4"_s}};
    EXPECT_EQ(printed(0), LabelRenderer::render(note, context, 1, true).image());

    ASSERT_TRUE(run(PrintActions::printText(*manager, u"Hello"_s, 2)).succeeded());
    note.elements.first().content = u"Hello"_s;
    EXPECT_EQ(printed(1), LabelRenderer::render(note, LabelContext(), 1, true).image());
    EXPECT_TRUE(printer->received().endsWith("PRINT 1,2\r\n"));
}
