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
#include <cstdlib>

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

namespace {

const QString name = u"CT221B-MOCK"_s;

QDBusMessage standIn(const QString& method, const QList<QVariant>& arguments = {}) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(u"org.bluez"_s, u"/"_s, u"org.vantrel.StandIn"_s, method);
    call.setArguments(arguments);
    return QDBusConnection::systemBus().call(call, QDBus::Block, 10000);
}

// The stand-in on the system bus with the printer added, or nothing when it did not come up.
std::unique_ptr<QProcess> startStandIn() {
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(u"/usr/bin/python3"_s,
                   {u"-m"_s, u"dbusmock"_s, u"--system"_s, u"--template"_s,
                    testsupport::sourcePath(u"tests/printer/ct221b_bluez.py"_s)});
    QDBusConnectionInterface* bus = QDBusConnection::systemBus().interface();
    const bool up =
        bus &&
        runUntil([&] { return bus->isServiceRegistered(u"org.bluez"_s).value(); }, 15000, 20000);
    if (!up || standIn(u"AddPrinter"_s).type() == QDBusMessage::ErrorMessage) {
        return nullptr;
    }
    return process;
}

} // namespace

// The QtBluetooth backend against a BlueZ stand-in: python-dbusmock's bluez5 template with the
// printer's GATT objects (ct221b_bluez.py), on a private bus that the test starts as the
// system bus. The backend follows the adapter and BlueZ itself, discovers the printer by its
// advertised name with its signal, writes a job in chunks with response after switching
// notifications on, and ends a job with the message of a write error, a remote disconnect mid-job
// or a refused connection, writing nothing more and leaving no link.
TEST(BlueZStandIn, FollowsTheAdapterDiscoversAndWritesInChunks) {
    // The private bus lives as long as the test program: QtDBus keeps its first system bus
    // connection for the life of the process.
    static QTemporaryDir folder;
    static qint64 pid = 0;
    const QString socket = folder.filePath(u"system_bus_socket"_s);
    if (pid == 0) {
        ASSERT_TRUE(QProcess::startDetached(
            u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--address=unix:path="_s + socket},
            QString(), &pid));
        std::atexit([] { ::kill(pid_t(pid), SIGTERM); });
        // QtDBus and QtBluetooth read these on first use of the system bus.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + socket).toUtf8());
        qputenv("BLUETOOTH_FORCE_DBUS_LE_VERSION", "5.50");
    }
    ASSERT_TRUE(runUntil([&] { return QFileInfo::exists(socket); }, 10000, 20000));
    std::unique_ptr<QProcess> process = startStandIn();
    ASSERT_TRUE(process) << "the BlueZ stand-in did not come up";

    MemorySettingsStore settings;
    PrinterManager manager(&settings, new QtBleCentral());
    const auto expectState = [&](BluetoothState state) {
        EXPECT_TRUE(runUntil([&] { return manager.bluetoothState() == state; }, 10000))
            << int(state);
    };
    expectState(BluetoothState::poweredOn);
    manager.startScanning();
    ASSERT_TRUE(runUntil([&] { return !manager.printers().isEmpty(); }, 10000));
    EXPECT_EQ(manager.printers()[0].advertisedName, name);
    EXPECT_EQ(manager.printers()[0].rssi, -79);
    standIn(u"SetRssi"_s, {QVariant::fromValue<qint16>(-55)});
    EXPECT_TRUE(runUntil([&] { return manager.printers()[0].rssi == -55; }, 10000))
        << "signal updates arrive while scanning";
    manager.stopScanning();
    EXPECT_FALSE(manager.isScanning());

    const QByteArray job = ManagerFixture::jobOfSize(1000);
    const auto outcome = run(manager.sendRaw(job, name), 30000);
    ASSERT_TRUE(outcome.succeeded()) << outcome.message().toStdString();
    EXPECT_EQ(manager.activity(), PrinterActivity::connected(name))
        << "connected means the notifications came on";
    const auto writes = [] {
        return qdbus_cast<QList<QByteArray>>(standIn(u"Writes"_s).arguments().value(0));
    };
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
    const auto info = run(manager.readInfo(name), 30000);
    ASSERT_TRUE(info.succeeded()) << info.message().toStdString();
    EXPECT_EQ(*info.value, (PrinterInfo{u"V1.0.7"_s, u"CT221B"_s})) << "read from a notification";

    const struct {
        const char* fault;
        QString message;
        qsizetype writes;
    } cases[] = {
        {"failWrite", u"Sending failed: The printer rejected the data."_s, 2},
        {"dropAfter", u"The printer disconnected."_s, 2},
        {"refuse", u"Couldn't connect: "_s, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        standIn(u"Reset"_s);
        ASSERT_TRUE(runUntil([&] { return !manager.isConnected(name); }, 10000));
        standIn(u"SetFault"_s, {QString::fromLatin1(c.fault), 2});
        const auto failed = run(manager.sendRaw(QByteArray(1000, 'x'), name), 30000);
        EXPECT_TRUE(failed.message().startsWith(c.message)) << failed.message().toStdString();
        EXPECT_EQ(writes().size(), c.writes);
        EXPECT_EQ(manager.activity(), PrinterActivity::idle());
        EXPECT_FALSE(manager.isConnected(name));
    }

    standIn(u"SetPowered"_s, {false});
    expectState(BluetoothState::poweredOff);
    standIn(u"SetPowered"_s, {true});
    expectState(BluetoothState::poweredOn);
    process.reset();
    expectState(BluetoothState::unsupported);
    process = startStandIn();
    ASSERT_TRUE(process) << "the BlueZ stand-in did not come up again";
    expectState(BluetoothState::poweredOn);
}
