// Settings the tool cannot read or write: a damaged file is set aside and reported once, never
// written over; a write that fails is reported, never announced as done; without a home folder
// nothing is read or written anywhere else.
#include "LabelKit/platform/SettingsStore.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

using ::testing::HasSubstr;
using testsupport::CliRun;

class SettingsFaults : public ::testing::Test {
protected:
    QString config() const { return m_temp.filePath(u"config"_s); }
    QString settingsFile() const { return config() + u"/Vantrel/settings.json"_s; }
    CliRun run(const QStringList& arguments, const QStringList& environment = {}) {
        return testsupport::runCli(arguments, QStringList{u"HOME="_s + m_temp.filePath(u"home"_s),
                                                          u"XDG_CONFIG_HOME="_s + config()} +
                                                  environment);
    }
    QTemporaryDir m_temp;
};

TEST_F(SettingsFaults, ADamagedFileIsSetAsideReportedOnceAndNeverWrittenOver) {
    ASSERT_TRUE(QDir().mkpath(config() + u"/Vantrel"_s));
    const QByteArray damaged = R"({"printer.default": {"text": "CT221B-A"}, "serial.next.X": )";
    testsupport::writeBytes(settingsFile(), damaged);

    const CliRun first = run({u"printer-settings"_s, u"--chunk-size"_s, u"180"_s});
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_THAT(first.err.toStdString(),
                HasSubstr(("warning: The settings file “" + settingsFile() + "” could not be read")
                              .toStdString()));
    EXPECT_THAT(first.out.toStdString(), HasSubstr("Default printer: none\nWrite size: 180"));
    const QStringList aside =
        QDir(config() + u"/Vantrel"_s).entryList({u"settings.json.damaged-*"_s}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(testsupport::readBytes(config() + u"/Vantrel/"_s + aside[0]), damaged);

    const CliRun second = run({u"printer-settings"_s});
    EXPECT_TRUE(second.err.isEmpty()) << second.err.toStdString();
    EXPECT_THAT(second.out.toStdString(), HasSubstr("Write size: 180"));
}

TEST_F(SettingsFaults, AWriteThatFailsIsReportedAndNothingClaimsItWasSaved) {
    testsupport::SmallDisk disk;
    if (disk.unavailable()) {
        GTEST_SKIP() << disk.unavailable()->toStdString();
    }
    ASSERT_TRUE(QDir().mkpath(disk.path(u"Vantrel"_s)));
    testsupport::writeBytes(disk.path(u"Vantrel/settings.json"_s),
                            R"({"printer.chunkSize": {"integer": 100}})");
    disk.fill();
    const CliRun changed = testsupport::runCli(
        {u"printer-settings"_s, u"--default"_s, u"CT221B-A"_s, u"--chunk-size"_s, u"180"_s},
        {u"HOME="_s + m_temp.path(), u"XDG_CONFIG_HOME="_s + disk.path(u"."_s)});
    EXPECT_EQ(changed.exitCode, 1);
    EXPECT_TRUE(changed.out.isEmpty()) << changed.out.toStdString();
    EXPECT_THAT(changed.err.toStdString(), HasSubstr("No space left on device"));
    EXPECT_EQ(
        FileSettingsStore(disk.path(u"Vantrel/settings.json"_s)).integer(u"printer.chunkSize"_s),
        100);
}

TEST_F(SettingsFaults, WithoutAHomeNothingIsReadOrWrittenInTheRootFolder) {
    for (const QStringList& arguments :
         {QStringList{u"labels"_s}, QStringList{u"printer-settings"_s},
          QStringList{u"--virtual"_s, m_temp.filePath(u"printed"_s), u"print-text"_s, u"x"_s}}) {
        const CliRun result = testsupport::runCli(arguments, {u"HOME"_s, u"XDG_CONFIG_HOME"_s});
        EXPECT_EQ(result.exitCode, 1) << arguments.join(u' ').toStdString();
        EXPECT_THAT(result.err.toStdString(), HasSubstr("HOME is not set"));
    }
    // A library named outside the home still works.
    const CliRun named =
        testsupport::runCli({u"--library"_s, m_temp.filePath(u"Labels"_s), u"labels"_s},
                            {u"HOME"_s, u"XDG_CONFIG_HOME"_s});
    EXPECT_EQ(named.exitCode, 0) << named.err.toStdString();
}

} // namespace
