#include "LabelKit/platform/FileWriter.h"

#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

mode_t modeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    return info.st_mode & 07777;
}

// A write cut short (here by the file size limit, as by a full disk) is a failure with the
// system's reason; the old file stays whole with its permissions, and nothing else is left.
TEST(FileWriter, ReplaceKeepsThePermissionsAndNeverReportsAShortWriteAsDone) {
    QTemporaryDir dir;
    const QString path = dir.filePath(u"label.json"_s);
    testsupport::writeBytes(path, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    EXPECT_FALSE(FileWriter::replace(path, "new"));
    EXPECT_EQ(testsupport::readBytes(path), QByteArray("new"));
    EXPECT_EQ(modeOf(path), mode_t(0640));

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::optional<QString> failure = FileWriter::replace(path, QByteArray(10000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(failure, u"File too large"_s);
    EXPECT_EQ(testsupport::readBytes(path), QByteArray("new"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"label.json"_s});
}

} // namespace
