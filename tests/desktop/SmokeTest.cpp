// The real program under Xvfb, in a home of its own with the virtual printer: it starts, prints
// what it is asked over D-Bus, and ends cleanly on SIGTERM.
#include "tests/desktop/PrivateBus.h"
#include "tests/printer/AsyncSupport.h"

#include "LabelKit/platform/SessionBus.h"
#include "LabelKit/store/LabelStore.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

TEST(Smoke, TheApplicationPrintsOverDBusAndEndsCleanlyOnSigterm) {
    QTemporaryDir home;
    desktoptest::PrivateBus bus;
    QProcessEnvironment env = bus.environment();
    for (const auto& [name, folder] : {std::pair{u"HOME"_s, u""_s},
                                       {u"XDG_CONFIG_HOME"_s, u"/.config"_s},
                                       {u"XDG_DATA_HOME"_s, u"/.local/share"_s},
                                       {u"XDG_CACHE_HOME"_s, u"/.cache"_s},
                                       {u"XDG_RUNTIME_DIR"_s, u"/runtime"_s}}) {
        ASSERT_TRUE(QDir().mkpath(home.path() + folder));
        env.insert(name, home.path() + folder);
    }
    QFile::setPermissions(home.path() + u"/runtime"_s,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(u"VANTREL_TIME_SCALE"_s, u"0.05"_s);
    const QString printed = home.filePath(u"printed"_s);

    QProcess app;
    app.setProcessEnvironment(env);
    app.start(u"xvfb-run"_s, {u"-a"_s, QStringLiteral(VANTREL_APP_PATH), u"--virtual"_s, printed});
    ASSERT_TRUE(app.waitForStarted()) << "xvfb-run: is the xvfb package installed?";

    QDBusConnection client = bus.connect();
    ASSERT_TRUE(asyncsupport::runUntil(
        [&] {
            return client.interface()->isServiceRegistered(SessionBus::serviceName).value() ||
                   app.state() == QProcess::NotRunning;
        },
        30000))
        << "the application never took its name";
    ASSERT_EQ(app.state(), QProcess::Running) << app.readAllStandardError().toStdString();

    QDBusMessage print =
        QDBusMessage::createMethodCall(SessionBus::serviceName, SessionBus::objectPath,
                                       SessionBus::automationInterface, u"PrintLabel"_s);
    print.setArguments({u"Bin tag"_s, 2, QString()});
    QDBusPendingCall pending = client.asyncCall(print, 60000);
    ASSERT_TRUE(asyncsupport::runUntil([&] { return pending.isFinished(); }, 60000));
    EXPECT_EQ(pending.reply().arguments().value(0).toString(), u"Printed 2 × Bin tag."_s)
        << pending.reply().errorMessage().toStdString();
    EXPECT_EQ(QDir(printed).entryList({u"*.png"_s}).size(), 1);

    // SIGTERM to the application itself, not to xvfb-run, which reports its exit status.
    const uint pid = client.interface()->servicePid(SessionBus::serviceName).value();
    ASSERT_GT(pid, 0u);
    ASSERT_EQ(::kill(pid_t(pid), SIGTERM), 0);
    ASSERT_TRUE(asyncsupport::runUntil([&] { return app.state() == QProcess::NotRunning; }, 30000))
        << "it did not end on SIGTERM";
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0) << app.readAllStandardError().toStdString();

    const QString folder = home.filePath(u"Documents/Labels"_s);
    const LabelStore library(folder, false);
    EXPECT_EQ(library.labels().size(), 4) << "the seeded library is intact";
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 4) << "and nothing else";
    EXPECT_TRUE(library.labelNamed(u"Bin tag"_s));
}

} // namespace
