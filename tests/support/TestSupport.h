#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

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

// The words of a text split at spaces: command-line arguments written as one line.
QStringList words(const QString& text);

// The outcome of running vantrel-cli.
struct CliRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs the command-line tool with the arguments, optionally feeding stdin, with extra
// environment entries ("NAME=value").
CliRun runCli(const QStringList& arguments, const QStringList& environment = {},
              int timeoutMs = 60000);

} // namespace testsupport
