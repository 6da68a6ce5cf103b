#include "tests/desktop/PrivateBus.h"

#include "tests/printer/AsyncSupport.h"

#include <QDBusError>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/prctl.h>

namespace desktoptest {

namespace {
const char* const config = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%1</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";
} // namespace

PrivateBus::PrivateBus() {
    const QString file = m_dir.filePath(QStringLiteral("bus.conf"));
    QFile conf(file);
    EXPECT_TRUE(conf.open(QIODevice::WriteOnly) &&
                conf.write(QString::fromLatin1(config).arg(m_dir.path()).toUtf8()) > 0);
    conf.close();
    // The daemon ends with the test program, even when the program crashes.
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + file, QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
    EXPECT_TRUE(m_daemon.waitForStarted(10000)) << "dbus-daemon: is the dbus package installed?";
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    EXPECT_FALSE(m_address.isEmpty()) << m_daemon.readAllStandardError().toStdString();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : std::as_const(m_connections)) {
        QDBusConnection::disconnectFromBus(name);
    }
    m_daemon.terminate();
    m_daemon.waitForFinished(5000);
}

QDBusConnection PrivateBus::connect() {
    static int count = 0;
    const QString name = QStringLiteral("test-bus-%1").arg(++count);
    m_connections.append(name);
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, name);
    EXPECT_TRUE(bus.isConnected()) << bus.lastError().message().toStdString();
    return bus;
}

QProcessEnvironment PrivateBus::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

Finished run(const QString& program, const QStringList& arguments,
             const QProcessEnvironment& environment, int deadlineMs,
             const QString& workingDirectory) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    QElapsedTimer elapsed;
    elapsed.start();
    process.start(program, arguments);
    process.closeWriteChannel();
    Finished finished;
    if (!process.waitForStarted(10000)) {
        ADD_FAILURE() << program.toStdString() << " did not start";
        return finished;
    }
    if (!asyncsupport::runUntil([&] { return process.state() == QProcess::NotRunning; },
                                deadlineMs)) {
        ADD_FAILURE() << program.toStdString() << " did not end in time";
        process.kill();
        process.waitForFinished();
    }
    finished.milliseconds = elapsed.elapsed();
    finished.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    finished.out = process.readAllStandardOutput();
    finished.err = process.readAllStandardError();
    return finished;
}

} // namespace desktoptest
