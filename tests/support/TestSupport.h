#pragma once

#include "LabelKit/model/UserError.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <ostream>

class QProcess;
class QString;

// Lets GoogleTest print Qt strings in failure messages.
void PrintTo(const QString& value, std::ostream* os);
void PrintTo(const QByteArray& value, std::ostream* os);

namespace testsupport {

// A file under tests/data.
QString dataPath(const QString& name);
// A file of the source tree, by its path from the repository root.
QString sourcePath(const QString& path);
QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// The cases of a table file under tests/data, one a line, fields split by " | " (a closing " |"
// ends with an empty field); blank and "#" lines are left out. Fields take the escapes \n \r
// \t \f \\ and \uXXXX.
QList<QStringList> dataTable(const QString& name);

// The message of the UserError that the call throws; empty when it throws none.
template <typename Call>
QString userError(Call&& call) {
    try {
        call();
    } catch (const vantrel::UserError& error) {
        return error.message();
    }
    return {};
}

// The words of a text split at spaces: command-line arguments written as one line.
QStringList words(const QString& text);

// The outcome of running vantrel-cli.
struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs the command-line tool with the arguments, with extra environment entries ("NAME=value";
// a bare "NAME" removes the variable).
CliRun runCli(const QStringList& arguments, const QStringList& environment = {},
              int timeoutMs = 60000);
// Starts the tool the same way and returns at once, for runs that overlap.
std::unique_ptr<QProcess> startCli(const QStringList& arguments,
                                   const QStringList& environment = {});

// A small file system of its own (tmpfs) that a test can fill up; unmounted when destroyed.
// Mounting needs the right to mount (root): where it is refused, unavailable() says why.
class SmallDisk {
public:
    explicit SmallDisk(int kilobytes = 512);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    const std::optional<QString>& unavailable() const { return m_unavailable; }
    QString path(const QString& name) const;
    // Takes every free byte with a filler file, or gives them back.
    void fill();
    void release();

private:
    QTemporaryDir m_mountPoint;
    std::optional<QString> m_unavailable;
};

} // namespace testsupport
