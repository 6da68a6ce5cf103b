#pragma once

#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/Clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <variant>

namespace asyncsupport {

using namespace vantrel;

// How an asynchronous operation ended, and when on the clock.
template <typename T>
struct Outcome {
    bool finished = false;
    std::optional<std::conditional_t<std::is_void_v<T>, std::monostate, T>> value;
    std::optional<QString> error; // the message of the UserError that ended it
    Clock::time_point started = Clock::now();
    Clock::time_point ended;

    bool succeeded() const { return finished && value.has_value(); }
    QString message() const { return error.value_or(QString()); }
    double seconds() const { return (ended - started).count(); }
};

// Shared, so that an operation that outlives its test writes into live memory.
template <typename T>
QCoro::Task<> capture(QCoro::Task<T> task, std::shared_ptr<Outcome<T>> outcome) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await task;
            outcome->value = std::monostate{};
        } else {
            outcome->value = co_await task;
        }
    } catch (const UserError& error) {
        outcome->error = error.message();
    }
    outcome->ended = Clock::now();
    outcome->finished = true;
}

// Runs the event loop until the condition holds or the real deadline passes; returns whether
// it holds. Fails the test when the loop was blocked for longer than `maxStallMs` meanwhile,
// so asynchronous code is proven not to wait by blocking.
inline bool runUntil(const std::function<bool()>& condition, int deadlineMs = 20000,
                     int maxStallMs = 500) {
    QElapsedTimer elapsed;
    elapsed.start();
    qint64 lastBeat = 0;
    qint64 worstStall = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        worstStall = std::max(worstStall, elapsed.elapsed() - lastBeat);
        lastBeat = elapsed.elapsed();
    });
    heartbeat.start(5);
    while (!condition() && elapsed.elapsed() < deadlineMs) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    EXPECT_LT(worstStall, maxStallMs) << "the event loop was blocked";
    return condition();
}

// Starts the task; the outcome fills in when it ends.
template <typename T>
std::shared_ptr<Outcome<T>> start(QCoro::Task<T> task) {
    auto outcome = std::make_shared<Outcome<T>>();
    capture(std::move(task), outcome);
    return outcome;
}

// Runs the task to its end (or the deadline) and says how it ended.
template <typename T>
Outcome<T> run(QCoro::Task<T> task, int deadlineMs = 20000) {
    const auto outcome = start(std::move(task));
    EXPECT_TRUE(runUntil([&] { return outcome->finished; }, deadlineMs))
        << "the operation never ended";
    return *outcome;
}

// Keeps the event loop going for a while of clock time.
inline void runFor(double clockSeconds) {
    const Clock::time_point end = Clock::now() + Clock::duration(clockSeconds);
    runUntil([&] { return Clock::now() >= end; }, 60000);
}

// Sets the clock's time scale for the life of the object.
class TimeScale {
public:
    explicit TimeScale(double scale) : m_previous(Clock::timeScale()) {
        Clock::setTimeScale(scale);
    }
    ~TimeScale() { Clock::setTimeScale(m_previous); }
    TimeScale(const TimeScale&) = delete;
    TimeScale& operator=(const TimeScale&) = delete;

private:
    double m_previous;
};

} // namespace asyncsupport
