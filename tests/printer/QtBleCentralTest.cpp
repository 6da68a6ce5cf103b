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

using asyncsupport::run;
using asyncsupport::runUntil;

struct StateCase {
    const char* name;
    QString error;
    QList<bool> powered;
    BluetoothState expected;
};

void PrintTo(const StateCase& c, std::ostream* os) {
    *os << c.name;
}

class BlueZStates : public ::testing::TestWithParam<StateCase> {};

TEST_P(BlueZStates, MapOntoTheRadioStates) {
    EXPECT_EQ(QtBleCentral::stateFor(GetParam().error, GetParam().powered), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BlueZStates,
    ::testing::Values(
        StateCase{"NoSystemBus",
                  QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
                  {},
                  BluetoothState::unsupported},
        StateCase{"BlueZAbsent",
                  QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
                  {},
                  BluetoothState::unsupported},
        StateCase{"PermissionRefused",
                  QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                  {},
                  BluetoothState::unauthorized},
        StateCase{"BlueZRefuses",
                  QStringLiteral("org.bluez.Error.NotAuthorized"),
                  {},
                  BluetoothState::unauthorized},
        StateCase{"BlueZHangs",
                  QStringLiteral("org.freedesktop.DBus.Error.NoReply"),
                  {},
                  BluetoothState::unknown},
        StateCase{"NoAdapter", QString(), {}, BluetoothState::unsupported},
        StateCase{"AdapterOff", QString(), {false}, BluetoothState::poweredOff},
        StateCase{"AdapterOn", QString(), {true}, BluetoothState::poweredOn},
        StateCase{"FirstAdapterDecides", QString(), {false, true}, BluetoothState::poweredOff}),
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
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            s_missing = QStringLiteral("dbus-daemon is not installed");
            return;
        }
        QProcess probe;
        probe.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-c"), QStringLiteral("import dbusmock")});
        if (!probe.waitForFinished(20000) || probe.exitStatus() != QProcess::NormalExit ||
            probe.exitCode() != 0) {
            s_missing = QStringLiteral("python3-dbusmock is not installed");
            return;
        }
        PrivateBus& bus = privateBus();
        if (bus.pid == 0) {
            QTemporaryDir folder;
            folder.setAutoRemove(false);
            bus.folder = folder.path();
            const QString socket = QDir(bus.folder).filePath(QStringLiteral("system_bus_socket"));
            if (!QProcess::startDetached(daemon,
                                         {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                          QStringLiteral("--address=unix:path=") + socket},
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
        s_standIn->start(
            QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--system"),
             QStringLiteral("--template"),
             testsupport::sourcePath(QStringLiteral("tests/printer/ct221b_bluez.py"))});
        QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
        if (!bus ||
            !runUntil([&] { return bus->isServiceRegistered(QStringLiteral("org.bluez")).value(); },
                      15000, 20000)) {
            s_failure = "the BlueZ stand-in did not come up";
            return;
        }
        const QDBusMessage reply = standIn(QStringLiteral("AddPrinter"));
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
        QDBusMessage call =
            QDBusMessage::createMethodCall(QStringLiteral("org.bluez"), QStringLiteral("/"),
                                           QStringLiteral("org.vantrel.StandIn"), method);
        call.setArguments(arguments);
        return QDBusConnection::systemBus().call(call, QDBus::Block, 10000);
    }

    static QList<QByteArray> writes() {
        const QDBusMessage reply = standIn(QStringLiteral("Writes"));
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
        standIn(QStringLiteral("Reset"));
        standIn(QStringLiteral("SetPowered"), {true});
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
    standIn(QStringLiteral("SetPowered"), {false});
    EXPECT_TRUE(runUntil([&] { return central.state() == BluetoothState::poweredOff; }, 10000));
    standIn(QStringLiteral("SetPowered"), {true});
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

    standIn(QStringLiteral("SetRssi"), {QVariant::fromValue<qint16>(-55)});
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
    const QDBusMessage types = standIn(QStringLiteral("WriteTypes"));
    const QStringList kinds = types.arguments().value(0).toStringList();
    EXPECT_EQ(kinds.count(QStringLiteral("request")), kinds.size()) << "every write with response";

    standIn(QStringLiteral("Reset"));
}

TEST_F(BlueZStandIn, ChunkSizeSettingShapesTheWrites) {
    auto printers = manager();
    printers->setChunkSize(100);
    const auto outcome = run(printers->sendRaw(QByteArray(450, 'x'), name()), 30000);
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    QList<qsizetype> sizes;
    for (const QByteArray& chunk : writes()) {
        sizes.append(chunk.size());
    }
    EXPECT_EQ(sizes, (QList<qsizetype>{100, 100, 100, 100, 50}));
}

TEST_F(BlueZStandIn, ReadsTheInfoFromANotification) {
    auto printers = manager();
    const auto outcome = run(printers->readInfo(name()), 30000);
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_EQ(*outcome.value, (PrinterInfo{QStringLiteral("V1.0.7"), QStringLiteral("CT221B")}));
}

TEST_F(BlueZStandIn, AWriteErrorEndsTheJob) {
    standIn(QStringLiteral("SetFault"), {QStringLiteral("failWrite"), 2});
    auto printers = manager();
    const auto outcome = run(printers->sendRaw(QByteArray(1000, 'x'), name()), 30000);
    EXPECT_EQ(outcome.message(), QStringLiteral("Sending failed: The printer rejected the data."));
    EXPECT_EQ(writes().size(), 2) << "nothing after the failed chunk";
}

TEST_F(BlueZStandIn, ARemoteDisconnectMidJobEndsIt) {
    standIn(QStringLiteral("SetFault"), {QStringLiteral("dropAfter"), 2});
    auto printers = manager();
    const auto outcome = run(printers->sendRaw(QByteArray(1000, 'x'), name()), 30000);
    EXPECT_EQ(outcome.message(), QStringLiteral("The printer disconnected."));
    EXPECT_EQ(printers->activity(), PrinterActivity::idle());
    EXPECT_FALSE(printers->isConnected(name()));
}

TEST_F(BlueZStandIn, ARefusedConnectionIsReported) {
    standIn(QStringLiteral("SetFault"), {QStringLiteral("refuse"), 1});
    auto printers = manager();
    const auto outcome = run(printers->sendRaw({}, name()), 30000);
    EXPECT_TRUE(outcome.message().startsWith(QStringLiteral("Couldn't connect: ")))
        << outcome.message().toStdString();
    EXPECT_EQ(printers->activity(), PrinterActivity::idle());
}
