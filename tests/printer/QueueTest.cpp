#include "tests/printer/ManagerFixture.h"
#include "tests/printer/TsplJobs.h"

using namespace vantrel;

using namespace Qt::StringLiterals;

using asyncsupport::runUntil;
using asyncsupport::start;

class Queue : public ManagerFixture {
protected:
    void SetUp() override {
        ManagerFixture::SetUp();
        other = addPrinter(u"CT221B-OTHER"_s);
        discoverAll();
    }

    VirtualPrinter* other = nullptr;
};

// Operations asked for together run one after another in the order asked, each on its own
// printer, and the link moves from one printer to the next.
TEST_F(Queue, RunsOperationsStrictlyInOrder) {
    const QString otherName = u"CT221B-OTHER"_s;
    const QByteArray first = tspljobs::jobOfSize(2000);
    const QByteArray second = tspljobs::jobOfSize(600);
    const auto a = start(manager->sendRaw(first, name()));
    const auto b = start(manager->sendRaw(second, otherName));
    const auto c = start(manager->readInfo(name()));
    const auto d = start(manager->sendRaw({}, otherName));
    ASSERT_TRUE(runUntil([&] { return a->finished && b->finished && c->finished && d->finished; }));
    EXPECT_TRUE(a->succeeded() && b->succeeded() && c->succeeded() && d->succeeded());
    EXPECT_LE(a->ended, b->ended);
    EXPECT_LE(b->ended, c->ended);
    EXPECT_LE(c->ended, d->ended);
    EXPECT_EQ(activities,
              (QList<PrinterActivity>{
                  PrinterActivity::connecting(name()), PrinterActivity::connected(name()),
                  PrinterActivity::connecting(otherName), PrinterActivity::connected(otherName),
                  PrinterActivity::connecting(name()), PrinterActivity::connected(name()),
                  PrinterActivity::connecting(otherName), PrinterActivity::connected(otherName)}));
    EXPECT_EQ(printer->received(), first + PrinterManager::infoRequest);
    EXPECT_EQ(other->received(), second);
    EXPECT_EQ(printer->maxWritesInFlight() + other->maxWritesInFlight(), 2);
    EXPECT_FALSE(manager->isConnected(name())) << "the previous link was torn down";
    EXPECT_TRUE(manager->isConnected(otherName));
    EXPECT_TRUE(printer->errors().isEmpty()) << printer->errors().join(u'\n').toStdString();
}

TEST_F(Queue, AFailedOperationLetsTheNextOneRun) {
    VirtualPrinter::Faults faults;
    faults.failWrite = 1;
    printer->setFaults(faults);
    const auto failing = start(manager->sendRaw(QByteArray(100, 'x'), name()));
    const auto next = start(manager->sendRaw(tspljobs::jobOfSize(300), u"CT221B-OTHER"_s));
    ASSERT_TRUE(runUntil([&] { return failing->finished && next->finished; }));
    EXPECT_EQ(failing->message(), u"Sending failed: The printer rejected the data."_s);
    EXPECT_TRUE(next->succeeded()) << next->message().toStdString();
    EXPECT_LE(failing->ended, next->ended);
    EXPECT_EQ(other->pagesPrinted(), 1);
}
