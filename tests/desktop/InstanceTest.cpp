// One Vantrel per session: a second start of the real program hands its request to the running
// instance, over the session bus or, without one, a local socket, and ends.
#include "app/ApplicationAdaptor.h"
#include "app/SingleInstance.h"
#include "tests/desktop/PrivateBus.h"
#include "tests/printer/AsyncSupport.h"
#include "tests/support/TestSupport.h"

#include "LabelKit/platform/SessionBus.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

using namespace vantrel;
using namespace Qt::StringLiterals;

using desktoptest::Finished;
using ::testing::ElementsAre;

namespace {

enum class Channel { bus, socket };

// A running instance inside the test, on a private bus or on a socket in a runtime folder of
// the test's own; the second start is the real program with the matching environment.
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

    // Where the instances meet for this channel.
    SingleInstance::Channels channels() {
        SingleInstance::Channels found = SingleInstance::Channels::ofSession();
        if (GetParam() == Channel::bus) {
            found.bus = bus.connect();
        } else {
            found.bus.reset();
        }
        return found;
    }

    // The second start, in the working folder "cwd", on the channel.
    Finished start(const QStringList& arguments) {
        QProcessEnvironment env = bus.environment();
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime());
        if (GetParam() == Channel::socket) {
            env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        }
        env.remove(u"DISPLAY"_s); // reaching for a display would end it with an error
        env.remove(u"WAYLAND_DISPLAY"_s);
        return desktoptest::run(QStringLiteral(VANTREL_APP_PATH), arguments, env, 30000,
                                m_temp.filePath(u"cwd"_s));
    }

    QTemporaryDir m_temp;
    desktoptest::PrivateBus bus;
    QByteArray m_previousRuntime;
};

TEST_P(SecondStart, HandsItsRequestToTheRunningInstanceAndEnds) {
    SingleInstance running(channels());
    ASSERT_TRUE(running.claim());
    QSignalSpy opened(&running, &SingleInstance::openRequested);
    QSignalSpy activated(&running, &SingleInstance::activateRequested);
    testsupport::writeBytes(m_temp.filePath(u"cwd/Bin tag.vtllabel"_s), "{}");

    const QString link = u"vantrel://print?label=Bin%20tag&copies=2"_s;
    const Finished handedOver = start({link, u"Bin tag.vtllabel"_s});
    EXPECT_EQ(handedOver.exitCode, 0) << handedOver.err.toStdString();
    std::printf("hand-over: the second start ended after %lld ms\n",
                static_cast<long long>(handedOver.milliseconds));
    ASSERT_TRUE(asyncsupport::runUntil([&] { return opened.size() == 1; }));
    EXPECT_THAT(opened.first().first().toStringList(),
                ElementsAre(link, QUrl::fromLocalFile(m_temp.filePath(u"cwd/Bin tag.vtllabel"_s))
                                      .toString(QUrl::FullyEncoded)));

    const Finished bare = start({});
    EXPECT_EQ(bare.exitCode, 0) << bare.err.toStdString();
    EXPECT_TRUE(asyncsupport::runUntil([&] { return activated.size() == 1; }));
    EXPECT_EQ(opened.size(), 1);
}

TEST_P(SecondStart, OnlyOneInstanceRunsAtATime) {
    auto first = std::make_unique<SingleInstance>(channels());
    ASSERT_TRUE(first->claim());
    SingleInstance second(channels());
    EXPECT_FALSE(second.claim());
    first.reset();
    SingleInstance third(channels());
    EXPECT_TRUE(third.claim()) << "the name or socket is free again";
}

INSTANTIATE_TEST_SUITE_P(Channels, SecondStart, ::testing::Values(Channel::bus, Channel::socket),
                         [](const ::testing::TestParamInfo<Channel>& channel) {
                             return channel.param == Channel::bus ? "SessionBus" : "LocalSocket";
                         });

TEST(ApplicationInterface, ActivateActionPostsTheFileMenusCommands) {
    desktoptest::PrivateBus bus;
    SingleInstance running({bus.connect(), {}});
    ASSERT_TRUE(running.claim());
    QSignalSpy actions(&running, &SingleInstance::actionRequested);
    const QDBusConnection client = bus.connect();
    const auto activate = [&](const QString& action, const QVariantList& parameter) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            SessionBus::serviceName, SessionBus::objectPath, ApplicationAdaptor::interfaceName(),
            u"ActivateAction"_s);
        message.setArguments({action, parameter, QVariantMap()});
        QDBusPendingCall pending = client.asyncCall(message);
        asyncsupport::runUntil([&] { return pending.isFinished(); });
        return pending.reply();
    };
    for (const auto& [action, notification] : SingleInstance::actions()) {
        EXPECT_EQ(activate(action, {}).type(), QDBusMessage::ReplyMessage);
        ASSERT_TRUE(asyncsupport::runUntil([&] { return !actions.isEmpty(); }));
        EXPECT_EQ(actions.takeFirst().first().toString(), notification);
    }
    EXPECT_EQ(activate(u"frobnicate"_s, {}).errorName(),
              u"org.freedesktop.DBus.Error.InvalidArgs"_s);
    asyncsupport::runUntil([] { return false; }, 100);
    EXPECT_TRUE(actions.isEmpty());
}

} // namespace
