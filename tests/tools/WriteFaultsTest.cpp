// Outputs the tool cannot write as asked: every failure is reported with its reason and keeps
// what was there, and what is not a regular file is written into, never replaced.
#include "LabelKit/model/LabelFile.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

using ::testing::HasSubstr;
using testsupport::CliRun;

class WriteFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_temp.isValid());
        LabelElement text(ElementKind::text);
        text.content = u"Shelf 12"_s;
        file = path(u"shelf.vtllabel"_s);
        testsupport::writeBytes(file, LabelFile::encode(LabelDocument(u"Shelf"_s, 40, 30, {text})));
    }

    QString path(const QString& name) const { return m_temp.filePath(name); }

    // The tool with its home and settings under `home`.
    CliRun run(const QStringList& arguments, const QString& home) {
        return testsupport::runCli(arguments,
                                   {u"HOME="_s + home, u"XDG_CONFIG_HOME="_s + home + u"/config"_s,
                                    u"VANTREL_TIME_SCALE=0.05"_s});
    }
    CliRun run(const QStringList& arguments) { return run(arguments, path(u"home"_s)); }

    QTemporaryDir m_temp;
    QString file;
};

TEST_F(WriteFaults, OnAFullDiskEveryWriteFailsWithTheReasonAndKeepsWhatWasThere) {
    testsupport::SmallDisk disk;
    if (disk.unavailable()) {
        GTEST_SKIP() << disk.unavailable()->toStdString();
    }
    const QString out = disk.path(u"out"_s);
    testsupport::writeBytes(out, "old");
    disk.fill();
    const QStringList commands[] = {
        {u"job"_s, file, u"-o"_s, out},
        {u"render"_s, file, u"-o"_s, out},
        {u"--virtual"_s, disk.path(u"printed"_s), u"print"_s, file},
    };
    for (const QStringList& arguments : commands) {
        const CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 1) << arguments.join(u' ').toStdString();
        EXPECT_THAT(result.err.toStdString(), HasSubstr("No space left on device"));
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
    }
    EXPECT_EQ(testsupport::readBytes(out), "old");
    EXPECT_TRUE(QDir(disk.path(u"printed"_s)).isEmpty()) << "no empty or half-written label";
    EXPECT_EQ(QDir(disk.path(u"."_s)).entryList(QDir::Files | QDir::Hidden),
              (QStringList{u"filler"_s, u"out"_s}));

    // A first start on the full disk adds no starter labels, and the next one with room does.
    const CliRun first = run({u"labels"_s}, disk.path(u"home"_s));
    EXPECT_THAT(first.err.toStdString(), HasSubstr("No space left on device"));
    EXPECT_TRUE(first.out.isEmpty());
    disk.release();
    const CliRun next = run({u"labels"_s}, disk.path(u"home"_s));
    EXPECT_EQ(next.out.count('\n'), 4) << next.err.toStdString();
}

TEST_F(WriteFaults, AnOutputThatIsNotARegularFileIsWrittenIntoAndNeverReplaced) {
    const CliRun expected = run({u"job"_s, file, u"-o"_s, u"-"_s});
    ASSERT_EQ(expected.exitCode, 0) << expected.err.toStdString();
    ASSERT_FALSE(expected.out.isEmpty());

    // Standard output named as a file, while it is a pipe.
    const CliRun stdoutFile = run({u"job"_s, file, u"-o"_s, u"/dev/stdout"_s});
    EXPECT_EQ(stdoutFile.exitCode, 0) << stdoutFile.err.toStdString();
    EXPECT_EQ(stdoutFile.out, expected.out);

    // A FIFO with its reader, and a device that swallows everything (a private /dev/null).
    const QByteArray fifo = QFile::encodeName(path(u"fifo"_s));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    QByteArray device = QFile::encodeName(path(u"null"_s));
    if (::mknod(device.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        device = "/dev/null";
    }
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    for (const QByteArray& node : {fifo, device}) {
        const CliRun result = run({u"job"_s, file, u"-o"_s, QFile::decodeName(node)});
        EXPECT_EQ(result.exitCode, 0) << node.constData() << ": " << result.err.toStdString();
        struct stat info {};
        ASSERT_EQ(::lstat(node.constData(), &info), 0);
        EXPECT_FALSE(S_ISREG(info.st_mode)) << node.constData() << " was replaced by a file";
    }
    QByteArray received(expected.out.size() + 1, '\0');
    EXPECT_EQ(::read(reader, received.data(), size_t(received.size())), expected.out.size());
    received.truncate(expected.out.size());
    EXPECT_EQ(received, expected.out);
    ::close(reader);
}

} // namespace
