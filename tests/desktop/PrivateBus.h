#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace desktoptest {

// A session bus of the test's own: a dbus-daemon started for the test and stopped with this
// object. It knows no services to start, so nothing installed on the machine can answer for
// the application.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const QString& address() const { return m_address; }
    // A connection of this process of its own, closed with the bus.
    QDBusConnection connect();
    // The system environment for a child process on this bus, without the offscreen platform
    // of the test process.
    QProcessEnvironment environment() const;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

// How a child process ended.
struct Finished {
    int exitCode = -1; // -1: crashed, or killed at the deadline
    QByteArray out;
    QByteArray err;
    qint64 milliseconds = 0;
};

// Runs a program to its end while this process's event loop keeps running, so that services
// of the test process answer it.
Finished run(const QString& program, const QStringList& arguments,
             const QProcessEnvironment& environment, int deadlineMs = 30000,
             const QString& workingDirectory = {});

} // namespace desktoptest
