// The files that make Vantrel part of the desktop, read by the desktop's own tools; the
// program's --help and --version, which need no display; the file manager's reveal.
#include "app/FileManager.h"
#include "tests/desktop/PrivateBus.h"
#include "tests/support/TestSupport.h"

#include "LabelKit/platform/SessionBus.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QUrl>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

QString data(const QString& suffix) {
    return testsupport::sourcePath(u"data/"_s + SessionBus::serviceName + suffix);
}

// What a file manager answers on org.freedesktop.FileManager1.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QStringList shown;

public Q_SLOTS:
    void ShowItems(const QStringList& uris, const QString&) { shown += uris; }
};

// A key of the launcher's entry.
QString launcher(const QString& key) {
    return QRegularExpression(u"^"_s + key + u"=(.*)$"_s, QRegularExpression::MultilineOption)
        .match(QString::fromUtf8(testsupport::readBytes(data(u".desktop"_s))))
        .captured(1);
}

TEST(DesktopFiles, TheLauncherIsValidNamedAfterWhatItStartsAndShowsAndOpensLabelFiles) {
    const auto validated = desktoptest::run(u"desktop-file-validate"_s, {data(u".desktop"_s)},
                                            QProcessEnvironment::systemEnvironment());
    EXPECT_EQ(validated.exitCode, 0);
    EXPECT_EQ(validated.out + validated.err, QByteArray());
    // D-Bus activation finds the service by the launcher's name; the icon is installed by it.
    EXPECT_TRUE(QString::fromUtf8(testsupport::readBytes(data(u".service.in"_s)))
                    .contains(u"\nName="_s + SessionBus::serviceName + u'\n'));
    EXPECT_EQ(launcher(u"DBusActivatable"_s), u"true"_s);
    EXPECT_FALSE(QImage(testsupport::sourcePath(u"data/icons/"_s + launcher(u"Icon"_s) + u".svg"_s))
                     .isNull())
        << "the icon draws with Qt's SVG plugin";

    // The label file type is a kind of JSON that the launcher opens.
    QTemporaryDir share;
    ASSERT_TRUE(QDir().mkpath(share.filePath(u"mime/packages"_s)));
    ASSERT_TRUE(QFile::copy(data(u".xml"_s), share.filePath(u"mime/packages/vantrel.xml"_s)));
    const auto updated = desktoptest::run(u"update-mime-database"_s, {share.filePath(u"mime"_s)},
                                          QProcessEnvironment::systemEnvironment());
    ASSERT_EQ(updated.exitCode, 0) << updated.err.toStdString();
    const QString type =
        QRegularExpression(u"^([^:\\n]+):\\*\\.vtllabel$"_s, QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(testsupport::readBytes(share.filePath(u"mime/globs"_s))))
            .captured(1);
    EXPECT_TRUE(QString::fromUtf8(testsupport::readBytes(share.filePath(u"mime/subclasses"_s)))
                    .contains(type + u" application/json"_s));
    EXPECT_TRUE(!type.isEmpty() && launcher(u"MimeType"_s).split(u';').contains(type));
}

TEST(Program, HelpAndVersionNeedNoDisplayAndTheManPageShowsEveryOption) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s}) {
        env.remove(name);
    }
    const QString program = QStringLiteral(VANTREL_APP_PATH);
    EXPECT_EQ(desktoptest::run(program, {u"--version"_s}, env).out,
              "vantrel " VANTREL_VERSION "\n");
    const desktoptest::Finished help = desktoptest::run(program, {u"--help"_s}, env);
    EXPECT_EQ(help.exitCode, 0);
    const QString page =
        QString::fromUtf8(testsupport::readBytes(testsupport::sourcePath(u"data/man/vantrel.1"_s)))
            .replace(u"\\-"_s, u"-"_s);
    int options = 0;
    for (const auto& option : QRegularExpression(u"(?<![\\w-])--[a-z][a-z-]*"_s)
                                  .globalMatch(QString::fromUtf8(help.out))) {
        ++options;
        EXPECT_TRUE(page.contains(option.captured())) << option.captured().toStdString();
    }
    EXPECT_GE(options, 3);
}

// With a file manager on the bus, the file is shown selected in it.
TEST(FileManager, RevealsThroughTheFileManagerOnTheBus) {
    desktoptest::PrivateBus bus;
    QDBusConnection connection = bus.connect();
    FakeFileManager fileManager;
    ASSERT_TRUE(connection.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                          &fileManager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    const QString path = QStringLiteral("/tmp/A B.vtllabel");
    EXPECT_TRUE(FileManager::reveal(path, connection));
    EXPECT_TRUE(desktoptest::waitUntil([&] { return !fileManager.shown.isEmpty(); }));
    EXPECT_EQ(fileManager.shown, QStringList{QUrl::fromLocalFile(path).toString()});
}

} // namespace

#include "DesktopFilesTest.moc"
