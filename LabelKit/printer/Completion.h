#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <coroutine>
#include <exception>
#include <functional>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace vantrel {

// One suspended coroutine waiting for a value (nothing, for T = void) or an error. The waiter
// resumes from the event loop of its context object, never inside the call that completes it,
// so whoever completes it may go on safely; when the context is destroyed first the waiter is
// never resumed.
template <typename T>
class Waiter {
public:
    using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    // `enlist` records the waiter wherever its completion will find it and starts the work
    // that completes it; if it throws, the waiter resumes with that exception.
    Waiter(QObject* context, std::function<void(Waiter*)> enlist)
        : m_context(context), m_enlist(std::move(enlist)) {}
    // Moved only before it suspends (the compiler may move it into the coroutine frame);
    // once enlisted, its address is what the completion holds.
    Waiter(Waiter&&) = default;
    Waiter& operator=(Waiter&&) = delete;

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> handle) {
        m_handle = handle;
        try {
            m_enlist(this);
        } catch (...) {
            fail(std::current_exception());
        }
    }
    T await_resume() {
        if (m_error) {
            std::rethrow_exception(m_error);
        }
        if constexpr (!std::is_void_v<T>) {
            return std::move(*m_value);
        }
    }

    void resume(Value value = {}) {
        m_value = std::move(value);
        post();
    }
    void fail(std::exception_ptr error) {
        m_error = std::move(error);
        post();
    }

private:
    void post() {
        if (m_context) {
            QMetaObject::invokeMethod(
                m_context.data(), [handle = m_handle] { handle.resume(); }, Qt::QueuedConnection);
        }
    }

    QPointer<QObject> m_context;
    std::function<void(Waiter*)> m_enlist;
    std::coroutine_handle<> m_handle;
    std::optional<Value> m_value;
    std::exception_ptr m_error;
};

// A one-shot slot that holds at most one waiter. Completing it empties the slot first, then
// resumes the waiter, so a second completion (a late acknowledgement after a timeout) finds it
// empty and does nothing.
template <typename T>
class Completion {
public:
    using Value = typename Waiter<T>::Value;

    explicit Completion(QObject* context) : m_context(context) {}
    Completion(const Completion&) = delete;
    Completion& operator=(const Completion&) = delete;

    // co_await slot.wait(start): stores the waiter, then calls start(), which begins whatever
    // completes the slot.
    Waiter<T> wait(std::function<void()> start) {
        return Waiter<T>(m_context, [this, start = std::move(start)](Waiter<T>* waiter) {
            if (m_waiter) {
                throw std::logic_error("a completion slot was filled twice");
            }
            m_waiter = waiter;
            try {
                start();
            } catch (...) {
                if (m_waiter == waiter) {
                    m_waiter = nullptr;
                }
                throw;
            }
        });
    }

    bool isPending() const { return m_waiter != nullptr; }

    // Each returns whether a waiter was resumed.
    bool resume(Value value = {}) {
        if (Waiter<T>* waiter = std::exchange(m_waiter, nullptr)) {
            waiter->resume(std::move(value));
            return true;
        }
        return false;
    }
    bool fail(std::exception_ptr error) {
        if (Waiter<T>* waiter = std::exchange(m_waiter, nullptr)) {
            waiter->fail(std::move(error));
            return true;
        }
        return false;
    }

private:
    QObject* m_context;
    Waiter<T>* m_waiter = nullptr;
};

// Any number of waiters, resumed together in the order they arrived.
class WaiterList {
public:
    explicit WaiterList(QObject* context) : m_context(context) {}
    WaiterList(const WaiterList&) = delete;
    WaiterList& operator=(const WaiterList&) = delete;

    Waiter<void> wait() {
        return Waiter<void>(m_context,
                            [this](Waiter<void>* waiter) { m_waiters.push_back(waiter); });
    }

    bool isEmpty() const { return m_waiters.empty(); }

    // Takes the whole list, empties it, then resumes each waiter.
    void resumeAll() {
        for (Waiter<void>* waiter : std::exchange(m_waiters, {})) {
            waiter->resume();
        }
    }
    void failAll(const std::exception_ptr& error) {
        for (Waiter<void>* waiter : std::exchange(m_waiters, {})) {
            waiter->fail(error);
        }
    }

private:
    QObject* m_context;
    std::vector<Waiter<void>*> m_waiters;
};

} // namespace vantrel
