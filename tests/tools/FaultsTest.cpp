// What guards the user's data from the tool's surroundings: prints running at the same time,
// full disks, outputs that are not regular files, damaged or unwritable settings, no home
// folder, attached lists that cannot be used, and a locale with a decimal comma.
#include "tests/tools/CliTest.h"

#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/print/PrintBatch.h"
#include "LabelKit/store/LabelStore.h"

#include <QCryptographicHash>
#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

class Faults : public CliTest {};

// Labels that differ only in their serial number are the same picture when a number repeats.
TEST_F(Faults, SimultaneousPrintsOfANumberedLabelShareNoSerialAndLoseNoJob) {
    const LabelDocument sku = *LabelStore(library(), true).labelNamed(u"SKU tag"_s);
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < 3; ++i) {
        processes.push_back(testsupport::startCli(
            expand(u"--virtual @printed --library @Labels print SKU_tag --serial-count 3"_s),
            environment()));
    }
    for (auto& process : processes) {
        ASSERT_TRUE(process->waitForFinished(60000));
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
    }
    QSet<QByteArray> pictures;
    for (const QString& label : printedFiles()) {
        pictures.insert(QCryptographicHash::hash(
            testsupport::readBytes(path(u"printed/"_s + label)), QCryptographicHash::Sha256));
    }
    EXPECT_EQ(printedFiles().size(), 9);
    EXPECT_EQ(pictures.size(), 9) << "a serial number was printed twice";
    EXPECT_EQ(FileSettingsStore(settingsFile()).integer(PrintBatch::nextSerialKey(sku.id)), 10);
}

TEST_F(Faults, OnAFullDiskEveryWriteFailsWithTheReasonAndKeepsWhatWasThere) {
    testsupport::SmallDisk disk;
    if (disk.unavailable()) {
        GTEST_SKIP() << disk.unavailable()->toStdString();
    }
    const QString out = disk.path(u"out"_s);
    testsupport::writeBytes(out, "old");
    ASSERT_TRUE(QDir().mkpath(disk.path(u"Vantrel"_s)));
    testsupport::writeBytes(disk.path(u"Vantrel/settings.json"_s),
                            R"({"printer.chunkSize": {"integer": 100}})");
    disk.fill();
    // The settings live on the disk.
    const QStringList calls[] = {
        {u"job"_s, file, u"-o"_s, out},
        {u"render"_s, file, u"-o"_s, out},
        {u"--virtual"_s, disk.path(u"printed"_s), u"print"_s, file},
        {u"printer-settings"_s, u"--default"_s, u"CT221B-A"_s, u"--chunk-size"_s, u"180"_s},
    };
    for (const QStringList& arguments : calls) {
        const CliRun result = testsupport::runCli(
            arguments, environment() + QStringList{u"XDG_CONFIG_HOME="_s + disk.path(u"."_s)});
        EXPECT_EQ(result.exitCode, 1) << arguments.join(u' ').toStdString();
        EXPECT_THAT(result.err.toStdString(), HasSubstr("No space left on device"));
        EXPECT_TRUE(result.out.isEmpty()) << "nothing claims it was saved";
    }
    EXPECT_EQ(testsupport::readBytes(out), "old");
    EXPECT_TRUE(QDir(disk.path(u"printed"_s)).isEmpty()) << "no empty or half-written label";
    EXPECT_EQ(QDir(disk.path(u"."_s)).entryList(QDir::Files | QDir::Hidden),
              (QStringList{u"filler"_s, u"out"_s}));
    EXPECT_EQ(
        FileSettingsStore(disk.path(u"Vantrel/settings.json"_s)).integer(u"printer.chunkSize"_s),
        100);

    // A first start on the full disk adds no starter labels, and the next one with room does.
    const QStringList home{u"HOME="_s + disk.path(u"home"_s)};
    const CliRun first = testsupport::runCli({u"labels"_s}, environment() + home);
    EXPECT_THAT(first.err.toStdString(), HasSubstr("No space left on device"));
    EXPECT_TRUE(first.out.isEmpty());
    disk.release();
    const CliRun next = testsupport::runCli({u"labels"_s}, environment() + home);
    EXPECT_EQ(next.out.count('\n'), 4) << next.err.toStdString();
}

TEST_F(Faults, AnOutputThatIsNotARegularFileIsWrittenIntoAndNeverReplaced) {
    const CliRun expected = run(u"job FILE -o -"_s);
    ASSERT_EQ(expected.exitCode, 0) << expected.err.toStdString();
    EXPECT_EQ(run(u"job FILE -o /dev/stdout"_s).out, expected.out) << "stdout is a pipe";

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

TEST_F(Faults, ADamagedSettingsFileIsSetAsideReportedOnceAndNeverWrittenOver) {
    const QByteArray damaged = R"({"printer.default": {"text": "CT221B-A"}, "serial.next.X": )";
    ASSERT_TRUE(QDir().mkpath(path(u"config/Vantrel"_s)));
    testsupport::writeBytes(settingsFile(), damaged);
    const CliRun first = run(u"printer-settings --chunk-size 180"_s);
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_THAT(first.err.toStdString(),
                HasSubstr(("warning: The settings file “" + settingsFile() + "” could not be read")
                              .toStdString()));
    EXPECT_THAT(first.out.toStdString(), HasSubstr("Default printer: none\nWrite size: 180"));
    const QStringList aside =
        QDir(path(u"config/Vantrel"_s)).entryList({u"settings.json.damaged-*"_s}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(testsupport::readBytes(path(u"config/Vantrel/"_s + aside[0])), damaged);
    const CliRun second = run(u"printer-settings"_s);
    EXPECT_TRUE(second.err.isEmpty()) << second.err.toStdString();
    EXPECT_THAT(second.out.toStdString(), HasSubstr("Write size: 180"));
}

TEST_F(Faults, WithoutAHomeNothingIsReadOrWrittenInTheRootFolder) {
    const QStringList homeless{u"HOME"_s, u"XDG_CONFIG_HOME"_s};
    for (const char* call : {"labels", "printer-settings", "--virtual @printed print-text x"}) {
        const CliRun result = testsupport::runCli(expand(QString::fromLatin1(call)), homeless);
        EXPECT_EQ(result.exitCode, 1) << call;
        EXPECT_THAT(result.err.toStdString(), HasSubstr("HOME is not set"));
    }
    EXPECT_EQ(testsupport::runCli(expand(u"--library @Labels labels"_s), homeless).exitCode, 0)
        << "a library named outside the home still works";
}

TEST_F(Faults, AStoredLabelWhoseListCannotBeUsedPrintsNothing) {
    LabelStore store(library(), false);
    const LabelDocument doc =
        store.attachData(LabelFile::decode(testsupport::readBytes(file)), csv);
    ASSERT_TRUE(store.save(doc));
    // Missing, or grown beyond the limits.
    for (const QByteArray& list : {QByteArray(), QByteArray(DataTable::maxColumns, ',')}) {
        QFile::remove(store.dataURL(doc.id));
        if (!list.isEmpty()) {
            testsupport::writeBytes(store.dataURL(doc.id), list);
        }
        for (const QString& call : {u"print Shelf"_s, u"batch Shelf"_s}) {
            const CliRun result = print(call);
            EXPECT_EQ(result.exitCode, 1) << call.toStdString();
            EXPECT_THAT(result.err.toStdString(),
                        HasSubstr("The list “ten.csv” attached to “Shelf” can't be used."));
            EXPECT_TRUE(result.out.isEmpty());
        }
        EXPECT_TRUE(printedFiles().isEmpty());
    }
    EXPECT_EQ(print(u"print Shelf --csv CSV --rows 1"_s).exitCode, 0) << "a list given replaces it";
}

// Numbers for the printer, label files and settings keep their decimal point.
TEST_F(Faults, ALocaleWithADecimalCommaChangesNoNumberWrittenForMachines) {
    // The locale is made for the test, so that no installed locale is needed.
    ASSERT_TRUE(QDir().mkpath(path(u"locales"_s)));
    ASSERT_EQ(
        QProcess::execute(u"localedef"_s, {u"-i"_s, testsupport::dataPath(u"comma-locale.def"_s),
                                           u"-f"_s, u"UTF-8"_s, path(u"locales/de_DE.UTF-8"_s)}),
        0)
        << "localedef (packages libc-bin and locales) makes the test's locale";
    const QStringList comma =
        environment() + QStringList{u"LOCPATH="_s + path(u"locales"_s), u"LC_ALL=de_DE.UTF-8"_s,
                                    u"LANG=de_DE.UTF-8"_s};
    const QString probe =
        u"LOCPATH=\"$0\" LC_ALL=de_DE.UTF-8 /usr/bin/printf %.1f 2.5 | grep -qx 2,5"_s;
    ASSERT_EQ(QProcess::execute(u"sh"_s, {u"-c"_s, probe, path(u"locales"_s)}), 0)
        << "the comma locale is in effect";

    LabelElement line(ElementKind::line);
    line.strokeMM = 0.25;
    LabelDocument doc(u"Shelf"_s, 50.8, 30, {line});
    doc.gapMM = 2.5;
    const QByteArray encoded = LabelFile::encode(doc);
    file = write(u"shelf.vtllabel"_s, encoded);
    const auto run = [&](const QString& call) { return testsupport::runCli(expand(call), comma); };
    const CliRun job = run(u"job FILE -o -"_s);
    EXPECT_TRUE(job.out.startsWith("SIZE 50.8 mm, 30 mm\r\n")) << job.err.toStdString();
    EXPECT_TRUE(job.out.endsWith("\r\nGAP 2.5 mm,0 mm\r\nOFFSET 0 mm\r\nPRINT 1,1\r\n"))
        << job.out.right(80).toStdString();
    EXPECT_EQ(run(u"--virtual @printed print FILE"_s).out, "Sent 1 label\n");
    EXPECT_EQ(run(u"check FILE"_s).out, encoded);
    EXPECT_THAT(run(u"printer-settings --pause 2.5"_s).out.toStdString(),
                HasSubstr("Pause between labels: 2.5 s\n"));
    EXPECT_EQ(FileSettingsStore(settingsFile()).real(u"printer.interLabelDelay"_s), 2.5);
}

} // namespace
