#include "LabelKit/platform/Clock.h"

#include <QElapsedTimer>

#include <cmath>
#include <limits>
#include <mutex>

namespace vantrel {

namespace {

// The clock reads real monotonic time and converts it: clock = base + (real - realBase) / scale.
struct ClockState {
    std::mutex mutex;
    QElapsedTimer real;
    qint64 realBaseNs = 0;
    double base = 0;
    double scale = 1;
    QDateTime wallBase; // invalid: the system's wall clock
    double wallBaseSeconds = 0;

    ClockState() { real.start(); }

    double secondsLocked() const {
        return base + double(real.nsecsElapsed() - realBaseNs) / 1e9 / scale;
    }
};

ClockState& state() {
    static ClockState s;
    return s;
}

} // namespace

Clock::time_point Clock::now() {
    ClockState& s = state();
    const std::lock_guard lock(s.mutex);
    return time_point(duration(s.secondsLocked()));
}

QDateTime Clock::wallNow() {
    ClockState& s = state();
    const std::lock_guard lock(s.mutex);
    if (!s.wallBase.isValid()) {
        return QDateTime::currentDateTimeUtc();
    }
    const double elapsed = s.secondsLocked() - s.wallBaseSeconds;
    return s.wallBase.addMSecs(qint64(std::floor(elapsed * 1000.0)));
}

void Clock::setWallTime(const QDateTime& time) {
    ClockState& s = state();
    const std::lock_guard lock(s.mutex);
    s.wallBase = time.isValid() ? time.toUTC() : QDateTime();
    s.wallBaseSeconds = s.secondsLocked();
}

double Clock::timeScale() {
    ClockState& s = state();
    const std::lock_guard lock(s.mutex);
    return s.scale;
}

void Clock::setTimeScale(double scale) {
    if (!(scale > 0) || !std::isfinite(scale)) {
        return;
    }
    ClockState& s = state();
    const std::lock_guard lock(s.mutex);
    s.base = s.secondsLocked();
    s.realBaseNs = s.real.nsecsElapsed();
    s.scale = scale;
}

int Clock::timerMilliseconds(duration d) {
    const double ms = d.count() * timeScale() * 1000.0;
    if (!(ms > 0)) {
        return 0;
    }
    constexpr double limit = std::numeric_limits<int>::max();
    return ms >= limit ? std::numeric_limits<int>::max() : int(std::lround(ms));
}

Clock::SleepAwaiter Clock::sleep(duration d, QObject* context) {
    return {d, context};
}

Timer::Timer(QObject* parent) : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Timer::timeout);
}

void Timer::start(Clock::duration interval) {
    m_timer.start(Clock::timerMilliseconds(interval));
}

void Timer::stop() {
    m_timer.stop();
}

} // namespace vantrel
