#include "LabelKit/printer/QtBleCentral.h"

#include "LabelKit/printer/PrinterManager.h"
#include "tests/printer/ManagerFixture.h"
#include "tests/support/TestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace vantrel;

using namespace Qt::StringLiterals;

using asyncsupport::run;
using asyncsupport::runUntil;

// What BlueZ answers about its adapters, or the D-Bus error of the question, gives the state.
TEST(BlueZStates, MapOntoTheRadioStates) {
    using S = BluetoothState;
    const struct {
        S expected;
        QList<bool> powered; // the adapters' Powered properties, in order
        const char* error{};
    } cases[] = {
        {S::unsupported, {}, "org.freedesktop.DBus.Error.NoServer"},
        {S::unsupported, {}, "org.freedesktop.DBus.Error.ServiceUnknown"},
        {S::unauthorized, {}, "org.freedesktop.DBus.Error.AccessDenied"},
        {S::unauthorized, {}, "org.bluez.Error.NotAuthorized"},
        {S::unknown, {}, "org.freedesktop.DBus.Error.NoReply"},
        {S::unsupported, {}}, // no adapter
        {S::poweredOff, {false}},
        {S::poweredOn, {true}},
        {S::poweredOff, {false, true}}, // the first adapter decides
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QtBleCentral::stateFor(QString::fromLatin1(c.error), c.powered), c.expected)
            << c.error << c.powered.size();
    }
}

// The QtBluetooth backend against a BlueZ stand-in: python-dbusmock's bluez5 template with the
// printer's GATT objects (ct221b_bluez.py), on a private bus that the test starts as the
// system bus.
class BlueZStandIn : public ::testing::Test {
protected:
    // The private bus lives as long as the test program: QtDBus keeps its first system bus
    // connection for the life of the process.
    struct PrivateBus {
        qint64 pid = 0;
        QTemporaryDir folder;
        ~PrivateBus() {
            if (pid > 0) {
                ::kill(pid_t(pid), SIGTERM);
            }
        }
    };

    static void SetUpTestSuite() {
        static PrivateBus bus;
        if (bus.pid == 0) {
            const QString socket = bus.folder.filePath(u"system_bus_socket"_s);
            if (!QProcess::startDetached(
                    u"dbus-daemon"_s,
                    {u"--session"_s, u"--nofork"_s, u"--address=unix:path="_s + socket}, QString(),
                    &bus.pid) ||
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
        } else if (const QDBusMessage reply = standIn(u"AddPrinter"_s);
                   reply.type() == QDBusMessage::ErrorMessage) {
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
        return qdbus_cast<QList<QByteArray>>(standIn(u"Writes"_s).arguments().value(0));
    }

    void SetUp() override {
        ASSERT_TRUE(s_failure.empty()) << s_failure;
        standIn(u"Reset"_s);
        standIn(u"SetPowered"_s, {true});
    }

    static QString name() { return u"CT221B-MOCK"_s; }

    // A printer manager over the real backend.
    std::unique_ptr<PrinterManager> manager() {
        auto created = std::make_unique<PrinterManager>(&m_settings, new QtBleCentral());
        EXPECT_TRUE(runUntil([&] { return created->bluetoothState() == BluetoothState::poweredOn; },
                             10000));
        return created;
    }

    MemorySettingsStore m_settings;

    static inline std::string s_failure;
    static inline QProcess* s_standIn = nullptr;
};

// The backend follows the adapter and BlueZ itself, and discovers the printer by its advertised
// name with its signal.
TEST_F(BlueZStandIn, FollowsTheAdapterAndDiscoversThePrinter) {
    QtBleCentral central;
    const auto expectState = [&](BluetoothState state) {
        EXPECT_TRUE(runUntil([&] { return central.state() == state; }, 10000)) << int(state);
    };
    QList<std::pair<QString, int>> seen;
    QObject::connect(&central, &BleCentral::discovered,
                     [&](const QUuid&, const QString& localName, const QString&, int rssi) {
                         seen.append({localName, rssi});
                     });
    expectState(BluetoothState::poweredOn);
    central.scanForPeripherals();
    EXPECT_TRUE(central.isScanning());
    ASSERT_TRUE(runUntil([&] { return !seen.isEmpty(); }, 10000)) << "nothing discovered";
    EXPECT_EQ(seen.first(), std::make_pair(name(), -79));
    standIn(u"SetRssi"_s, {QVariant::fromValue<qint16>(-55)});
    EXPECT_TRUE(runUntil([&] { return seen.last().second == -55; }, 10000))
        << "signal updates arrive while scanning";
    central.stopScan();
    EXPECT_FALSE(central.isScanning());

    standIn(u"SetPowered"_s, {false});
    expectState(BluetoothState::poweredOff);
    standIn(u"SetPowered"_s, {true});
    expectState(BluetoothState::poweredOn);
    stopStandIn();
    expectState(BluetoothState::unsupported);
    startStandIn();
    ASSERT_TRUE(s_failure.empty()) << s_failure;
    expectState(BluetoothState::poweredOn);
}

TEST_F(BlueZStandIn, WritesAJobInChunksWithResponseAfterSwitchingNotificationsOn) {
    auto printers = manager();
    const QByteArray job = ManagerFixture::jobOfSize(1000);
    const auto outcome = run(printers->sendRaw(job, name()), 30000);
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_EQ(printers->activity(), PrinterActivity::connected(name()))
        << "connected means the notifications came on";
    QByteArray joined;
    QList<qsizetype> sizes;
    for (const QByteArray& chunk : writes()) {
        joined += chunk;
        sizes.append(chunk.size());
    }
    EXPECT_EQ(joined, job);
    ASSERT_GE(sizes.size(), 5);
    EXPECT_EQ(sizes.first(), 237) << "BlueZ tells no MTU, so the configured chunk size applies";
    EXPECT_EQ(sizes.last(), job.size() % 237);

    const auto info = run(printers->readInfo(name()), 30000);
    ASSERT_TRUE(info.succeeded()) << info.message().toStdString();
    EXPECT_EQ(*info.value, (PrinterInfo{u"V1.0.7"_s, u"CT221B"_s})) << "read from a notification";
    standIn(u"Reset"_s);
}

// A write error, a remote disconnect mid-job and a refused connection end the job with their
// message, write nothing more, and leave no link.
TEST_F(BlueZStandIn, FaultsEndTheJob) {
    const struct {
        const char* fault;
        QByteArray job;
        QString message;
        qsizetype writes;
    } cases[] = {
        {"failWrite", QByteArray(1000, 'x'), u"Sending failed: The printer rejected the data."_s,
         2},
        {"dropAfter", QByteArray(1000, 'x'), u"The printer disconnected."_s, 2},
        {"refuse", QByteArray(), u"Couldn't connect: "_s, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        standIn(u"Reset"_s);
        standIn(u"SetFault"_s, {QString::fromLatin1(c.fault), 2});
        auto printers = manager();
        const auto outcome = run(printers->sendRaw(c.job, name()), 30000);
        EXPECT_TRUE(outcome.message().startsWith(c.message)) << outcome.message().toStdString();
        EXPECT_EQ(writes().size(), c.writes);
        EXPECT_EQ(printers->activity(), PrinterActivity::idle());
        EXPECT_FALSE(printers->isConnected(name()));
    }
}
