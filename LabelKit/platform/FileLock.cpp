#include "LabelKit/platform/FileLock.h"

#include <QElapsedTimer>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vantrel {

FileLock::FileLock(QString path) : m_path(std::move(path)) {}

FileLock::~FileLock() {
    unlock();
}

std::optional<QString> FileLock::lock(std::chrono::milliseconds timeout) {
    if (m_fd >= 0) {
        return std::nullopt;
    }
    const int fd = ::open(QFile::encodeName(m_path).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd < 0) {
        return qt_error_string(errno);
    }
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return std::nullopt;
        }
        const int error = errno;
        if ((error != EWOULDBLOCK && error != EINTR) || waited.elapsed() >= timeout.count()) {
            ::close(fd);
            return error == EWOULDBLOCK
                       ? QStringLiteral("“%1” is locked by another program").arg(m_path)
                       : qt_error_string(error);
        }
        ::usleep(5000);
    }
}

void FileLock::unlock() {
    if (m_fd >= 0) {
        ::close(m_fd); // closing the last descriptor releases the lock
        m_fd = -1;
    }
}

} // namespace vantrel
