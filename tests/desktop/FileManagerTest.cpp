#include "app/FileManager.h"

#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// What a file manager answers on org.freedesktop.FileManager1.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
};

} // namespace

// With a file manager on the bus, the file is shown selected in it.
TEST(FileManager, RevealsThroughTheFileManagerOnTheBus) {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    ASSERT_FALSE(daemon.isEmpty()) << "dbus-daemon is part of the test tools";
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("bus"));
    QProcess bus;
    bus.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--address=unix:path=") + socket});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, 10000));

    QDBusConnection connection = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=") + socket, QStringLiteral("file-manager-test"));
    ASSERT_TRUE(connection.isConnected());
    FakeFileManager fileManager;
    ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                          &fileManager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.FileManager1")));

    const QString path = dir.filePath(QStringLiteral("A B.vtllabel"));
    EXPECT_TRUE(vantrel::FileManager::reveal(path, connection));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return fileManager.shown == QStringList{QUrl::fromLocalFile(path).toString()}; }));

    QDBusConnection::disconnectFromBus(QStringLiteral("file-manager-test"));
    bus.terminate();
    bus.waitForFinished();
}

#include "FileManagerTest.moc"
