#include "tests/support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using testsupport::runCli;

QString sample() {
    return testsupport::sourcePath(QStringLiteral("samples/bin-tag.vtllabel"));
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
    const auto run = runCli({QStringLiteral("check"), sample()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, testsupport::readBytes(sample()));
    EXPECT_TRUE(run.err.isEmpty());

    // Repairs show: defaults filled in, modified kept as read, ids upper-cased.
    const auto repaired = runCli(
        {QStringLiteral("check"),
         write(
             QStringLiteral("a.vtllabel"),
             R"({"id": "5a1d7e3b-0c2f-4b69-8e4d-7f6a2c9b1e05", "modified": "2025-03-14T10:26:53+01:00",
            "elements": [{"kind": "star"}], "density": 8.5})")});
    EXPECT_EQ(repaired.exitCode, 0);
    const QJsonObject o = QJsonDocument::fromJson(repaired.out).object();
    EXPECT_EQ(o.value(QStringLiteral("id")).toString(),
              QStringLiteral("5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05"));
    EXPECT_EQ(o.value(QStringLiteral("modified")).toString(),
              QStringLiteral("2025-03-14T09:26:53Z"));
    EXPECT_EQ(o.value(QStringLiteral("density")).toInt(), 8);
    EXPECT_EQ(
        o.value(QStringLiteral("elements")).toArray().at(0)[QStringLiteral("kind")].toString(),
        QStringLiteral("text"));
}

TEST_F(CommandLine, CheckReportsFilesItCannotRead) {
    for (const QByteArray& bytes : {QByteArray("not json"), QByteArray("[1]"), QByteArray()}) {
        const auto run =
            runCli({QStringLiteral("check"), write(QStringLiteral("bad.vtllabel"), bytes)});
        EXPECT_EQ(run.exitCode, 1) << bytes.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_FALSE(run.err.trimmed().isEmpty());
    }
    const auto missing =
        runCli({QStringLiteral("check"), dir.filePath(QStringLiteral("none.vtllabel"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("none.vtllabel"));
    const auto directory = runCli({QStringLiteral("check"), dir.path()});
    EXPECT_EQ(directory.exitCode, 1);
}

TEST_F(CommandLine, ExpandUsesTheMergeOptions) {
    const auto run =
        runCli({QStringLiteral("expand"),
                QStringLiteral("{date} {date:yyyy-MM-dd+1} #{serial} {Name} {Note} {x}"),
                QStringLiteral("--date"), QStringLiteral("2025-03-14T09:26:53Z"),
                QStringLiteral("--serial"), QStringLiteral("7"), QStringLiteral("--digits"),
                QStringLiteral("3"), QStringLiteral("--field"), QStringLiteral("Name=Widget"),
                QStringLiteral("--field=Note=a=b")},
               {QStringLiteral("TZ=UTC")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "03/14/2025 2025-03-15 #007 Widget a=b {x}\n");
}

TEST_F(CommandLine, ExpandHonoursTheTimeZone) {
    const QStringList args = {QStringLiteral("expand"), QStringLiteral("{date:yyyy-MM-dd HH:mm}"),
                              QStringLiteral("--date"), QStringLiteral("2025-03-14T23:30:00Z")};
    EXPECT_EQ(runCli(args, {QStringLiteral("TZ=Asia/Tokyo")}).out, "2025-03-15 08:30\n");
    EXPECT_EQ(runCli(args, {QStringLiteral("TZ=America/Los_Angeles")}).out, "2025-03-14 16:30\n");
}

TEST_F(CommandLine, ExpandLeavesTheSerialVisibleWithoutOne) {
    const auto run = runCli({QStringLiteral("expand"), QStringLiteral("SKU-{serial}")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "SKU-{serial}\n");
}

TEST_F(CommandLine, CsvPrintsColumnsAndRowsAsParsed) {
    const QString path =
        write(QStringLiteral("list.csv"), "Name;Price;Name\r\nCaf\xC3\xA9;\"1;5\";x\r\nTea\r\n");
    const auto run = runCli({QStringLiteral("csv"), path});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(
        o.value(QStringLiteral("columns")).toArray(),
        QJsonArray({QStringLiteral("Name"), QStringLiteral("Price"), QStringLiteral("Name 2")}));
    EXPECT_EQ(o.value(QStringLiteral("rows")).toArray(),
              QJsonArray({QJsonArray({QStringLiteral("Caf\u00e9"), QStringLiteral("1;5"),
                                      QStringLiteral("x")}),
                          QJsonArray({QStringLiteral("Tea")})}));

    const auto noHeader = runCli({QStringLiteral("csv"), path, QStringLiteral("--no-header")});
    const QJsonObject n = QJsonDocument::fromJson(noHeader.out).object();
    EXPECT_EQ(n.value(QStringLiteral("columns")).toArray().at(0).toString(),
              QStringLiteral("Column 1"));
    EXPECT_EQ(n.value(QStringLiteral("rows")).toArray().size(), 3);

    const auto missing = runCli({QStringLiteral("csv"), dir.filePath(QStringLiteral("none.csv"))});
    EXPECT_EQ(missing.exitCode, 1);
}

class UsageErrors : public ::testing::TestWithParam<QStringList> {};

TEST_P(UsageErrors, ExitWithTwoAndTheUsage) {
    const auto run = runCli(GetParam());
    EXPECT_EQ(run.exitCode, 2) << GetParam().join(u' ').toStdString();
    EXPECT_TRUE(run.err.contains("usage: vantrel-cli")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Calls, UsageErrors,
    ::testing::Values(
        QStringList{}, QStringList{QStringLiteral("frobnicate")},
        QStringList{QStringLiteral("check")},
        QStringList{QStringLiteral("check"), QStringLiteral("a"), QStringLiteral("b")},
        QStringList{QStringLiteral("expand")},
        QStringList{QStringLiteral("expand"), QStringLiteral("x"), QStringLiteral("--bogus")},
        QStringList{QStringLiteral("expand"), QStringLiteral("x"), QStringLiteral("--serial")},
        QStringList{QStringLiteral("expand"), QStringLiteral("x"), QStringLiteral("--serial"),
                    QStringLiteral("seven")},
        QStringList{QStringLiteral("expand"), QStringLiteral("x"), QStringLiteral("--field"),
                    QStringLiteral("novalue")},
        QStringList{QStringLiteral("expand"), QStringLiteral("x"), QStringLiteral("--date"),
                    QStringLiteral("yesterday")},
        QStringList{QStringLiteral("expand"), QStringLiteral("x"), QStringLiteral("--digits"),
                    QStringLiteral("-1")},
        QStringList{QStringLiteral("csv"), QStringLiteral("f.csv"),
                    QStringLiteral("--no-header=1")}));

TEST(CommandLineHelp, ListsTheCommands) {
    const auto run = runCli({QStringLiteral("help")});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* command : {"check FILE", "expand TEXT", "csv FILE"}) {
        EXPECT_TRUE(run.out.contains(command)) << command;
    }
}

TEST(CommandLineOptions, ADoubleDashEndsTheOptions) {
    const auto run =
        runCli({QStringLiteral("expand"), QStringLiteral("--"), QStringLiteral("--serial")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "--serial\n");
}

} // namespace
