// The files that make Vantrel part of the desktop, read by the desktop's own tools, and the
// program's --help and --version, which need no display.
#include "tests/desktop/PrivateBus.h"
#include "tests/support/TestSupport.h"

#include "LabelKit/platform/SessionBus.h"

#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

using testsupport::sourcePath;

QString desktopFile() {
    return sourcePath(u"data/"_s + SessionBus::serviceName + u".desktop"_s);
}

// The value of a key of the launcher's main group.
QString launcherValue(const QString& key) {
    const QString text = QString::fromUtf8(testsupport::readBytes(desktopFile()));
    const QRegularExpressionMatch match =
        QRegularExpression(u"^"_s + key + u"=(.*)$"_s, QRegularExpression::MultilineOption)
            .match(text);
    return match.captured(1);
}

TEST(DesktopFiles, TheLauncherIsValidAndActivatedByTheNameTheApplicationOwns) {
    const desktoptest::Finished validated = desktoptest::run(
        u"desktop-file-validate"_s, {desktopFile()}, QProcessEnvironment::systemEnvironment());
    EXPECT_EQ(validated.exitCode, 0) << "desktop-file-validate (desktop-file-utils) missing?";
    EXPECT_EQ(validated.out + validated.err, QByteArray());

    // D-Bus activation finds the service file by the launcher's name.
    const QString service = QString::fromUtf8(testsupport::readBytes(
        sourcePath(u"data/"_s + SessionBus::serviceName + u".service.in"_s)));
    EXPECT_TRUE(service.contains(u"\nName="_s + SessionBus::serviceName + u'\n'));
    EXPECT_EQ(launcherValue(u"DBusActivatable"_s), u"true"_s);
    EXPECT_EQ(launcherValue(u"Icon"_s), SessionBus::serviceName);
    EXPECT_TRUE(
        QFileInfo::exists(sourcePath(u"data/icons/"_s + SessionBus::serviceName + u".svg"_s)));
}

TEST(DesktopFiles, TheLabelFileTypeIsTheOneTheLauncherOpens) {
    QTemporaryDir share;
    const QString packages = share.filePath(u"mime/packages"_s);
    ASSERT_TRUE(QDir().mkpath(packages));
    ASSERT_TRUE(QFile::copy(sourcePath(u"data/"_s + SessionBus::serviceName + u".xml"_s),
                            packages + u"/vantrel.xml"_s));
    const desktoptest::Finished updated =
        desktoptest::run(u"update-mime-database"_s, {share.filePath(u"mime"_s)},
                         QProcessEnvironment::systemEnvironment());
    ASSERT_EQ(updated.exitCode, 0) << updated.err.toStdString();
    // The database built from our entry knows the type by its extension, as a kind of JSON.
    const QString globs =
        QString::fromUtf8(testsupport::readBytes(share.filePath(u"mime/globs"_s)));
    const QRegularExpressionMatch type =
        QRegularExpression(u"^([^:\\n]+):\\*\\.vtllabel$"_s, QRegularExpression::MultilineOption)
            .match(globs);
    ASSERT_TRUE(type.hasMatch()) << globs.toStdString();
    EXPECT_TRUE(QString::fromUtf8(testsupport::readBytes(share.filePath(u"mime/subclasses"_s)))
                    .contains(type.captured(1) + u" application/json"_s));
    EXPECT_TRUE(launcherValue(u"MimeType"_s).split(u';').contains(type.captured(1)));
}

TEST(DesktopFiles, TheIconDrawsAtLauncherSizes) {
    for (const int size : {16, 48, 256}) {
        QImage icon(sourcePath(u"data/icons/"_s + SessionBus::serviceName + u".svg"_s));
        ASSERT_FALSE(icon.isNull()) << "Qt's SVG image plugin (libqt6svg6) reads the icon";
        icon = icon.scaled(size, size);
        qsizetype drawn = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                drawn += qAlpha(icon.pixel(x, y)) > 0 ? 1 : 0;
            }
        }
        EXPECT_GT(drawn, size * size / 3) << size;
    }
}

TEST(Program, HelpAndVersionNeedNoDisplayAndTheManPageShowsEveryOption) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"DISPLAY"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    env.remove(u"QT_QPA_PLATFORM"_s);
    const QString program = QStringLiteral(VANTREL_APP_PATH);
    const desktoptest::Finished version = desktoptest::run(program, {u"--version"_s}, env);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "vantrel " VANTREL_VERSION "\n");
    const desktoptest::Finished help = desktoptest::run(program, {u"--help"_s}, env);
    EXPECT_EQ(help.exitCode, 0);
    QString page = QString::fromUtf8(testsupport::readBytes(sourcePath(u"data/man/vantrel.1"_s)));
    page.replace(u"\\-"_s, u"-"_s);
    const auto options =
        QRegularExpression(u"(?<![\\w-])--[a-z][a-z-]*"_s).globalMatch(QString::fromUtf8(help.out));
    int count = 0;
    for (const QRegularExpressionMatch& option : options) {
        ++count;
        EXPECT_TRUE(page.contains(option.captured())) << option.captured().toStdString();
    }
    EXPECT_GE(count, 3);
}

} // namespace
