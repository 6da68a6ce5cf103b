#include "LabelKit/printer/QtBleCentral.h"

#include "LabelKit/printer/PrinterManager.h"
#include "tests/printer/AsyncSupport.h"
#include "tests/printer/ManagerFixture.h"
#include "tests/printer/TsplJobs.h"
#include "tests/support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace vantrel;

using namespace Qt::StringLiterals;

using asyncsupport::run;
using asyncsupport::runUntil;

struct StateCase {
    const char* name;
    BluetoothState expected;
    QList<bool> powered; // the adapters' Powered properties, in order
    const char* error{}; // the D-Bus error of the query, if any
};

class BlueZStates : public ::testing::TestWithParam<StateCase> {};

TEST_P(BlueZStates, MapOntoTheRadioStates) {
    EXPECT_EQ(QtBleCentral::stateFor(QString::fromLatin1(GetParam().error), GetParam().powered),
              GetParam().expected);
}

using S = BluetoothState;

INSTANTIATE_TEST_SUITE_P(
    Answers, BlueZStates,
    ::testing::Values(
        StateCase{"NoSystemBus", S::unsupported, {}, "org.freedesktop.DBus.Error.NoServer"},
        StateCase{"BlueZAbsent", S::unsupported, {}, "org.freedesktop.DBus.Error.ServiceUnknown"},
        StateCase{
            "PermissionRefused", S::unauthorized, {}, "org.freedesktop.DBus.Error.AccessDenied"},
        StateCase{"BlueZRefuses", S::unauthorized, {}, "org.bluez.Error.NotAuthorized"},
        StateCase{"BlueZHangs", S::unknown, {}, "org.freedesktop.DBus.Error.NoReply"},
        StateCase{"NoAdapter", S::unsupported, {}}, StateCase{"AdapterOff", S::poweredOff, {false}},
        StateCase{"AdapterOn", S::poweredOn, {true}},
        StateCase{"FirstAdapterDecides", S::poweredOff, {false, true}}),
    [](const auto& test) { return std::string(test.param.name); });

// The QtBluetooth backend against a BlueZ stand-in: python-dbusmock's bluez5 template with the
// printer's GATT objects (ct221b_bluez.py), on a private bus that the test starts as the
// system bus and stops again.
class BlueZStandIn : public ::testing::Test {
protected:
    static constexpr const char* printerName = "CT221B-MOCK";

    // The private bus lives as long as the test program: QtDBus keeps its first system bus
    // connection for the life of the process.
    struct PrivateBus {
        qint64 pid = 0;
        QString folder;
        ~PrivateBus() {
            if (pid > 0) {
                ::kill(pid_t(pid), SIGTERM);
            }
            if (!folder.isEmpty()) {
                QDir(folder).removeRecursively();
            }
        }
    };

    static PrivateBus& privateBus() {
        static PrivateBus bus;
        return bus;
    }

    static void SetUpTestSuite() {
        const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_s);
        if (daemon.isEmpty()) {
            s_missing = u"dbus-daemon is not installed"_s;
            return;
        }
        QProcess probe;
        probe.start(u"/usr/bin/python3"_s, {u"-c"_s, u"import dbusmock"_s});
        if (!probe.waitForFinished(20000) || probe.exitStatus() != QProcess::NormalExit ||
            probe.exitCode() != 0) {
            s_missing = u"python3-dbusmock is not installed"_s;
            return;
        }
        PrivateBus& bus = privateBus();
        if (bus.pid == 0) {
            QTemporaryDir folder;
            folder.setAutoRemove(false);
            bus.folder = folder.path();
            const QString socket = QDir(bus.folder).filePath(u"system_bus_socket"_s);
            if (!QProcess::startDetached(
                    daemon, {u"--session"_s, u"--nofork"_s, u"--address=unix:path="_s + socket},
                    QString(), &bus.pid) ||
                !runUntil([&] { return QFileInfo::exists(socket); }, 10000, 20000)) {
                s_failure = "the private bus did not start";
                return;
            }
            // QtDBus and QtBluetooth read these on first use of the system bus.
            qputenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + socket).toUtf8());
            qputenv("BLUETOOTH_FORCE_DBUS_LE_VERSION", "5.50");
        }
        startStandIn();
    }

    static void TearDownTestSuite() { stopStandIn(); }

    static void startStandIn() {
        s_standIn = new QProcess;
        s_standIn->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        s_standIn->start(u"/usr/bin/python3"_s,
                         {u"-m"_s, u"dbusmock"_s, u"--system"_s, u"--template"_s,
                          testsupport::sourcePath(u"tests/printer/ct221b_bluez.py"_s)});
        QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
        if (!bus || !runUntil([&] { return bus->isServiceRegistered(u"org.bluez"_s).value(); },
                              15000, 20000)) {
            s_failure = "the BlueZ stand-in did not come up";
            return;
        }
        const QDBusMessage reply = standIn(u"AddPrinter"_s);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            s_failure = "the stand-in refused AddPrinter: " + reply.errorMessage().toStdString();
        }
    }

    static void stopStandIn() {
        if (s_standIn) {
            s_standIn->terminate();
            s_standIn->waitForFinished(5000);
            delete s_standIn;
            s_standIn = nullptr;
        }
    }

    static QDBusMessage standIn(const QString& method, const QList<QVariant>& arguments = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(u"org.bluez"_s, u"/"_s,
                                                           u"org.vantrel.StandIn"_s, method);
        call.setArguments(arguments);
        return QDBusConnection::systemBus().call(call, QDBus::Block, 10000);
    }

    static QList<QByteArray> writes() {
        const QDBusMessage reply = standIn(u"Writes"_s);
        QList<QByteArray> list;
        if (!reply.arguments().isEmpty()) {
            list = qdbus_cast<QList<QByteArray>>(reply.arguments().first());
        }
        return list;
    }

    void SetUp() override {
        if (!s_missing.isEmpty()) {
            GTEST_SKIP() << s_missing.toStdString();
        }
        ASSERT_TRUE(s_failure.empty()) << s_failure;
        if (!s_standIn) {
            startStandIn();
            ASSERT_TRUE(s_failure.empty()) << s_failure;
        }
        standIn(u"Reset"_s);
        standIn(u"SetPowered"_s, {true});
    }

    QString name() const { return QString::fromLatin1(printerName); }

    // A printer manager over the real backend.
    std::unique_ptr<PrinterManager> manager() {
        auto created = std::make_unique<PrinterManager>(&m_settings, new QtBleCentral());
        EXPECT_TRUE(runUntil([&] { return created->bluetoothState() == BluetoothState::poweredOn; },
                             10000));
        return created;
    }

    MemorySettingsStore m_settings;

    static inline QString s_missing;
    static inline std::string s_failure;
    static inline QProcess* s_standIn = nullptr;
};

TEST_F(BlueZStandIn, FollowsTheAdapterAndBlueZItself) {
    QtBleCentral central;
    ASSERT_TRUE(runUntil([&] { return central.state() == BluetoothState::poweredOn; }, 10000));
    standIn(u"SetPowered"_s, {false});
    EXPECT_TRUE(runUntil([&] { return central.state() == BluetoothState::poweredOff; }, 10000));
    standIn(u"SetPowered"_s, {true});
    EXPECT_TRUE(runUntil([&] { return central.state() == BluetoothState::poweredOn; }, 10000));

    stopStandIn();
    EXPECT_TRUE(runUntil([&] { return central.state() == BluetoothState::unsupported; }, 10000))
        << "BlueZ gone";
    startStandIn();
    ASSERT_TRUE(s_failure.empty()) << s_failure;
    EXPECT_TRUE(runUntil([&] { return central.state() == BluetoothState::poweredOn; }, 10000))
        << "BlueZ back with a powered adapter";
}

TEST_F(BlueZStandIn, DiscoversThePrinterByItsAdvertisedNameWithItsSignal) {
    QtBleCentral central;
    ASSERT_TRUE(runUntil([&] { return central.state() == BluetoothState::poweredOn; }, 10000));
    QList<std::pair<QString, int>> seen;
    QObject::connect(&central, &BleCentral::discovered,
                     [&](const QUuid&, const QString& localName, const QString&, int rssi) {
                         seen.append({localName, rssi});
                     });
    central.scanForPeripherals();
    EXPECT_TRUE(central.isScanning());
    ASSERT_TRUE(runUntil([&] { return !seen.isEmpty(); }, 10000)) << "nothing discovered";
    EXPECT_EQ(seen.first(), std::make_pair(name(), -79));

    standIn(u"SetRssi"_s, {QVariant::fromValue<qint16>(-55)});
    EXPECT_TRUE(runUntil([&] { return seen.last().second == -55; }, 10000))
        << "signal updates arrive while scanning";
    central.stopScan();
    EXPECT_FALSE(central.isScanning());
}

TEST_F(BlueZStandIn, WritesAJobInChunksWithResponseAfterSwitchingNotificationsOn) {
    auto printers = manager();
    const QByteArray job = tspljobs::jobOfSize(1000);
    const auto outcome = run(printers->sendRaw(job, name()), 30000);
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_EQ(printers->activity(), PrinterActivity::connected(name()))
        << "connected means the notifications came on";

    const QList<QByteArray> chunks = writes();
    QByteArray joined;
    QList<qsizetype> sizes;
    for (const QByteArray& chunk : chunks) {
        joined += chunk;
        sizes.append(chunk.size());
    }
    EXPECT_EQ(joined, job);
    ASSERT_GE(sizes.size(), 5);
    EXPECT_EQ(sizes.first(), 237) << "BlueZ tells no MTU, so the configured chunk size applies";
    EXPECT_EQ(sizes.last(), job.size() % 237);
    const QDBusMessage types = standIn(u"WriteTypes"_s);
    const QStringList kinds = types.arguments().value(0).toStringList();
    EXPECT_EQ(kinds.count(u"request"_s), kinds.size()) << "every write with response";

    standIn(u"Reset"_s);
}

TEST_F(BlueZStandIn, ReadsTheInfoFromANotification) {
    auto printers = manager();
    const auto outcome = run(printers->readInfo(name()), 30000);
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_EQ(*outcome.value, (PrinterInfo{u"V1.0.7"_s, u"CT221B"_s}));
}

TEST_F(BlueZStandIn, AWriteErrorEndsTheJob) {
    standIn(u"SetFault"_s, {u"failWrite"_s, 2});
    auto printers = manager();
    const auto outcome = run(printers->sendRaw(QByteArray(1000, 'x'), name()), 30000);
    EXPECT_EQ(outcome.message(), u"Sending failed: The printer rejected the data."_s);
    EXPECT_EQ(writes().size(), 2) << "nothing after the failed chunk";
}

TEST_F(BlueZStandIn, ARemoteDisconnectMidJobEndsIt) {
    standIn(u"SetFault"_s, {u"dropAfter"_s, 2});
    auto printers = manager();
    const auto outcome = run(printers->sendRaw(QByteArray(1000, 'x'), name()), 30000);
    EXPECT_EQ(outcome.message(), u"The printer disconnected."_s);
    EXPECT_EQ(printers->activity(), PrinterActivity::idle());
    EXPECT_FALSE(printers->isConnected(name()));
}

TEST_F(BlueZStandIn, ARefusedConnectionIsReported) {
    standIn(u"SetFault"_s, {u"refuse"_s, 1});
    auto printers = manager();
    const auto outcome = run(printers->sendRaw({}, name()), 30000);
    EXPECT_TRUE(outcome.message().startsWith(u"Couldn't connect: "_s))
        << outcome.message().toStdString();
    EXPECT_EQ(printers->activity(), PrinterActivity::idle());
}
