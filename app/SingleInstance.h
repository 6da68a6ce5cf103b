#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

class LocalChannel;

// One Vantrel per session. The first start becomes the running instance: it owns the
// application's name on the session bus and answers the standard org.freedesktop.Application
// interface there (which lets the desktop start it through D-Bus), or, in a session without a
// bus, listens on a local socket. A later start hands its request over and ends.
//
// A request is a list of URIs: print links as written and label files as file URLs; an empty
// list asks the running instance to come to the front.
class SingleInstance : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    // Where the instances of one session meet.
    struct Channels {
        std::optional<QDBusConnection> bus;
        QString socketPath;

        // The session bus when there is one, and a socket in the user's runtime folder. With a
        // connection name, on a bus connection of the caller's own (see SessionBus).
        static Channels ofSession(const QString& connectionName = {});
    };

    enum class HandOver {
        noInstance, // nobody runs: become the running instance
        done,       // the running instance took the request
        failed,     // an instance runs but did not take the request
    };

    // The actions ActivateAction accepts, by their D-Bus names, with the notification each posts.
    static const QList<std::pair<QString, QString>>& actions();

    // The request of command-line arguments given in `workingDirectory`: an argument is a file
    // when it names one or has no URL scheme, and a file is passed as its absolute file URL.
    static QStringList urisFor(const QStringList& arguments, const QString& workingDirectory);

    // Hands the request to the running instance and waits for its answer. Needs an application
    // object of any kind but no display, so it can run before the windowing system is reached.
    static HandOver handOver(const Channels& channels, const QStringList& uris);

    explicit SingleInstance(Channels channels, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the running instance: exports this object with its adaptors (add them before),
    // then takes the name, or the socket. False when another instance got there first.
    bool claim();

    // The call being delivered to one of the adaptors: Qt D-Bus keeps the context of an
    // adaptor's call on the object the adaptor serves.
    QDBusContext& callContext() { return *this; }

Q_SIGNALS:
    void activateRequested();
    void openRequested(const QStringList& uris);
    // One of actions(), by its notification's name.
    void actionRequested(const QString& notification);

private:
    Channels m_channels;
    LocalChannel* m_local = nullptr;
    bool m_exported = false;
};

} // namespace vantrel
