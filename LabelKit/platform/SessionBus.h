#pragma once

#include <QDBusConnection>
#include <QString>

#include <optional>

namespace vantrel {

// The user's session bus and the names the desktop application answers to on it: the
// application owns the service name, and vantrel-cli finds it there.
namespace SessionBus {

inline const QString serviceName = QStringLiteral("org.vantrel.Vantrel");
inline const QString objectPath = QStringLiteral("/org/vantrel/Vantrel");
inline const QString automationInterface = QStringLiteral("org.vantrel.Vantrel.Automation");
// The error of an automation call that failed; its message is the text for the user.
inline const QString failedError = QStringLiteral("org.vantrel.Vantrel.Error.Failed");

// The session bus, when this session has one. Nothing when the environment names no bus and
// the per-user bus socket is absent: asking libdbus then would start a bus daemon through
// dbus-launch that outlives the process.
//
// With a name, a connection of the caller's own, which it closes with
// QDBusConnection::disconnectFromBus(name). A process that talks on the bus before its
// application object is replaced by another needs one: the shared connection opened under the
// first object never delivers calls under the second.
std::optional<QDBusConnection> connection(const QString& privateName = {});

// The unique name of the process that owns `name` on the bus, without starting anything.
std::optional<QString> owner(const QDBusConnection& bus, const QString& name);

} // namespace SessionBus

} // namespace vantrel
