#include "LabelKit/platform/FileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

QString reason(int error) {
    return qt_error_string(error);
}

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// The path a write lands on: symbolic links followed to the file they name, which need not
// exist yet. A failure when the links go round in circles.
std::optional<QString> resolveLinks(const QString& path, QString* resolved) {
    QByteArray current = native(path);
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(current.constData(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            *resolved = QFile::decodeName(current);
            return std::nullopt;
        }
        QByteArray target(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(current.constData(), target.data(), size_t(target.size()));
        if (n < 0) {
            return reason(errno);
        }
        target.truncate(n);
        if (!target.startsWith('/')) {
            const qsizetype slash = current.lastIndexOf('/');
            target.prepend(slash < 0 ? QByteArray() : current.left(slash + 1));
        }
        current = target;
    }
    return reason(ELOOP);
}

bool writeAll(int fd, const QByteArray& bytes, int* error) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            *error = errno;
            return false;
        }
        if (n == 0) {
            *error = EIO;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

// Makes a rename or link in the folder durable; a folder that cannot be synced still holds the
// complete file, so failures are not reported.
void syncFolder(const QString& folder) {
    const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A complete, flushed copy of the bytes under a fresh hidden name beside `path`, with the
// permission bits `mode` (before the umask, unless keepMode).
struct TemporaryFile {
    QString path;

    ~TemporaryFile() {
        if (!path.isEmpty()) {
            ::unlink(native(path).constData());
        }
    }
    void release() { path.clear(); }

    std::optional<QString> write(const QString& target, const QByteArray& bytes, mode_t mode,
                                 bool keepMode) {
        const QFileInfo info(target);
        const QString stem = info.dir().filePath(u'.' + info.fileName() + u'.');
        int fd = -1;
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            const QString candidate =
                stem + QString::number(QRandomGenerator::global()->generate(), 36);
            fd = ::open(native(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        mode);
            if (fd >= 0) {
                path = candidate;
            } else if (errno != EEXIST) {
                return reason(errno);
            }
        }
        if (fd < 0) {
            return reason(EEXIST);
        }
        int error = 0;
        if (keepMode && ::fchmod(fd, mode) != 0) {
            error = errno;
        }
        if (error == 0 && writeAll(fd, bytes, &error) && ::fsync(fd) != 0) {
            error = errno;
        }
        if (::close(fd) != 0 && error == 0 && errno != EINTR) {
            error = errno;
        }
        if (error != 0) {
            return reason(error);
        }
        return std::nullopt;
    }
};

} // namespace

std::optional<QString> FileWriter::replace(const QString& path, const QByteArray& bytes) {
    QString target;
    if (const auto failure = resolveLinks(path, &target)) {
        return failure;
    }
    struct stat info {};
    mode_t mode = 0666;
    bool keepMode = false;
    if (::stat(native(target).constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return QStringLiteral("it is a folder");
        }
        if (!S_ISREG(info.st_mode)) {
            return QStringLiteral("it is not a regular file");
        }
        mode = info.st_mode & 07777;
        keepMode = true;
    } else if (errno != ENOENT) {
        return reason(errno);
    }

    TemporaryFile temporary;
    if (const auto failure = temporary.write(target, bytes, mode, keepMode)) {
        return failure;
    }
    if (::rename(native(temporary.path).constData(), native(target).constData()) != 0) {
        return reason(errno);
    }
    temporary.release();
    syncFolder(QFileInfo(target).path());
    return std::nullopt;
}

std::optional<QString> FileWriter::write(const QString& path, const QByteArray& bytes) {
    struct stat info {};
    if (::stat(native(path).constData(), &info) != 0 || S_ISREG(info.st_mode) ||
        S_ISDIR(info.st_mode)) {
        return replace(path, bytes);
    }
    if (S_ISBLK(info.st_mode)) {
        return QStringLiteral("it is a disk device");
    }
    if (S_ISSOCK(info.st_mode)) {
        return QStringLiteral("it is a socket");
    }
    const int fd = ::open(native(path).constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return reason(errno);
    }
    // Whatever was opened is checked again: a regular file that took the name meanwhile is
    // replaced as a whole, not written over in place.
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || S_ISREG(opened.st_mode) || S_ISBLK(opened.st_mode)) {
        ::close(fd);
        return S_ISBLK(opened.st_mode) ? QStringLiteral("it is a disk device")
                                       : replace(path, bytes);
    }
    int error = 0;
    writeAll(fd, bytes, &error);
    if (::close(fd) != 0 && error == 0 && errno != EINTR) {
        error = errno;
    }
    return error != 0 ? std::optional<QString>(reason(error)) : std::nullopt;
}

std::optional<QString> FileWriter::create(const QString& path, const QByteArray& bytes,
                                          bool* taken) {
    *taken = false;
    TemporaryFile temporary;
    if (const auto failure = temporary.write(path, bytes, 0666, false)) {
        return failure;
    }
    const QByteArray from = native(temporary.path);
    const QByteArray to = native(path);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        temporary.release();
    } else if (errno == EEXIST) {
        *taken = true;
        return std::nullopt;
    } else if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return reason(errno);
    } else if (::link(from.constData(), to.constData()) != 0) {
        // A file system without an exclusive rename: a hard link claims the name as well.
        if (errno == EEXIST) {
            *taken = true;
            return std::nullopt;
        }
        return reason(errno);
    }
    syncFolder(QFileInfo(path).path());
    return std::nullopt;
}

} // namespace vantrel
