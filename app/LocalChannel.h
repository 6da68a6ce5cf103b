#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace vantrel {

// How a starting Vantrel hands its request to the running one when the session has no bus: the
// running instance listens on a socket in the user's runtime folder. A lock file beside the
// socket decides which instance listens, because listening would silently replace the socket
// of a live instance.
class LocalChannel : public QObject {
    Q_OBJECT
public:
    explicit LocalChannel(QString socketPath, QObject* parent = nullptr);
    ~LocalChannel() override;

    // Sends the URIs (none: come to the front) to the instance listening at the path and waits
    // for its confirmation. False when nothing listens there or it did not confirm in time.
    static bool send(const QString& socketPath, const QStringList& uris, int timeoutMs);

    // Takes the lock and listens. False when another live instance holds the lock.
    bool listen();

Q_SIGNALS:
    // A request arrived and was confirmed.
    void received(const QStringList& uris);

private:
    void accept();
    void read(QLocalSocket* socket);

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

} // namespace vantrel
