#include "app/FileManager.h"
#include "tests/desktop/PrivateBus.h"

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
    desktoptest::PrivateBus bus;
    QDBusConnection connection = bus.connect();
    FakeFileManager fileManager;
    ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                          &fileManager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    const QString path = QStringLiteral("/tmp/A B.vtllabel");
    EXPECT_TRUE(vantrel::FileManager::reveal(path, connection));
    EXPECT_TRUE(desktoptest::waitUntil([&] { return !fileManager.shown.isEmpty(); }));
    EXPECT_EQ(fileManager.shown, QStringList{QUrl::fromLocalFile(path).toString()});
}

#include "FileManagerTest.moc"
