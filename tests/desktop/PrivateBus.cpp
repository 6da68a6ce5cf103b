#include "tests/desktop/PrivateBus.h"

#include "tests/printer/AsyncSupport.h"
#include "tests/support/TestSupport.h"

#include "LabelKit/platform/SessionBus.h"

#include <QDBusPendingCall>

#include <gtest/gtest.h>

#include <csignal>
#include <limits>

#include <sys/prctl.h>

namespace desktoptest {

PrivateBus::PrivateBus() {
    const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
    const QString text = QString::fromUtf8(
        testsupport::readBytes(testsupport::dataPath(QStringLiteral("private-bus.conf"))));
    testsupport::writeBytes(config, text.arg(m_dir.path()).toUtf8());
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                    QStringLiteral("--print-address=1")});
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    EXPECT_FALSE(m_address.isEmpty()) << "dbus-daemon: " << m_daemon.errorString().toStdString();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : std::as_const(m_connections)) {
        QDBusConnection::disconnectFromBus(name);
    }
    m_daemon.terminate();
    m_daemon.waitForFinished(5000);
}

QDBusConnection PrivateBus::connect() {
    m_connections.append(QStringLiteral("test-bus-%1").arg(quintptr(this)) +
                         QString::number(m_connections.size()));
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_connections.last());
    EXPECT_TRUE(bus.isConnected()) << bus.lastError().message().toStdString();
    return bus;
}

QProcessEnvironment PrivateBus::environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

bool waitUntil(const std::function<bool()>& condition, int deadlineMs) {
    return asyncsupport::runUntil(condition, deadlineMs, std::numeric_limits<int>::max());
}

QDBusMessage call(const QDBusConnection& client, const QString& interface, const QString& method,
                  const QVariantList& arguments, int timeoutMs) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        vantrel::SessionBus::serviceName, vantrel::SessionBus::objectPath, interface, method);
    message.setArguments(arguments);
    QDBusPendingCall pending = client.asyncCall(message, timeoutMs);
    waitUntil([&] { return pending.isFinished(); }, timeoutMs + 1000);
    return pending.reply();
}

QString answer(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage
               ? reply.arguments().value(0).toString()
               : reply.errorName() + QStringLiteral(": ") + reply.errorMessage();
}

Finished run(const QString& program, const QStringList& arguments,
             const QProcessEnvironment& environment, const QString& workingDirectory) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(program, arguments);
    process.closeWriteChannel();
    if (!process.waitForStarted(10000)) {
        ADD_FAILURE() << program.toStdString() << " did not start";
        return {};
    }
    if (!waitUntil([&] { return process.state() == QProcess::NotRunning; }, 30000)) {
        ADD_FAILURE() << program.toStdString() << " did not end in time";
        process.kill();
        process.waitForFinished();
    }
    Finished finished;
    finished.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    finished.out = process.readAllStandardOutput();
    finished.err = process.readAllStandardError();
    return finished;
}

} // namespace desktoptest
