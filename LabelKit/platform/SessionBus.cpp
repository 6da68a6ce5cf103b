#include "LabelKit/platform/SessionBus.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QFileInfo>

namespace vantrel {

std::optional<QDBusConnection> SessionBus::connection(const QString& privateName) {
    const bool named = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!named && (runtime.isEmpty() || !QFileInfo(runtime + QStringLiteral("/bus")).exists())) {
        return std::nullopt;
    }
    QDBusConnection bus =
        privateName.isEmpty()
            ? QDBusConnection::sessionBus()
            : QDBusConnection::connectToBus(QDBusConnection::SessionBus, privateName);
    if (!bus.isConnected()) {
        return std::nullopt;
    }
    return bus;
}

std::optional<QString> SessionBus::owner(const QDBusConnection& bus, const QString& name) {
    if (!bus.isConnected() || !bus.interface()) {
        return std::nullopt;
    }
    const QDBusReply<QString> reply = bus.interface()->serviceOwner(name);
    if (!reply.isValid()) {
        return std::nullopt;
    }
    return reply.value();
}

} // namespace vantrel
