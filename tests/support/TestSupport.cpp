#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cerrno>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

void PrintTo(const QString& value, std::ostream* os) {
    *os << '"' << value.toStdString() << '"';
}

void PrintTo(const QByteArray& value, std::ostream* os) {
    *os << "bytes(" << value.size() << ") \"" << value.left(200).toStdString() << '"';
}

namespace testsupport {

QString sourcePath(const QString& path) {
    return QDir(QStringLiteral(VANTREL_SOURCE_DIR)).filePath(path);
}

QString dataPath(const QString& name) {
    return sourcePath(QStringLiteral("tests/data/") + name);
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
    }
}

namespace {

// A field with its escapes replaced.
QString unescaped(const QString& field) {
    static const QHash<QChar, QChar> escapes{
        {u'n', u'\n'}, {u'r', u'\r'}, {u't', u'\t'}, {u'f', u'\f'}};
    QString text;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\' || i + 1 == field.size()) {
            text += field[i];
        } else if (field[++i] == u'u') {
            text += QChar(char16_t(field.mid(i + 1, 4).toUShort(nullptr, 16)));
            i += 4;
        } else {
            text += escapes.value(field[i], field[i]);
        }
    }
    return text;
}

} // namespace

QList<QStringList> dataTable(const QString& name) {
    QList<QStringList> cases;
    for (const QString& line : QString::fromUtf8(readBytes(dataPath(name))).split(u'\n')) {
        if (!line.trimmed().isEmpty() && !line.startsWith(u'#')) {
            QStringList fields;
            const QString closed = line.endsWith(u" |") ? line + u' ' : line; // an empty last field
            for (const QString& field : closed.split(QStringLiteral(" | "))) {
                fields.append(unescaped(field));
            }
            cases.append(fields);
        }
    }
    return cases;
}

QStringList words(const QString& text) {
    return text.split(u' ', Qt::SkipEmptyParts);
}

std::unique_ptr<QProcess> startCli(const QStringList& arguments, const QStringList& environment) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment) {
        env.remove(entry.section(u'=', 0, 0));
        if (entry.contains(u'=')) {
            env.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        }
    }
    process->setProcessEnvironment(env);
    process->start(QStringLiteral(VANTREL_CLI_PATH), arguments);
    return process;
}

CliRun runCli(const QStringList& arguments, const QStringList& environment, int timeoutMs) {
    const std::unique_ptr<QProcess> process = startCli(arguments, environment);
    if (!process->waitForStarted(timeoutMs)) {
        ADD_FAILURE() << "vantrel-cli did not start: " << process->errorString().toStdString();
        return {};
    }
    process->closeWriteChannel();
    if (!process->waitForFinished(timeoutMs)) {
        process->kill();
        process->waitForFinished();
        ADD_FAILURE() << "vantrel-cli did not finish in time";
    }
    return {process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1,
            process->readAllStandardOutput(), process->readAllStandardError()};
}

SmallDisk::SmallDisk(int kilobytes) {
    const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k";
    if (::mount("tmpfs", QFile::encodeName(m_mountPoint.path()).constData(), "tmpfs",
                MS_NOSUID | MS_NODEV, options.constData()) != 0) {
        m_unavailable =
            QStringLiteral("cannot mount a small file system here: %1").arg(qt_error_string(errno));
    }
}

SmallDisk::~SmallDisk() {
    if (!m_unavailable) {
        ::umount2(QFile::encodeName(m_mountPoint.path()).constData(), MNT_DETACH);
    }
}

QString SmallDisk::path(const QString& name) const {
    return m_mountPoint.filePath(name);
}

void SmallDisk::fill() {
    const int fd = ::open(QFile::encodeName(path(QStringLiteral("filler"))).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    const QByteArray block(4096, 'x');
    qsizetype chunk = block.size();
    while (chunk > 0) {
        if (::write(fd, block.constData(), size_t(chunk)) < 0) {
            chunk /= 2; // the last free bytes of a page
        }
    }
    ::close(fd);
}

void SmallDisk::release() {
    QFile::remove(path(QStringLiteral("filler")));
}

} // namespace testsupport
