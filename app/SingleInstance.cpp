#include "app/SingleInstance.h"

#include "LabelKit/platform/SessionBus.h"
#include "app/ApplicationAdaptor.h"
#include "app/CommandHub.h"
#include "app/LocalChannel.h"

#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <QVariantMap>

namespace vantrel {

namespace {
// The running instance answers at once; it only queues the request.
constexpr int handOverTimeoutMs = 5000;
} // namespace

SingleInstance::Channels SingleInstance::Channels::ofSession(const QString& connectionName) {
    Channels channels;
    channels.bus = SessionBus::connection(connectionName);
    // The runtime folder is the user's own (mode 0700), so nobody else can sit on the socket.
    channels.socketPath = QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation))
                              .filePath(SessionBus::serviceName);
    return channels;
}

const QList<std::pair<QString, QString>>& SingleInstance::actions() {
    static const QList<std::pair<QString, QString>> list{
        {QStringLiteral("new-label"), Notifications::newLabel},
        {QStringLiteral("import-label"), Notifications::importLabel},
        {QStringLiteral("import-list"), Notifications::importList},
        {QStringLiteral("print"), Notifications::printLabel},
    };
    return list;
}

QStringList SingleInstance::urisFor(const QStringList& arguments, const QString& workingDirectory) {
    const QDir base(workingDirectory);
    QStringList uris;
    for (const QString& argument : arguments) {
        const QString path = base.absoluteFilePath(argument);
        // A file that exists is a file, even when its name looks like "scheme:rest".
        if (QUrl(argument).scheme().isEmpty() || QFileInfo::exists(path)) {
            uris.append(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded));
        } else {
            uris.append(argument);
        }
    }
    return uris;
}

SingleInstance::HandOver SingleInstance::handOver(const Channels& channels,
                                                  const QStringList& uris) {
    if (channels.bus) {
        if (const auto owner = SessionBus::owner(*channels.bus, SessionBus::serviceName)) {
            QDBusMessage call = QDBusMessage::createMethodCall(
                *owner, SessionBus::objectPath, ApplicationAdaptor::interfaceName(),
                uris.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("Open"));
            call.setArguments(uris.isEmpty() ? QVariantList{QVariantMap()}
                                             : QVariantList{uris, QVariantMap()});
            call.setAutoStartService(false);
            const QDBusMessage reply = channels.bus->call(call, QDBus::Block, handOverTimeoutMs);
            return reply.type() == QDBusMessage::ReplyMessage ? HandOver::done : HandOver::failed;
        }
    }
    // An instance started without a bus listens on the socket; nothing there fails at once.
    return LocalChannel::send(channels.socketPath, uris, handOverTimeoutMs) ? HandOver::done
                                                                            : HandOver::noInstance;
}

SingleInstance::SingleInstance(Channels channels, QObject* parent)
    : QObject(parent), m_channels(std::move(channels)) {
    new ApplicationAdaptor(this);
}

SingleInstance::~SingleInstance() {
    if (m_exported) {
        m_channels.bus->unregisterService(SessionBus::serviceName);
        m_channels.bus->unregisterObject(SessionBus::objectPath);
    }
}

bool SingleInstance::claim() {
    if (m_channels.bus) {
        QDBusConnection& bus = *m_channels.bus;
        // The object first: a call queued for the name is delivered as soon as we own it.
        if (!bus.registerObject(SessionBus::objectPath, this, QDBusConnection::ExportAdaptors)) {
            return false;
        }
        if (!bus.registerService(SessionBus::serviceName)) {
            bus.unregisterObject(SessionBus::objectPath);
            return false;
        }
        m_exported = true;
        return true;
    }
    m_local = new LocalChannel(m_channels.socketPath, this);
    connect(m_local, &LocalChannel::received, this, [this](const QStringList& uris) {
        if (uris.isEmpty()) {
            Q_EMIT activateRequested();
        } else {
            Q_EMIT openRequested(uris);
        }
    });
    return m_local->listen();
}

} // namespace vantrel
