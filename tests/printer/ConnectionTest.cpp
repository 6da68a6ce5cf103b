#include "tests/printer/ManagerFixture.h"
#include "tests/printer/TsplJobs.h"

#include <QSignalSpy>

#include <functional>
#include <numeric>

using namespace vantrel;

using namespace Qt::StringLiterals;

using asyncsupport::run;
using asyncsupport::runFor;
using asyncsupport::runUntil;

class Connection : public ManagerFixture {};

TEST_F(Connection, WritesAJobInAcknowledgedChunksOneAtATime) {
    const QByteArray job = tspljobs::jobOfSize(1000);
    const auto outcome = run(manager->sendRaw(job, name()));
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();

    QList<qint64> expected;
    for (qsizetype left = job.size(); left > 0; left -= 237) {
        expected.append(std::min<qsizetype>(left, 237));
    }
    EXPECT_EQ(printer->writeSizes(), expected);
    EXPECT_EQ(printer->received(), job) << "the bytes arrive unchanged and in order";
    EXPECT_EQ(printer->maxWritesInFlight(), 1);
    EXPECT_EQ(printer->pagesPrinted(), 1);
    EXPECT_TRUE(printer->errors().isEmpty()) << printer->errors().join(u'\n').toStdString();
    EXPECT_EQ(activities, (QList<PrinterActivity>{PrinterActivity::connecting(name()),
                                                  PrinterActivity::connected(name())}));
    EXPECT_TRUE(manager->isConnected(name()));
}

TEST_F(Connection, AnEmptyJobWritesNothing) {
    const auto outcome = run(manager->sendRaw({}, name()));
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_TRUE(printer->writeSizes().isEmpty());
    EXPECT_LT(outcome.seconds(), 1.0) << "nothing waits for a timeout";
}

struct ChunkCase {
    qint64 chunkSize;
    std::optional<qint64> linkLimit;
    qint64 expected;
};

class ChunkLength : public ManagerFixture, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(ChunkLength, IsTheSmallerOfSettingAndLinkButAtLeast20) {
    manager->registry()->setChunkSize(GetParam().chunkSize);
    printer->setMaximumWriteLength(GetParam().linkLimit);
    const auto outcome = run(manager->sendRaw(QByteArray(1000, 'x'), name()));
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    ASSERT_FALSE(printer->writeSizes().isEmpty());
    EXPECT_EQ(printer->writeSizes().first(), GetParam().expected);
    EXPECT_EQ(
        std::accumulate(printer->writeSizes().cbegin(), printer->writeSizes().cend(), qint64(0)),
        1000);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ChunkLength,
                         ::testing::Values(ChunkCase{237, 512, 237}, ChunkCase{237, 182, 182},
                                           ChunkCase{5, 512, 20}, ChunkCase{237, 20, 20},
                                           ChunkCase{237, std::nullopt, 237},
                                           ChunkCase{100, std::nullopt, 100}));

TEST_F(Connection, KeepsTheLinkForTheIdleTimeThenDropsIt) {
    ASSERT_TRUE(run(manager->sendRaw({}, name())).succeeded());
    const Clock::time_point ended = Clock::now();
    runFor(10);
    activities.clear();
    ASSERT_TRUE(run(manager->readInfo(name())).succeeded());
    EXPECT_EQ(printer->connectionRequests(), 1) << "a second operation within 15 s reuses the link";
    EXPECT_TRUE(activities.isEmpty()) << "no connecting, and connected was already the activity";
    const Clock::time_point secondEnded = Clock::now();

    ASSERT_TRUE(runUntil([&] { return !manager->isConnected(name()); }));
    const double idle = (Clock::now() - secondEnded).count();
    EXPECT_GE(idle, 14.8) << "the idle timer restarts with every operation";
    EXPECT_LT(idle, 17.0);
    EXPECT_GT((Clock::now() - ended).count(), 24.0);
    ASSERT_TRUE(runUntil([&] { return manager->activity() == PrinterActivity::idle(); }));

    ASSERT_TRUE(run(manager->sendRaw({}, name())).succeeded());
    EXPECT_EQ(printer->connectionRequests(), 2) << "after the idle drop the next job reconnects";
}

TEST_F(Connection, IdleTimeCanBeChanged) {
    manager->registry()->setIdleDisconnectSeconds(3);
    ASSERT_TRUE(run(manager->sendRaw({}, name())).succeeded());
    const Clock::time_point ended = Clock::now();
    ASSERT_TRUE(runUntil([&] { return !manager->isConnected(name()); }));
    EXPECT_NEAR((Clock::now() - ended).count(), 3.0, 1.5);
}

TEST_F(Connection, TurningTheRadioOffMidJobFailsTheWriteAndDropsTheLink) {
    VirtualPrinter::Faults faults;
    faults.ignoreWrite = 2;
    printer->setFaults(faults);
    const auto outcome = asyncsupport::start(manager->sendRaw(QByteArray(1000, 'x'), name()));
    ASSERT_TRUE(runUntil([&] { return printer->writeSizes().size() == 1; }));
    central->setState(BluetoothState::poweredOff);
    ASSERT_TRUE(runUntil([&] { return outcome->finished; }));
    EXPECT_EQ(outcome->message(), u"Bluetooth is turned off."_s);
    EXPECT_LT(outcome->seconds(), 4.0) << "not the 5 s write timeout";
    EXPECT_EQ(manager->activity(), PrinterActivity::idle());
    EXPECT_FALSE(manager->isConnected(name()));
    EXPECT_FALSE(manager->linkName().has_value());
}

TEST_F(Connection, ALinkLostBetweenChunksFailsAtOnce) {
    VirtualPrinter::Faults faults;
    faults.dropAfter = 2;
    printer->setFaults(faults);
    const auto outcome = run(manager->sendRaw(QByteArray(1000, 'x'), name()));
    EXPECT_EQ(outcome.message(), u"The printer disconnected."_s);
    EXPECT_EQ(printer->writeSizes().size(), 2) << "nothing is written after the drop";
    EXPECT_LT(outcome.seconds(), 2.0);
}

// Each fault ends the operation with its message after the expected time, leaves the activity
// it should, and leaves the manager usable for the next operation.
struct Fault {
    const char* name;
    BluetoothState radio;
    std::function<void(VirtualPrinter::Faults&)> inject;
    QString message;
    PrinterActivity::Kind activityAfter;
    double minSeconds;
    double maxSeconds;
    bool readInfo = false;
};

class Faults : public ManagerFixture, public ::testing::WithParamInterface<Fault> {};

TEST_P(Faults, EndTheOperationWithTheirMessage) {
    const Fault& fault = GetParam();
    VirtualPrinter::Faults faults;
    fault.inject(faults);
    printer->setFaults(faults);
    setRadio(fault.radio);

    const QByteArray job = tspljobs::jobOfSize(1000);
    std::optional<PrinterError> error;
    double seconds = 0;
    if (fault.readInfo) {
        const auto outcome = run(manager->readInfo(name()));
        error = outcome.printerError;
        seconds = outcome.seconds();
    } else {
        const auto outcome = run(manager->sendRaw(job, name()));
        error = outcome.printerError;
        seconds = outcome.seconds();
    }
    ASSERT_TRUE(error.has_value()) << "expected: " << fault.message.toStdString();
    EXPECT_EQ(error->message(), fault.message);
    EXPECT_EQ(manager->activity().kind, fault.activityAfter)
        << manager->activity().toString().toStdString();
    EXPECT_GE(seconds, fault.minSeconds);
    EXPECT_LE(seconds, fault.maxSeconds);

    printer->setFaults({});
    setRadio(BluetoothState::poweredOn);
    printer->clearRecord();
    const auto again = run(manager->sendRaw(job, name()));
    EXPECT_TRUE(again.succeeded()) << "the manager stays usable: " << again.message().toStdString();
    EXPECT_EQ(printer->pagesPrinted(), 1);
}

namespace {

const QString notFound =
    u"Can't find CT221B-VIRTUAL. Is it switched on, in range, and not connected to another phone "
    "or the Clabel app?"_s;
const QString serviceMissing = u"This device doesn't look like a CT221B (print service missing)."_s;

using K = PrinterActivity::Kind;
using S = BluetoothState;
const auto none = [](VirtualPrinter::Faults&) {};

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Injected, Faults,
    ::testing::Values(
        Fault{"RadioOff", S::poweredOff, none, u"Bluetooth is turned off."_s, K::idle, 0, 0.5},
        Fault{"Unsupported", S::unsupported, none,
              u"Bluetooth LE is not available on this device."_s, K::idle, 0, 0.5},
        Fault{"Unauthorized", S::unauthorized, none,
              u"Bluetooth permission was denied. Allow it in the system's Bluetooth "
              "settings."_s,
              K::idle, 0, 0.5},
        Fault{"RadioNeverReady", S::resetting, none, u"Timed out waiting for Bluetooth."_s, K::idle,
              4.9, 7},
        Fault{"PrinterAbsent", S::poweredOn, [](auto& f) { f.absent = true; }, notFound, K::idle,
              7.8, 11},
        Fault{"ConnectRefused", S::poweredOn, [](auto& f) { f.refuseConnection = true; },
              u"Couldn't connect: The printer refused the connection."_s, K::idle, 0, 1.5},
        Fault{"ServiceMissing", S::poweredOn, [](auto& f) { f.serviceMissing = true; },
              serviceMissing, K::connected, 0, 1.5},
        Fault{"WriteCharacteristicMissing", S::poweredOn,
              [](auto& f) { f.writeCharacteristicMissing = true; }, serviceMissing, K::connected, 0,
              1.5},
        Fault{"NotifyCharacteristicMissing", S::poweredOn,
              [](auto& f) { f.notifyCharacteristicMissing = true; },
              u"Timed out connecting to CT221B-VIRTUAL."_s, K::connected, 11.9, 14.5},
        Fault{"WriteErrorOnFirstChunk", S::poweredOn, [](auto& f) { f.failWrite = 1; },
              u"Sending failed: The printer rejected the data."_s, K::connected, 0, 1.5},
        // The printer holds part of a job: the link is dropped so that the next job is read
        // from a clean start.
        Fault{"WriteErrorMidJob", S::poweredOn, [](auto& f) { f.failWrite = 2; },
              u"Sending failed: The printer rejected the data."_s, K::idle, 0, 1.5},
        Fault{"WriteNeverAcknowledged", S::poweredOn, [](auto& f) { f.ignoreWrite = 2; },
              u"Timed out sending to the printer."_s, K::idle, 4.9, 7.5},
        Fault{"LinkDrops", S::poweredOn, [](auto& f) { f.dropAfter = 1; },
              u"The printer disconnected."_s, K::idle, 0, 1.5},
        Fault{"SilentInfoReply", S::poweredOn, [](auto& f) { f.silentInfo = true; },
              u"Timed out waiting for the printer's reply."_s, K::connected, 2.9, 5, true}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(Connection, NotFoundNamesThePrinterByItsNickname) {
    manager->registry()->setNicknames({{name(), u"Front counter"_s}});
    VirtualPrinter::Faults faults;
    faults.absent = true;
    printer->setFaults(faults);
    const auto outcome = run(manager->sendRaw({}, name()));
    EXPECT_EQ(outcome.message(), u"Can't find Front counter. Is it switched on, in range, and not "
                                 "connected to another phone or the Clabel app?"_s);
}

TEST_F(Connection, TheSearchScansOnlyWhileItLooks) {
    VirtualPrinter::Faults faults;
    faults.absent = true;
    printer->setFaults(faults);
    const auto outcome = asyncsupport::start(manager->sendRaw({}, name()));
    EXPECT_TRUE(runUntil([&] { return manager->isScanning(); }));
    ASSERT_TRUE(runUntil([&] { return outcome->finished; }));
    EXPECT_FALSE(manager->isScanning());
    EXPECT_FALSE(central->isScanning());
}

TEST_F(Connection, APrinterHeardRecentlyIsConnectedWithoutSearching) {
    central->advertise(printer, -60);
    const QSignalSpy scanning(manager.get(), &PrinterManager::isScanningChanged);
    const auto outcome = run(manager->sendRaw({}, name()));
    ASSERT_TRUE(outcome.succeeded());
    EXPECT_EQ(scanning.count(), 0) << "no search was needed";
    EXPECT_EQ(printer->connectionRequests(), 1);
}

TEST_F(Connection, APrinterFoundDuringTheSearchIsConnected) {
    central->advertise(printer, -60);
    runFor(12); // no longer counts as present
    VirtualPrinter::Faults faults;
    faults.absent = true;
    printer->setFaults(faults);
    const auto outcome = asyncsupport::start(manager->sendRaw({}, name()));
    runFor(3);
    printer->setFaults({});
    ASSERT_TRUE(runUntil([&] { return outcome->finished; }));
    EXPECT_TRUE(outcome->succeeded()) << outcome->message().toStdString();
    EXPECT_GE(outcome->seconds(), 3.0);
    EXPECT_LT(outcome->seconds(), 5.0);
}
