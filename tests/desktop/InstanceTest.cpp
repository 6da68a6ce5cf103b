// One Vantrel per session: a second start of the real program hands its request to the running
// instance, over the session bus or, without one, a local socket, and ends.
#include "app/SingleInstance.h"
#include "tests/desktop/PrivateBus.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QSignalSpy>
#include <QUrl>

#include <gmock/gmock.h>

using namespace vantrel;
using namespace Qt::StringLiterals;

using ::testing::ElementsAre;

namespace {

enum class Channel { bus, socket };

// Instances meeting on a private bus, or on a socket in a runtime folder of the test's own.
class SecondStart : public ::testing::TestWithParam<Channel> {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(m_temp.path()).mkpath(u"runtime"_s) &&
                    QDir(m_temp.path()).mkpath(u"cwd"_s));
        QFile::setPermissions(runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_previousRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime().toUtf8());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", m_previousRuntime); }

    QString runtime() const { return m_temp.filePath(u"runtime"_s); }

    SingleInstance::Channels channels() {
        SingleInstance::Channels found = SingleInstance::Channels::ofSession();
        found.bus = GetParam() == Channel::bus ? std::optional(bus.connect()) : std::nullopt;
        return found;
    }

    // The real program started again in the folder "cwd", without a display to fall back on.
    desktoptest::Finished start(const QStringList& arguments) {
        QProcessEnvironment env = bus.environment();
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime());
        for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s}) {
            env.remove(name);
        }
        if (GetParam() == Channel::socket) {
            env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        }
        return desktoptest::run(QStringLiteral(VANTREL_APP_PATH), arguments, env,
                                m_temp.filePath(u"cwd"_s));
    }

    QTemporaryDir m_temp;
    desktoptest::PrivateBus bus;
    QByteArray m_previousRuntime;
};

// Only one instance runs at a time; a second start hands its request to it and ends.
TEST_P(SecondStart, HandsItsRequestToTheRunningInstanceAndEnds) {
    auto running = std::make_unique<SingleInstance>(channels());
    ASSERT_TRUE(running->claim());
    EXPECT_FALSE(SingleInstance(channels()).claim());
    QSignalSpy opened(running.get(), &SingleInstance::openRequested);
    QSignalSpy activated(running.get(), &SingleInstance::activateRequested);
    testsupport::writeBytes(m_temp.filePath(u"cwd/Bin tag.vtllabel"_s), "{}");

    const QString link = u"vantrel://print?label=Bin%20tag&copies=2"_s;
    const desktoptest::Finished handedOver = start({link, u"Bin tag.vtllabel"_s});
    EXPECT_EQ(handedOver.exitCode, 0) << handedOver.err.toStdString();
    ASSERT_TRUE(desktoptest::waitUntil([&] { return opened.size() == 1; }));
    EXPECT_THAT(opened.first().first().toStringList(),
                ElementsAre(link, QUrl::fromLocalFile(m_temp.filePath(u"cwd/Bin tag.vtllabel"_s))
                                      .toString(QUrl::FullyEncoded)));

    EXPECT_EQ(start({}).exitCode, 0);
    EXPECT_TRUE(desktoptest::waitUntil([&] { return activated.size() == 1; }));
    running.reset();
    EXPECT_TRUE(SingleInstance(channels()).claim()) << "free again";
}

INSTANTIATE_TEST_SUITE_P(Channels, SecondStart, ::testing::Values(Channel::bus, Channel::socket),
                         [](const ::testing::TestParamInfo<Channel>& channel) {
                             return channel.param == Channel::bus ? "SessionBus" : "LocalSocket";
                         });

} // namespace
