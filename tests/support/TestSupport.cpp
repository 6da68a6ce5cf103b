#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

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

QStringList words(const QString& text) {
    return text.split(u' ', Qt::SkipEmptyParts);
}

CliRun runCli(const QStringList& arguments, const QStringList& environment, int timeoutMs) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment) {
        const qsizetype eq = entry.indexOf(u'=');
        env.insert(entry.left(eq), entry.mid(eq + 1));
    }
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(VANTREL_CLI_PATH), arguments);
    CliRun run;
    if (!process.waitForStarted(timeoutMs)) {
        ADD_FAILURE() << "vantrel-cli did not start: " << process.errorString().toStdString();
        return run;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        ADD_FAILURE() << "vantrel-cli did not finish in time";
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace testsupport
