// The real program under Xvfb, in a home of its own with the virtual printer: it starts, prints
// what it is asked over D-Bus, and ends cleanly on SIGTERM.
#include "tests/desktop/PrivateBus.h"

#include "LabelKit/platform/SessionBus.h"
#include "LabelKit/store/LabelStore.h"

#include <QDBusConnectionInterface>
#include <QDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/prctl.h>

using namespace vantrel;
using namespace Qt::StringLiterals;

namespace {

TEST(Smoke, TheApplicationPrintsOverDBusAndEndsCleanlyOnSigterm) {
    QTemporaryDir home;
    desktoptest::PrivateBus bus;
    QProcessEnvironment env = bus.environment();
    env.insert(u"HOME"_s, home.path());
    env.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    env.insert(u"XDG_DATA_HOME"_s, home.filePath(u"data"_s));
    env.insert(u"XDG_RUNTIME_DIR"_s, home.path()); // a fresh temporary folder is private
    const QString printed = home.filePath(u"printed"_s);
    QProcess app;
    app.setProcessEnvironment(env);
    // timeout ends the whole process group (Xvfb, the application) at its deadline, or at once
    // when this test program dies, so nothing outlives a failed run.
    app.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    app.start(u"timeout"_s, {u"120"_s, u"xvfb-run"_s, u"-a"_s, QStringLiteral(VANTREL_APP_PATH),
                             u"--virtual"_s, printed});

    const QDBusConnection client = bus.connect();
    const auto owner = [&] { return client.interface()->serviceOwner(SessionBus::serviceName); };
    ASSERT_TRUE(desktoptest::waitUntil(
        [&] { return owner().isValid() || app.state() == QProcess::NotRunning; }, 30000));
    ASSERT_TRUE(owner().isValid()) << app.readAllStandardError().toStdString();

    EXPECT_EQ(desktoptest::answer(desktoptest::call(client, SessionBus::automationInterface,
                                                    u"PrintLabel"_s, {u"Bin tag"_s, 2, QString()},
                                                    60000)),
              u"Printed 2 × Bin tag."_s);
    EXPECT_EQ(QDir(printed).entryList({u"*.png"_s}).size(), 1);

    // SIGTERM to the program itself; xvfb-run passes its exit status on.
    const uint pid = client.interface()->servicePid(SessionBus::serviceName).value();
    ASSERT_TRUE(pid > 0 && ::kill(pid_t(pid), SIGTERM) == 0);
    ASSERT_TRUE(desktoptest::waitUntil([&] { return app.state() == QProcess::NotRunning; }, 30000));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0) << app.readAllStandardError().toStdString();

    const QString library = home.filePath(u"Documents/Labels"_s);
    EXPECT_EQ(LabelStore(library, false).labels().size(), 4) << "the seeded library is intact";
    EXPECT_EQ(QDir(library).entryList(QDir::Files | QDir::Hidden).size(), 4) << "nothing else";
}

} // namespace
