#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>

namespace vantrel {

// What every open editor holds is saved before the process ends, however it ends: the Quit
// command, the last window closing, or SIGTERM/SIGINT at logout. Editors register a flush that
// writes their document at once; the application runs them all before it quits.
class SaveOnQuit : public QObject {
    Q_OBJECT
public:
    using Flush = std::function<void()>;

    // Keeps a flush registered for as long as it lives.
    class Registration {
    public:
        Registration() = default;
        Registration(Registration&& other) noexcept;
        Registration& operator=(Registration&& other) noexcept;
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;
        ~Registration();

    private:
        friend class SaveOnQuit;
        Registration(SaveOnQuit* owner, quint64 key) : m_owner(owner), m_key(key) {}
        void release();

        QPointer<SaveOnQuit> m_owner;
        quint64 m_key = 0;
    };

    explicit SaveOnQuit(QObject* parent = nullptr);

    [[nodiscard]] Registration add(Flush flush);
    qsizetype count() const { return qsizetype(m_flushes.size()); }

    // Runs every registered flush once, in the order they were added.
    void flushAll();

private:
    std::map<quint64, Flush> m_flushes;
    quint64 m_nextKey = 1;
};

} // namespace vantrel
