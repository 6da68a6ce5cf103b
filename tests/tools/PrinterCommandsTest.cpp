

// print, print-label, print-text, printers, info, printer-settings against the virtual printer.
#include "LabelKit/model/LabelFile.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/print/PrintBatch.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

using ::testing::HasSubstr;
using testsupport::CliRun;
using testsupport::words;

class PrinterCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_temp.isValid());
        // A library with the starter designs, as the application leaves it on its first start.
        LabelStore seeded(library(), true);
        ASSERT_EQ(seeded.labels().size(), 4);
    }

    QString path(const QString& name) const { return m_temp.filePath(name); }
    QString library() const { return path(u"Labels"_s); }
    QString output() const { return path(u"printed"_s); }
    QString settingsFile() const { return path(u"config/Vantrel/settings.json"_s); }

    // The tool with its own home and settings, the library and (unless told otherwise) the
    // virtual printer; its clock runs 20 times faster, so pauses and searches are short.
    CliRun run(QStringList arguments, bool virtualPrinter = true) {
        arguments = QStringList{u"--library"_s, library()} + arguments;
        if (virtualPrinter) {
            arguments = QStringList{u"--virtual"_s, output()} + arguments;
        }
        return testsupport::runCli(arguments, {u"HOME="_s + path(u"home"_s),
                                               u"XDG_CONFIG_HOME="_s + path(u"config"_s),
                                               u"VANTREL_TIME_SCALE=0.05"_s});
    }
    // Arguments written as one line.
    CliRun run(const char* arguments, bool virtualPrinter = true) {
        return run(words(QString::fromUtf8(arguments)), virtualPrinter);
    }

    QStringList printedFiles() const {
        return QDir(output()).entryList({u"*.png"_s}, QDir::Files, QDir::Name);
    }

    QTemporaryDir m_temp;
};

TEST_F(PrinterCommands, PrintsACsvBatchExactlyAsRenderDrawsEachRow) {
    LabelElement name(ElementKind::text);
    name.content = u"{Name}"_s;
    name.height = 12;
    LabelElement code(ElementKind::barcode);
    code.content = u"{SKU}"_s;
    code.y = 14;
    code.height = 12;
    const QString file = path(u"shelf.vtllabel"_s);
    testsupport::writeBytes(file,
                            LabelFile::encode(LabelDocument(u"Shelf"_s, 40, 30, {name, code})));
    const QString csv = path(u"rows.csv"_s);
    testsupport::writeBytes(
        csv, "Name,SKU\nApples,A-1\nPears,P-22\nPlums,PL-333\nKiwis,K-4\nLimes,L-55\n");

    const CliRun printed = run({u"print"_s, file, u"--csv"_s, csv});
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_EQ(printed.out, "Sent 5 labels\n");
    for (int i = 1; i <= 5; ++i) {
        EXPECT_THAT(printed.err.toStdString(),
                    HasSubstr("Printing " + std::to_string(i) + " of 5\n"));
    }
    const QStringList files = printedFiles();
    ASSERT_EQ(files.size(), 5);
    for (int row = 1; row <= 5; ++row) {
        const QString expected = path(u"render%1.png"_s.arg(row));
        const CliRun rendered = run({u"render"_s, file, u"--csv"_s, csv, u"--row"_s,
                                     QString::number(row), u"-o"_s, expected},
                                    false);
        ASSERT_EQ(rendered.exitCode, 0) << rendered.err.toStdString();
        EXPECT_EQ(QImage(QDir(output()).filePath(files[row - 1]))
                      .convertToFormat(QImage::Format_Grayscale8),
                  QImage(expected).convertToFormat(QImage::Format_Grayscale8))
            << "row " << row;
    }
}

TEST_F(PrinterCommands, PrintsAStoredDesignAndSaysWhereTheLabelWent) {
    const CliRun printed = run({u"print"_s, u"bin tag"_s, u"--copies"_s, u"3"_s});
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_EQ(printed.out, "Sent 3 labels\n") << "one job of three copies";
    const QString png = QDir(output()).filePath(u"0001.png"_s);
    EXPECT_THAT(printed.err.toStdString(), HasSubstr(("Saved " + png).toStdString()));
    EXPECT_TRUE(QFileInfo::exists(png));
    EXPECT_TRUE(
        testsupport::readBytes(QDir(output()).filePath(u"0001.tspl"_s)).endsWith("PRINT 1,3\r\n"));

    const CliRun again = run({u"print"_s, u"Big text"_s});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(again.out, "Sent 1 label\n");
    EXPECT_EQ(printedFiles(), (QStringList{u"0001.png"_s, u"0002.png"_s}))
        << "numbering continues after the files already there";
}

TEST_F(PrinterCommands, SerialNumbersContinueFromOnePrintToTheNext) {
    const LabelDocument sku = *LabelStore(library(), false).labelNamed(u"SKU tag"_s);
    const auto next = [&] {
        return FileSettingsStore(settingsFile()).integer(PrintBatch::nextSerialKey(sku.id));
    };
    ASSERT_EQ(run({u"print"_s, u"SKU tag"_s, u"--serial-count"_s, u"3"_s}).exitCode, 0);
    EXPECT_EQ(next(), 4);
    const CliRun second = run({u"print"_s, u"SKU tag"_s});
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(next(), 5);
    EXPECT_EQ(printedFiles().size(), 4);
}

TEST_F(PrinterCommands, PrintLabelAndPrintTextConfirmOrFailWithoutPrinting) {
    const CliRun label = run({u"print-label"_s, u"BIN TAG"_s, u"--copies"_s, u"3"_s});
    ASSERT_EQ(label.exitCode, 0) << label.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(label.out), u"Printed 3 × Bin tag.\n"_s);
    const CliRun line = run("print-text Hello");
    ASSERT_EQ(line.exitCode, 0) << line.err.toStdString();
    EXPECT_EQ(line.out, "Printed.\n");
    EXPECT_EQ(printedFiles().size(), 2);

    ASSERT_TRUE(QDir(output()).removeRecursively());
    const CliRun missing = run("print-label Nope");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(missing.err), u"There is no label named “Nope”.\n"_s);
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(output())) << "the printer was never reached";
}

TEST_F(PrinterCommands, PrinterErrorsExitWithTheirMessage) {
    const CliRun absent = run("print-text Hi --printer CT221B-ELSEWHERE");
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_EQ(absent.err, "Can't find CT221B-ELSEWHERE. Is it switched on, in range, and not "
                          "connected to another phone or the Clabel app?\n");

    const CliRun none = run({u"print"_s, u"Bin tag"_s, u"--printer"_s, u"CT221B-ELSEWHERE"_s});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.out.isEmpty());
    EXPECT_TRUE(printedFiles().isEmpty());
}

TEST_F(PrinterCommands, ListsAndQueriesThePrinters) {
    const CliRun listed = run("printers --seconds 0.5");
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_THAT(listed.out.toStdString(),
                ::testing::MatchesRegex("  CT221B-VIRTUAL  CT221B-VIRTUAL +-[0-9]+ dBm\n"));

    ASSERT_EQ(run("printer-settings --default CT221B-VIRTUAL --nickname CT221B-VIRTUAL=Desk", false)
                  .exitCode,
              0);
    EXPECT_THAT(run("printers --seconds 0.5").out.toStdString(),
                ::testing::MatchesRegex("\\* Desk  CT221B-VIRTUAL +-[0-9]+ dBm  \\(default\\)\n"));

    const CliRun info = run("info CT221B-VIRTUAL");
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_EQ(info.out, "Model: CT221B\nFirmware: V1.0.7\n");
}

// Several virtual printers are listed with their signals and each prints into its own folder;
// among several, a print without a printer chosen is refused.
TEST_F(PrinterCommands, SeveralVirtualPrintersPrintIntoTheirOwnFolders) {
    const CliRun listed = run("--virtual-printers B@-75,A printers --seconds 0.5");
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_THAT(listed.out.toStdString(),
                ::testing::MatchesRegex("  CT221B-A  CT221B-A +-[0-9]+ dBm\n"
                                        "  CT221B-B  CT221B-B +-7[0-9] dBm\n"));

    const CliRun printed = run("--virtual-printers B,A print-text Hi --printer CT221B-B");
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(path(u"printed/CT221B-B/0001.png"_s)));
    EXPECT_TRUE(QDir(path(u"printed/CT221B-A"_s)).isEmpty());

    const CliRun unchosen = run("--virtual-printers 2 print-text Hi");
    EXPECT_EQ(unchosen.exitCode, 1);
    EXPECT_EQ(unchosen.err, "No printer selected.\n");
    const CliRun folderless = run("--virtual-printers 2 printers", false);
    EXPECT_EQ(folderless.exitCode, 2);
    EXPECT_THAT(folderless.err.toStdString(), HasSubstr("--virtual-printers needs --virtual DIR"));
}

TEST_F(PrinterCommands, PrinterSettingsAreShownChangedAndKept) {
    const CliRun fresh = run("printer-settings", false);
    ASSERT_EQ(fresh.exitCode, 0) << fresh.err.toStdString();
    EXPECT_EQ(fresh.out, "Default printer: none\nWrite size: 237 bytes\n"
                         "Pause between labels: 1.5 s\nNicknames: none\n");

    const CliRun changed =
        run({u"printer-settings"_s, u"--default"_s, u"CT221B-A"_s, u"--nickname"_s,
             u"CT221B-A=\tFront counter "_s, u"--nickname"_s, u"CT221B-B=   "_s, u"--chunk-size"_s,
             u"180"_s, u"--pause"_s, u"2"_s},
            false);
    ASSERT_EQ(changed.exitCode, 0) << changed.err.toStdString();
    const QByteArray expected =
        "Default printer: CT221B-A\nWrite size: 180 bytes\nPause between labels: 2.0 s\n"
        "Nicknames:\n  CT221B-A = Front counter\n  CT221B-B = \n";
    EXPECT_EQ(changed.out, expected);
    EXPECT_TRUE(QFileInfo::exists(settingsFile())) << "kept under XDG_CONFIG_HOME";
    EXPECT_EQ(run("printer-settings", false).out, expected);

    const CliRun cleared = run("printer-settings --no-default", false);
    EXPECT_THAT(cleared.out.toStdString(), HasSubstr("Default printer: none\n"));
    FileSettingsStore settings(settingsFile());
    EXPECT_FALSE(settings.contains(u"printer.default"_s));
    EXPECT_EQ(settings.integer(u"printer.chunkSize"_s), 180);
}

TEST_F(PrinterCommands, MisuseIsAUsageErrorThatPrintsNothing) {
    for (const char* misuse :
         {"print", "print-label", "print-text", "print-label Bin --copies 0",
          "print-text x --copies 201", "print-text x --printer=", "print Bin --colour red", "info",
          "printers --seconds soon", "printer-settings --chunk-size 10",
          "printer-settings --pause 9", "printer-settings --nickname CT221B-A",
          "printer-settings --default A --no-default"}) {
        const CliRun result = run(misuse);
        EXPECT_EQ(result.exitCode, 2) << misuse << ": " << result.err.toStdString();
        EXPECT_THAT(result.err.toStdString(), HasSubstr("usage: vantrel-cli "));
    }
    // Rows outside the list are refused before anything prints.
    const QString csv = path(u"rows.csv"_s);
    testsupport::writeBytes(csv, "Name\nA\nB\n");
    const CliRun rows = run({u"print"_s, u"Bin tag"_s, u"--csv"_s, csv, u"--rows"_s, u"5-9"_s});
    EXPECT_EQ(rows.exitCode, 2);
    EXPECT_THAT(rows.err.toStdString(), HasSubstr("row 5 is not in the list"));
    EXPECT_FALSE(QFileInfo::exists(output()));
}

} // namespace
