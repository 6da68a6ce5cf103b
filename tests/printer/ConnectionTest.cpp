#include "tests/printer/ManagerFixture.h"
#include "tests/support/TestSupport.h"

#include <QSignalSpy>

using namespace vantrel;

using namespace Qt::StringLiterals;
using F = VirtualPrinter::Faults;

using asyncsupport::run;
using asyncsupport::runFor;
using asyncsupport::runUntil;

class Connection : public ManagerFixture {};

TEST_F(Connection, WritesAJobInAcknowledgedChunksOneAtATime) {
    const QByteArray job = jobOfSize(1000);
    const auto outcome = run(manager->sendRaw(job, name()));
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_EQ(printer->received(), job) << "the bytes arrive unchanged and in order";
    EXPECT_EQ(printer->maxWritesInFlight(), 1);
    EXPECT_EQ(printer->pagesPrinted(), 1);
    EXPECT_TRUE(printer->errors().isEmpty()) << printer->errors().join(u'\n').toStdString();
    EXPECT_EQ(activities, (QList<PrinterActivity>{PrinterActivity::connecting(name()),
                                                  PrinterActivity::connected(name())}));
    printer->clearRecord();
    const auto empty = run(manager->sendRaw({}, name()));
    ASSERT_TRUE(empty.succeeded()) << empty.message().toStdString();
    EXPECT_TRUE(printer->writeSizes().isEmpty()) << "an empty job writes nothing";
    EXPECT_LT(empty.seconds(), 1.0) << "nothing waits for a timeout";
    EXPECT_EQ(printer->connectionRequests(), 0) << "the link is reused";

    // A chunk is the smaller of the setting and the link's limit, but at least 20 bytes.
    const struct {
        qint64 chunkSize;
        std::optional<qint64> linkLimit;
        qint64 expected;
    } cases[] = {{237, 512, 237}, {237, 182, 182}, {5, 512, 20},
                 {237, 20, 20},   {237, {}, 237},  {100, {}, 100}};
    for (const auto& c : cases) {
        manager->registry()->setChunkSize(c.chunkSize);
        printer->setMaximumWriteLength(c.linkLimit);
        printer->clearRecord();
        ASSERT_TRUE(run(manager->sendRaw(QByteArray(1000, 'x'), name())).succeeded());
        QList<qint64> expected;
        for (qint64 left = 1000; left > 0; left -= c.expected) {
            expected.append(std::min(left, c.expected));
        }
        EXPECT_EQ(printer->writeSizes(), expected) << c.chunkSize;
    }
}

// Each fault ends the operation with its message after the expected time, writes nothing after
// it, leaves the activity it should, and leaves the manager usable for the next operation.
struct Fault {
    const char* name;
    VirtualPrinter::Faults faults;
    QString message;
    PrinterActivity::Kind activityAfter;
    double minSeconds;
    double maxSeconds;
    qsizetype writes = -1; // chunks that reached the printer; -1: not checked
    BluetoothState radio = BluetoothState::poweredOn;
    bool radioOffAfterFirstChunk = false;
};

class Faults : public ManagerFixture, public ::testing::WithParamInterface<Fault> {};

TEST_P(Faults, EndTheOperationWithTheirMessage) {
    const Fault& fault = GetParam();
    printer->setFaults(fault.faults);
    setRadio(fault.radio);
    const auto outcome = asyncsupport::start(manager->sendRaw(jobOfSize(1000), name()));
    if (fault.radioOffAfterFirstChunk) {
        ASSERT_TRUE(runUntil([&] { return printer->writeSizes().size() == 1; }));
        central->setState(BluetoothState::poweredOff);
    }
    ASSERT_TRUE(runUntil([&] { return outcome->finished; }));
    const std::optional<QString> error = outcome->error;
    const double seconds = outcome->seconds();
    ASSERT_TRUE(error.has_value()) << "expected: " << fault.message.toStdString();
    EXPECT_EQ(*error, fault.message);
    EXPECT_EQ(manager->activity().kind, fault.activityAfter)
        << manager->activity().toString().toStdString();
    EXPECT_GE(seconds, fault.minSeconds);
    EXPECT_LE(seconds, fault.maxSeconds);
    if (fault.writes >= 0) {
        EXPECT_EQ(printer->writeSizes().size(), fault.writes);
    }
    EXPECT_EQ(manager->linkName().has_value(), manager->isConnected(name()));

    printer->setFaults({});
    setRadio(BluetoothState::poweredOn);
    printer->clearRecord();
    const auto again = run(manager->sendRaw(jobOfSize(1000), name()));
    EXPECT_TRUE(again.succeeded()) << "the manager stays usable: " << again.message().toStdString();
    EXPECT_EQ(printer->pagesPrinted(), 1);
}

namespace {

const QString off = u"Bluetooth is turned off."_s;
const QString noLE = u"Bluetooth LE is not available on this device."_s;
const QString denied =
    u"Bluetooth permission was denied. Allow it in the system's Bluetooth settings."_s;
const QString noRadio = u"Timed out waiting for Bluetooth."_s;
const QString notFound =
    u"Can't find CT221B-VIRTUAL. Is it switched on, in range, and not connected to another phone "
    "or the Clabel app?"_s;
const QString refused = u"Couldn't connect: The printer refused the connection."_s;
const QString noService = u"This device doesn't look like a CT221B (print service missing)."_s;
const QString noConnect = u"Timed out connecting to CT221B-VIRTUAL."_s;
const QString rejected = u"Sending failed: The printer rejected the data."_s;
const QString noAck = u"Timed out sending to the printer."_s;
const QString dropped = u"The printer disconnected."_s;

using K = PrinterActivity::Kind;
using S = BluetoothState;
constexpr double soon = 2.5; // before the shortest timeout: the fault ends the operation at once

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Injected, Faults,
    ::testing::Values(
        Fault{"RadioOff", {}, off, K::idle, 0, soon, -1, S::poweredOff},
        Fault{"Unsupported", {}, noLE, K::idle, 0, soon, -1, S::unsupported},
        Fault{"Unauthorized", {}, denied, K::idle, 0, soon, -1, S::unauthorized},
        Fault{"RadioNeverReady", {}, noRadio, K::idle, 4.9, 7, -1, S::resetting},
        Fault{"PrinterAbsent", faultWith(&F::absent, true), notFound, K::idle, 7.8, 11},
        Fault{"ConnectRefused", faultWith(&F::refuseConnection, true), refused, K::idle, 0, soon},
        Fault{"ServiceMissing", faultWith(&F::serviceMissing, true), noService, K::connected, 0,
              soon},
        Fault{"WriteCharacteristicMissing", faultWith(&F::writeCharacteristicMissing, true),
              noService, K::connected, 0, soon},
        Fault{"NotifyCharacteristicMissing", faultWith(&F::notifyCharacteristicMissing, true),
              noConnect, K::connected, 11.9, 14.5},
        Fault{"WriteErrorOnFirstChunk", faultWith(&F::failWrite, 1), rejected, K::connected, 0,
              soon, 0},
        // The printer holds part of a job: the link is dropped so that the next job is read
        // from a clean start.
        Fault{"WriteErrorMidJob", faultWith(&F::failWrite, 2), rejected, K::idle, 0, soon, 1},
        Fault{"WriteNeverAcknowledged", faultWith(&F::ignoreWrite, 2), noAck, K::idle, 4.9, 7.5, 1},
        Fault{"RadioOffMidJob", faultWith(&F::ignoreWrite, 2), off, K::idle, 0, 4, 1, S::poweredOn,
              true},
        Fault{"LinkDrops", faultWith(&F::dropAfter, 2), dropped, K::idle, 0, soon, 2}),
    [](const auto& test) { return std::string(test.param.name); });

// A printer counts as present for 30 s after it was heard, while connected, and a dropped link
// counts as hearing it. A present printer is connected without searching; otherwise the manager
// scans while it looks, connects the printer as soon as it is heard, or names it by its nickname
// when it never is.
TEST_F(Connection, SearchesOnlyForAPrinterNotPresent) {
    manager->registry()->setIdleDisconnectSeconds(100);
    central->advertise(printer, -60);
    const QSignalSpy scanning(manager.get(), &PrinterManager::isScanningChanged);
    ASSERT_TRUE(run(manager->sendRaw({}, name())).succeeded());
    EXPECT_EQ(scanning.count(), 0) << "no search was needed";
    runFor(31);
    EXPECT_TRUE(manager->isAvailable(manager->printers()[0])) << "connected counts as available";
    manager->dropLink();
    ASSERT_TRUE(runUntil([&] { return manager->activity() == PrinterActivity::idle(); }));
    EXPECT_LT(Clock::now() - manager->printers()[0].lastSeen, Clock::duration(1.0));
    runFor(31);
    EXPECT_FALSE(manager->isAvailable(manager->printers()[0]));

    printer->setFaults(faultWith(&F::absent, true));
    const auto found = asyncsupport::start(manager->sendRaw({}, name()));
    EXPECT_TRUE(runUntil([&] { return manager->isScanning(); }));
    runFor(3);
    printer->setFaults({});
    ASSERT_TRUE(runUntil([&] { return found->finished; }));
    EXPECT_TRUE(found->succeeded()) << found->message().toStdString();
    EXPECT_GE(found->seconds(), 3.0);
    EXPECT_LT(found->seconds(), 5.0);
    EXPECT_FALSE(manager->isScanning());
    EXPECT_FALSE(central->isScanning());

    manager->registry()->setNicknames({{name(), u"Front counter"_s}});
    manager->dropLink();
    runFor(31);
    printer->setFaults(faultWith(&F::absent, true));
    EXPECT_EQ(
        run(manager->sendRaw({}, name())).message(),
        u"Can't find Front counter. Is it switched on, in range, and not connected to another "
        "phone or the Clabel app?"_s);
}

TEST(InfoReplies, GiveFirmwareAndModel) {
    for (const QStringList& c : testsupport::dataTable(u"printer-info-replies.txt"_s)) {
        const PrinterInfo info = PrinterManager::parseInfo(
            QByteArray::fromPercentEncoding(c[0].toLatin1()), u"CT221B-ASKED"_s);
        EXPECT_EQ(info.firmware + u' ' + info.name, c.value(1));
    }
}

// The reply to the request, not a notification nobody asked for, is read, stored and announced,
// and waited for 3 s at most; the link stays for the idle time after the last operation, 15 s
// unless changed.
TEST_F(Connection, ReadsTheInfoOnTheLinkItKeepsForTheIdleTime) {
    ASSERT_TRUE(run(manager->sendRaw({}, name())).succeeded());
    const Clock::time_point ended = Clock::now();
    central->notify(printer, QByteArray("CT221B-OLD\0V9.9.9", 18));
    runFor(10);
    activities.clear();
    QSignalSpy changes(manager.get(), &PrinterManager::infoChanged);
    const auto outcome = run(manager->readInfo(name()));
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    const PrinterInfo expected{u"V1.0.7"_s, u"CT221B"_s};
    EXPECT_EQ(*outcome.value, expected);
    EXPECT_EQ(manager->info().value(name()), expected);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(printer->writeSizes(), QList<qint64>{8}) << "the request goes out in one write";
    EXPECT_TRUE(printer->errors().isEmpty()) << "the request is not mistaken for TSPL";
    EXPECT_EQ(printer->connectionRequests(), 1) << "a second operation within 15 s reuses the link";
    EXPECT_TRUE(activities.isEmpty()) << "no connecting, and connected was already the activity";
    ASSERT_TRUE(run(manager->readInfo(name())).succeeded());
    EXPECT_EQ(changes.count(), 1) << "the same answer again is no change";

    const Clock::time_point secondEnded = Clock::now();
    ASSERT_TRUE(runUntil([&] { return !manager->isConnected(name()); }));
    const double idle = (Clock::now() - secondEnded).count();
    EXPECT_GE(idle, 14.8) << "the idle timer restarts with every operation";
    EXPECT_LT(idle, 17.0);
    EXPECT_GT((Clock::now() - ended).count(), 24.0);
    ASSERT_TRUE(runUntil([&] { return manager->activity() == PrinterActivity::idle(); }));

    manager->registry()->setIdleDisconnectSeconds(3);
    ASSERT_TRUE(run(manager->sendRaw({}, name())).succeeded());
    EXPECT_EQ(printer->connectionRequests(), 2) << "after the idle drop the next job reconnects";
    const Clock::time_point third = Clock::now();
    ASSERT_TRUE(runUntil([&] { return !manager->isConnected(name()); }));
    EXPECT_NEAR((Clock::now() - third).count(), 3.0, 1.5);

    printer->setFaults(faultWith(&F::silentInfo, true));
    const auto silent = run(manager->readInfo(name()));
    EXPECT_EQ(silent.message(), u"Timed out waiting for the printer's reply."_s);
    EXPECT_GE(silent.seconds(), 2.9);
    EXPECT_LE(silent.seconds(), 5.0);
    EXPECT_EQ(manager->activity(), PrinterActivity::connected(name())) << "the link stays";
}
