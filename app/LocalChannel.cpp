#include "app/LocalChannel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace vantrel {

namespace {

// One request is one line of JSON, {"uris": [...]}, answered by "ok\n".
const QString urisKey = QStringLiteral("uris");
const QByteArray confirmation = "ok\n";
// A request names a few files or links; anything longer is not one of ours.
constexpr qint64 maxRequestBytes = 1024 * 1024;

} // namespace

LocalChannel::LocalChannel(QString socketPath, QObject* parent)
    : QObject(parent), m_path(std::move(socketPath)) {}

LocalChannel::~LocalChannel() {
    if (m_server) {
        m_server->close(); // removes the socket file while we still hold the lock
    }
}

bool LocalChannel::send(const QString& socketPath, const QStringList& uris, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    const QJsonObject request{{urisKey, QJsonArray::fromStringList(uris)}};
    socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    QByteArray answer;
    while (!answer.contains('\n') && socket.waitForReadyRead(timeoutMs)) {
        answer += socket.readAll();
    }
    return answer == confirmation;
}

bool LocalChannel::listen() {
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    // A lock whose owner is gone is stale at once; a live owner keeps it however old it is.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    // Holding the lock, a socket file left at the path is a dead instance's.
    QLocalServer::removeServer(m_path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_path)) {
        delete m_server;
        m_server = nullptr;
        m_lock.reset();
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &LocalChannel::accept);
    return true;
}

void LocalChannel::accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
    }
}

void LocalChannel::read(QLocalSocket* socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxRequestBytes) {
            socket->abort();
        }
        return;
    }
    const QJsonDocument request = QJsonDocument::fromJson(socket->readLine());
    const QJsonValue uris = request.object().value(urisKey);
    if (!uris.isArray()) {
        socket->abort();
        return;
    }
    QStringList list;
    for (const QJsonValue& uri : uris.toArray()) {
        list.append(uri.toString());
    }
    socket->write(confirmation);
    socket->disconnectFromServer();
    // After the confirmation is on its way: what the request opens may run a dialog.
    QMetaObject::invokeMethod(
        this, [this, list] { Q_EMIT received(list); }, Qt::QueuedConnection);
}

} // namespace vantrel
