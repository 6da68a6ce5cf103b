#pragma once

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <coroutine>

namespace vantrel {

// The application's monotonic time and every wait measured on it: watchdogs, polls, pauses,
// idle timers, simulated radio latency. A time scale lets tests run the same waits faster: at
// scale 0.02 a 1.5 s wait takes 30 ms of real time and now() advances 50 times as fast, so
// durations measured on this clock keep their nominal values.
struct Clock {
    using rep = double;
    using period = std::ratio<1>;
    using duration = std::chrono::duration<double>;
    using time_point = std::chrono::time_point<Clock, duration>;
    static constexpr bool is_steady = true;

    static time_point now();

    // The calendar time of save dates, {date} and previews, in UTC: the system's, unless a
    // test set it. Safe on any thread.
    static QDateTime wallNow();
    // From now on wallNow() reads `time` and then advances with now(), so with the time scale
    // too. An invalid time returns to the system's clock. For tests.
    static void setWallTime(const QDateTime& time);

    // Real seconds per clock second; 1 outside tests. Changing it applies to timers started
    // afterwards; now() stays continuous across the change. Values that are not above 0 are
    // ignored.
    static double timeScale();
    static void setTimeScale(double scale);

    // The real milliseconds a timer waits for this clock duration: scaled, rounded, and kept
    // within what QTimer accepts (negative and not-a-number durations wait 0 ms).
    static int timerMilliseconds(duration d);

    class SleepAwaiter;
    // co_await Clock::sleep(d, context) resumes the coroutine on the context's thread after d,
    // measured with a precise timer. If the context is destroyed first, the coroutine is never
    // resumed, so nothing runs on behalf of a dead object.
    static SleepAwaiter sleep(duration d, QObject* context);
};

class Clock::SleepAwaiter {
public:
    SleepAwaiter(duration d, QObject* context) : m_duration(d), m_context(context) {}

    bool await_ready() const noexcept { return m_context.isNull(); }
    void await_suspend(std::coroutine_handle<> handle) const {
        QTimer::singleShot(timerMilliseconds(m_duration), Qt::PreciseTimer, m_context.data(),
                           [handle] { handle.resume(); });
    }
    void await_resume() const noexcept {}

private:
    duration m_duration;
    QPointer<QObject> m_context;
};

// A precise timer whose interval is a clock duration: single-shot unless made repeating.
// Stopping it (or destroying it) guarantees that no later timeout() is emitted.
class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(QObject* parent = nullptr);

    void start(Clock::duration interval);
    void stop();
    bool isActive() const { return m_timer.isActive(); }
    void setRepeating(bool repeating) { m_timer.setSingleShot(!repeating); }

Q_SIGNALS:
    void timeout();

private:
    QTimer m_timer;
};

} // namespace vantrel
