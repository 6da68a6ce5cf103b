#include "tests/support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using testsupport::runCli;
using testsupport::words;

QString sample() {
    return testsupport::sourcePath(u"samples/bin-tag.vtllabel"_s);
}

class CommandLine : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        testsupport::writeBytes(path, bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(CommandLine, CheckWritesTheLabelFileBytesOfWhatItRead) {
    const auto run = runCli({u"check"_s, sample()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, testsupport::readBytes(sample()));
    EXPECT_TRUE(run.err.isEmpty());

    // Repairs show: defaults filled in, modified kept as read, ids upper-cased.
    const auto repaired =
        runCli({u"check"_s, write(u"a.vtllabel"_s, R"({"id": "5a1d7e3b-0c2f-4b69-8e4d-7f6a2c9b1e05",
            "modified": "2025-03-14T10:26:53+01:00", "elements": [{"kind": "star"}],
            "density": 8.5})")});
    EXPECT_EQ(repaired.exitCode, 0);
    const QJsonObject o = QJsonDocument::fromJson(repaired.out).object();
    EXPECT_EQ(o[u"id"_s].toString(), u"5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05"_s);
    EXPECT_EQ(o[u"modified"_s].toString(), u"2025-03-14T09:26:53Z"_s);
    EXPECT_EQ(o[u"density"_s].toInt(), 8);
    EXPECT_EQ(o[u"elements"_s][0][u"kind"_s].toString(), u"text"_s);
}

TEST_F(CommandLine, CheckReportsFilesItCannotRead) {
    for (const QByteArray& bytes : {QByteArray("not json"), QByteArray("[1]"), QByteArray()}) {
        const auto run = runCli({u"check"_s, write(u"bad.vtllabel"_s, bytes)});
        EXPECT_EQ(run.exitCode, 1) << bytes.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_FALSE(run.err.trimmed().isEmpty());
    }
    const auto missing = runCli({u"check"_s, dir.filePath(u"none.vtllabel"_s)});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("none.vtllabel"));
    EXPECT_EQ(runCli({u"check"_s, dir.path()}).exitCode, 1);
}

TEST_F(CommandLine, ExpandUsesTheMergeOptionsAndTheTimeZone) {
    const auto run =
        runCli({u"expand"_s, u"{date} {date:yyyy-MM-dd+1} #{serial} {Name} {Note} {x}"_s,
                u"--date"_s, u"2025-03-14T09:26:53Z"_s, u"--serial"_s, u"7"_s, u"--digits"_s,
                u"3"_s, u"--field"_s, u"Name=Widget"_s, u"--field=Note=a=b"_s},
               {u"TZ=UTC"_s});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "03/14/2025 2025-03-15 #007 Widget a=b {x}\n");

    const QStringList late = {u"expand"_s, u"{date:yyyy-MM-dd HH:mm}"_s, u"--date"_s,
                              u"2025-03-14T23:30:00Z"_s};
    EXPECT_EQ(runCli(late, {u"TZ=Asia/Tokyo"_s}).out, "2025-03-15 08:30\n");
    // Without a serial the placeholder stays visible; "--" ends the options.
    EXPECT_EQ(runCli(words(u"expand SKU-{serial}"_s)).out, "SKU-{serial}\n");
    const auto dashes = runCli(words(u"expand -- --serial"_s));
    EXPECT_EQ(dashes.exitCode, 0) << dashes.err.toStdString();
    EXPECT_EQ(dashes.out, "--serial\n");
}

TEST_F(CommandLine, CsvPrintsColumnsAndRowsAsParsed) {
    const QString path =
        write(u"list.csv"_s, "Name;Price;Name\r\nCaf\xC3\xA9;\"1;5\";x\r\nTea\r\n");
    const auto run = runCli({u"csv"_s, path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(o[u"columns"_s].toArray(), QJsonArray({u"Name"_s, u"Price"_s, u"Name 2"_s}));
    EXPECT_EQ(o[u"rows"_s].toArray(),
              QJsonArray({QJsonArray({u"Caf\u00e9"_s, u"1;5"_s, u"x"_s}), QJsonArray({u"Tea"_s})}));

    EXPECT_EQ(runCli({u"csv"_s, dir.filePath(u"none.csv"_s)}).exitCode, 1);
}

class UsageErrors : public ::testing::TestWithParam<const char*> {};

TEST_P(UsageErrors, ExitWithTwoAndTheUsage) {
    const auto run = runCli(words(QString::fromUtf8(GetParam())));
    EXPECT_EQ(run.exitCode, 2) << GetParam();
    EXPECT_TRUE(run.err.contains("usage: vantrel-cli")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Calls, UsageErrors,
                         ::testing::Values("", "frobnicate", "check", "check a b", "expand",
                                           "expand x --bogus", "expand x --serial",
                                           "expand x --serial seven", "expand x --field novalue",
                                           "expand x --date yesterday", "expand x --digits -1",
                                           "csv f.csv --no-header=1"));

} // namespace
