#include "tools/vantrel-cli/RunningApp.h"

#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/SessionBus.h"

#include <QDBusError>
#include <QDBusMessage>

namespace vantrel {

namespace {
// A print waits its turn behind whatever the application is printing: a long batch takes
// minutes, and the printer manager ends a stuck operation on its own.
constexpr int callTimeoutMs = 30 * 60 * 1000;
} // namespace

RunningApp::RunningApp(QDBusConnection bus, QString owner)
    : m_bus(std::move(bus)), m_owner(std::move(owner)) {}

std::optional<RunningApp> RunningApp::find() {
    const std::optional<QDBusConnection> bus = SessionBus::connection();
    if (!bus) {
        return std::nullopt;
    }
    const std::optional<QString> owner = SessionBus::owner(*bus, SessionBus::serviceName);
    if (!owner) {
        return std::nullopt;
    }
    return RunningApp(*bus, *owner);
}

std::optional<QString> RunningApp::call(const QString& method,
                                        const QVariantList& arguments) const {
    QDBusMessage message = QDBusMessage::createMethodCall(m_owner, SessionBus::objectPath,
                                                          SessionBus::automationInterface, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, callTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
        return reply.arguments().first().toString();
    }
    switch (QDBusError(reply).type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::Disconnected:
        return std::nullopt;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
        throw UserError(QStringLiteral("Vantrel did not answer in time."));
    case QDBusError::InvalidArgs:
        throw UserError(reply.errorMessage());
    default:
        break;
    }
    if (reply.errorName() == SessionBus::failedError) {
        throw UserError(reply.errorMessage());
    }
    throw UserError(QStringLiteral("Vantrel could not print: %1").arg(reply.errorMessage()));
}

} // namespace vantrel
