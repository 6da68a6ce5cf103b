#include "LabelKit/platform/Clock.h"

#include "tests/printer/AsyncSupport.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <limits>

using namespace vantrel;

using asyncsupport::TimeScale;

namespace {

QCoro::Task<> sleepFor(double seconds, QObject* context) {
    co_await Clock::sleep(Clock::duration(seconds), context);
}

// Real milliseconds that a clock sleep took.
double realMilliseconds(double seconds) {
    QObject context;
    QElapsedTimer real;
    real.start();
    const auto outcome = asyncsupport::run(sleepFor(seconds, &context));
    EXPECT_TRUE(outcome.succeeded());
    return double(real.nsecsElapsed()) / 1e6;
}

} // namespace

TEST(Clock, ScaledNowAdvancesFasterAndStaysContinuous) {
    const TimeScale scale(0.02);
    QElapsedTimer real;
    const Clock::time_point before = Clock::now();
    real.start();
    asyncsupport::runUntil([&] { return real.elapsed() >= 40; });
    const double clockSeconds = (Clock::now() - before).count();
    const double realSeconds = double(real.nsecsElapsed()) / 1e9;
    EXPECT_NEAR(clockSeconds / realSeconds, 50.0, 5.0);

    Clock::setTimeScale(1.0);
    const Clock::time_point afterChange = Clock::now();
    EXPECT_GE(afterChange, before + Clock::duration(clockSeconds));
    EXPECT_LT((afterChange - before).count(), clockSeconds + 1.0);
}

TEST(Clock, RefusesScalesThatAreNotPositive) {
    const TimeScale scale(0.5);
    Clock::setTimeScale(0);
    Clock::setTimeScale(-2);
    Clock::setTimeScale(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(Clock::timeScale(), 0.5);
}

TEST(Clock, TimerMillisecondsScaleRoundAndClamp) {
    const TimeScale scale(0.02);
    EXPECT_EQ(Clock::timerMilliseconds(Clock::duration(1.5)), 30);
    EXPECT_EQ(Clock::timerMilliseconds(Clock::duration(15.0)), 300);
    EXPECT_EQ(Clock::timerMilliseconds(Clock::duration(-1.0)), 0);
    EXPECT_EQ(Clock::timerMilliseconds(Clock::duration(std::numeric_limits<double>::quiet_NaN())),
              0);
    EXPECT_EQ(Clock::timerMilliseconds(Clock::duration(1e300)), std::numeric_limits<int>::max());
}

// A sleep lasts its scaled duration: never shorter, and not much longer.
TEST(Clock, SleepTakesItsScaledDuration) {
    const TimeScale scale(0.05);
    const double ms = realMilliseconds(1.5); // 75 ms
    EXPECT_GE(ms, 73.0);
    EXPECT_LT(ms, 75.0 + 60.0);
    const double longer = realMilliseconds(3.9); // 195 ms
    EXPECT_GE(longer, 193.0);
    EXPECT_LT(longer, 195.0 + 60.0);
}

TEST(Clock, SleepOfADestroyedContextNeverResumes) {
    const TimeScale scale(0.02);
    auto context = std::make_unique<QObject>();
    const auto outcome = asyncsupport::start(sleepFor(0.5, context.get()));
    context.reset();
    asyncsupport::runFor(1.5);
    EXPECT_FALSE(outcome->finished);
}

TEST(Clock, TimersFireOnceUnlessRepeatingAndNeverOnceStopped) {
    const TimeScale scale(0.02);
    Timer timer;
    int fired = 0;
    QObject::connect(&timer, &Timer::timeout, [&] { ++fired; });
    timer.start(Clock::duration(0.5));
    EXPECT_TRUE(timer.isActive());
    timer.stop();
    asyncsupport::runFor(1.5);
    EXPECT_EQ(fired, 0);

    timer.start(Clock::duration(0.5));
    asyncsupport::runFor(1.5);
    EXPECT_EQ(fired, 1) << "a single-shot timer fires once";

    timer.setRepeating(true);
    timer.start(Clock::duration(0.5));
    asyncsupport::runFor(3.2);
    EXPECT_GE(fired, 1 + 4);
    EXPECT_LE(fired, 1 + 7);
}
