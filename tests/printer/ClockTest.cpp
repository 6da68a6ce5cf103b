#include "LabelKit/platform/Clock.h"

#include "tests/printer/AsyncSupport.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vantrel;

using asyncsupport::TimeScale;

namespace {

QCoro::Task<> sleepFor(double seconds, QObject* context) {
    co_await Clock::sleep(Clock::duration(seconds), context);
}

} // namespace

// The clock runs 1/scale times faster than real time, stays continuous when the scale changes,
// and refuses scales that are not positive.
TEST(Clock, ScaledNowAdvancesFasterAndStaysContinuous) {
    const TimeScale scale(0.02);
    QElapsedTimer real;
    const Clock::time_point before = Clock::now();
    real.start();
    asyncsupport::runUntil([&] { return real.elapsed() >= 40; });
    const double clockSeconds = (Clock::now() - before).count();
    EXPECT_NEAR(clockSeconds / (double(real.nsecsElapsed()) / 1e9), 50.0, 5.0);

    for (const double refused : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN()}) {
        Clock::setTimeScale(refused);
    }
    EXPECT_EQ(Clock::timeScale(), 0.02);
    // Timers wait the scaled milliseconds, rounded and clamped.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [seconds, ms] : {std::pair{1.5, 30},
                                      {15.0, 300},
                                      {-1.0, 0},
                                      {nan, 0},
                                      {1e300, std::numeric_limits<int>::max()}}) {
        EXPECT_EQ(Clock::timerMilliseconds(Clock::duration(seconds)), ms) << seconds;
    }
    Clock::setTimeScale(1.0);
    const Clock::time_point afterChange = Clock::now();
    EXPECT_GE(afterChange, before + Clock::duration(clockSeconds));
    EXPECT_LT((afterChange - before).count(), clockSeconds + 1.0);

    // A sleep lasts its scaled duration, never shorter and not much longer; one whose context is
    // destroyed never resumes.
    Clock::setTimeScale(0.05);
    QObject context;
    real.restart();
    EXPECT_TRUE(asyncsupport::run(sleepFor(3.9, &context)).succeeded());
    EXPECT_GE(real.elapsed(), 193);
    EXPECT_LT(real.elapsed(), 195 + 60);

    auto doomed = std::make_unique<QObject>();
    const auto outcome = asyncsupport::start(sleepFor(0.5, doomed.get()));
    doomed.reset();
    asyncsupport::runFor(1.5);
    EXPECT_FALSE(outcome->finished);
}
