#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>

namespace desktoptest {

// A session bus of the test's own: a dbus-daemon started for the test and stopped with this
// object (or with the test program). It knows no services to start, so nothing installed on the
// machine can answer for the application.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();

    // A connection of this process of its own.
    QDBusConnection connect();
    // The environment of a child process on this bus, without the test's offscreen platform.
    QProcessEnvironment environment() const;

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

// Runs the event loop until the condition holds or the deadline passes; whether it holds. These
// tests wait on other processes, so a busy machine may stall the loop without failing them.
bool waitUntil(const std::function<bool()>& condition, int deadlineMs = 20000);

// The reply of the application's object to a call, the event loop running meanwhile.
QDBusMessage call(const QDBusConnection& client, const QString& interface, const QString& method,
                  const QVariantList& arguments, int timeoutMs = 20000);
// The text a reply carries, or its error's name and message.
QString answer(const QDBusMessage& reply);

struct Finished {
    int exitCode = -1; // -1: crashed, or killed at the deadline
    QByteArray out;
    QByteArray err;
};

// Runs a program to its end while the event loop keeps running, so that services of the test
// process answer it.
Finished run(const QString& program, const QStringList& arguments,
             const QProcessEnvironment& environment, const QString& workingDirectory = {});

} // namespace desktoptest
