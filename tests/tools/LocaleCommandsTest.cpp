// The tool in a locale whose decimal separator is a comma: numbers for the printer, label files
// and settings keep their point.
#include "LabelKit/model/LabelFile.h"
#include "LabelKit/platform/SettingsStore.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

using ::testing::HasSubstr;

TEST(CommaLocale, NumbersWrittenForMachinesKeepTheirDecimalPoint) {
    QTemporaryDir temp;
    // The locale is made for the test, so that no installed locale is needed: German numbers,
    // and plain POSIX rules where numbers play no part (quicker to build).
    QByteArray definition;
    for (const char* category : {"LC_CTYPE", "LC_COLLATE", "LC_NUMERIC", "LC_TIME", "LC_MONETARY",
                                 "LC_MESSAGES", "LC_PAPER", "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE",
                                 "LC_MEASUREMENT", "LC_IDENTIFICATION"}) {
        const QByteArray name(category);
        const bool posix = name == "LC_CTYPE" || name == "LC_COLLATE" || name == "LC_TIME" ||
                           name == "LC_MONETARY" || name == "LC_MESSAGES";
        definition += name + "\ncopy \"" + (posix ? "POSIX" : "de_DE") + "\"\nEND " + name + "\n";
    }
    testsupport::writeBytes(temp.filePath(u"comma.def"_s), definition);
    const QString locales = temp.filePath(u"locales"_s);
    ASSERT_TRUE(QDir().mkpath(locales));
    ASSERT_EQ(QProcess::execute(u"localedef"_s, {u"-i"_s, temp.filePath(u"comma.def"_s), u"-f"_s,
                                                 u"UTF-8"_s, locales + u"/de_DE.UTF-8"_s}),
              0)
        << "localedef (packages libc-bin and locales) makes the test's locale";
    const QStringList environment{u"LOCPATH="_s + locales,
                                  u"LC_ALL=de_DE.UTF-8"_s,
                                  u"LANG=de_DE.UTF-8"_s,
                                  u"HOME="_s + temp.filePath(u"home"_s),
                                  u"XDG_CONFIG_HOME="_s + temp.filePath(u"config"_s),
                                  u"VANTREL_TIME_SCALE=0.05"_s};
    QProcess probe;
    QProcessEnvironment probeEnvironment = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment) {
        probeEnvironment.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
    }
    probe.setProcessEnvironment(probeEnvironment);
    probe.start(u"/usr/bin/printf"_s, {u"%.1f"_s, u"2.5"_s});
    ASSERT_TRUE(probe.waitForFinished());
    ASSERT_EQ(probe.readAllStandardOutput(), "2,5") << "the comma locale is in effect";

    LabelElement line(ElementKind::line);
    line.strokeMM = 0.25;
    LabelDocument doc(u"Shelf"_s, 50.8, 30, {line});
    doc.gapMM = 2.5;
    const QString file = temp.filePath(u"shelf.vtllabel"_s);
    const QByteArray encoded = LabelFile::encode(doc);
    testsupport::writeBytes(file, encoded);
    const auto run = [&](const QStringList& arguments) {
        return testsupport::runCli(arguments, environment);
    };

    const testsupport::CliRun job = run({u"job"_s, file, u"-o"_s, u"-"_s});
    ASSERT_EQ(job.exitCode, 0) << job.err.toStdString();
    EXPECT_TRUE(job.out.startsWith("SIZE 50.8 mm, 30 mm\r\n")) << job.out.left(40).toStdString();
    EXPECT_TRUE(job.out.endsWith("\r\nGAP 2.5 mm,0 mm\r\nOFFSET 0 mm\r\nPRINT 1,1\r\n"))
        << job.out.right(80).toStdString();

    const testsupport::CliRun printed =
        run({u"--virtual"_s, temp.filePath(u"printed"_s), u"print"_s, file});
    EXPECT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_EQ(printed.out, "Sent 1 label\n");

    const testsupport::CliRun checked = run({u"check"_s, file});
    EXPECT_EQ(checked.out, encoded) << checked.err.toStdString();

    const testsupport::CliRun settings = run({u"printer-settings"_s, u"--pause"_s, u"2.5"_s});
    EXPECT_THAT(settings.out.toStdString(), HasSubstr("Pause between labels: 2.5 s\n"));
    EXPECT_EQ(FileSettingsStore(temp.filePath(u"config/Vantrel/settings.json"_s))
                  .real(u"printer.interLabelDelay"_s),
              2.5);
}

} // namespace
