#pragma once

#include <QString>

#include <chrono>
#include <optional>

namespace vantrel {

// An exclusive lock shared by every process that locks the same file (flock on it). The system
// releases it when the holder ends, even by a crash, so it never goes stale. The lock file is
// created when missing, empty, and left in place.
class FileLock {
public:
    explicit FileLock(QString path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Waits up to `timeout` for the lock; the reason when it cannot be had.
    std::optional<QString> lock(std::chrono::milliseconds timeout);
    void unlock();
    bool isLocked() const { return m_fd >= 0; }

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace vantrel
