// print, print-label, print-text, printers, info, printer-settings against the virtual printer.
#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/Templates.h"
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

namespace {

using ::testing::HasSubstr;
using testsupport::CliRun;

class PrinterCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_temp.isValid());
        // A library with the starter designs, as the application leaves it on its first start.
        LabelStore seeded(library(), true);
        ASSERT_EQ(seeded.labels().size(), 4);
    }

    QString path(const QString& name) const { return m_temp.filePath(name); }
    QString library() const { return path(QStringLiteral("Labels")); }
    QString output() const { return path(QStringLiteral("printed")); }
    QString settingsFile() const { return path(QStringLiteral("config/Vantrel/settings.json")); }

    // The tool with its own home and settings, the library and the virtual printer; its clock
    // runs 20 times faster, so pauses and searches are short.
    CliRun run(QStringList arguments, bool virtualPrinter = true) {
        arguments.prepend(library());
        arguments.prepend(QStringLiteral("--library"));
        if (virtualPrinter) {
            arguments.prepend(output());
            arguments.prepend(QStringLiteral("--virtual"));
        }
        return testsupport::runCli(
            arguments, {QStringLiteral("HOME=") + path(QStringLiteral("home")),
                        QStringLiteral("XDG_CONFIG_HOME=") + path(QStringLiteral("config")),
                        QStringLiteral("VANTREL_TIME_SCALE=0.05")});
    }

    QStringList printedFiles() const {
        return QDir(output()).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    }

    QTemporaryDir m_temp;
};

QString text(const QByteArray& bytes) {
    return QString::fromUtf8(bytes);
}

TEST_F(PrinterCommands, PrintsACsvBatchExactlyAsRenderDrawsEachRow) {
    LabelElement name(ElementKind::text);
    name.content = QStringLiteral("{Name}");
    name.height = 12;
    LabelElement code(ElementKind::barcode);
    code.content = QStringLiteral("{SKU}");
    code.y = 14;
    code.height = 12;
    const LabelDocument design(QStringLiteral("Shelf"), 40, 30, {name, code});
    const QString file = path(QStringLiteral("shelf.vtllabel"));
    testsupport::writeBytes(file, LabelFile::encode(design));
    const QString csv = path(QStringLiteral("rows.csv"));
    testsupport::writeBytes(
        csv, "Name,SKU\nApples,A-1\nPears,P-22\nPlums,PL-333\nKiwis,K-4\nLimes,L-55\n");

    const CliRun printed = run({QStringLiteral("print"), file, QStringLiteral("--csv"), csv});
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_EQ(text(printed.out), QStringLiteral("Sent 5 labels\n"));
    for (int i = 1; i <= 5; ++i) {
        EXPECT_THAT(printed.err.toStdString(),
                    HasSubstr(QStringLiteral("Printing %1 of 5\n").arg(i).toStdString()));
    }
    const QStringList files = printedFiles();
    ASSERT_EQ(files.size(), 5);
    for (int row = 1; row <= 5; ++row) {
        const QString expected = path(QStringLiteral("render%1.png").arg(row));
        const CliRun rendered =
            run({QStringLiteral("render"), file, QStringLiteral("--csv"), csv,
                 QStringLiteral("--row"), QString::number(row), QStringLiteral("-o"), expected},
                false);
        ASSERT_EQ(rendered.exitCode, 0) << rendered.err.toStdString();
        const QImage label(QDir(output()).filePath(files[row - 1]));
        const QImage reference(expected);
        EXPECT_EQ(label.convertToFormat(QImage::Format_Grayscale8),
                  reference.convertToFormat(QImage::Format_Grayscale8))
            << "row " << row;
    }
}

TEST_F(PrinterCommands, PrintsAStoredDesignAndSaysWhereTheLabelWent) {
    const CliRun printed = run({QStringLiteral("print"), QStringLiteral("bin tag"),
                                QStringLiteral("--copies"), QStringLiteral("3")});
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_EQ(text(printed.out), QStringLiteral("Sent 3 labels\n")) << "one job of three copies";
    const QString png = QDir(output()).filePath(QStringLiteral("0001.png"));
    EXPECT_THAT(printed.err.toStdString(), HasSubstr(("Saved " + png).toStdString()));
    EXPECT_TRUE(QFileInfo::exists(png));
    EXPECT_TRUE(testsupport::readBytes(QDir(output()).filePath(QStringLiteral("0001.tspl")))
                    .endsWith("PRINT 1,3\r\n"));

    const CliRun again = run({QStringLiteral("print"), QStringLiteral("Big text")});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(text(again.out), QStringLiteral("Sent 1 label\n"));
    EXPECT_EQ(printedFiles(), (QStringList{QStringLiteral("0001.png"), QStringLiteral("0002.png")}))
        << "numbering continues after the files already there";
}

TEST_F(PrinterCommands, SerialNumbersContinueFromOnePrintToTheNext) {
    LabelStore labels(library(), false);
    const LabelDocument sku = *labels.labelNamed(QStringLiteral("SKU tag"));
    const auto next = [&] {
        FileSettingsStore settings(settingsFile());
        return settings.integer(PrintBatch::nextSerialKey(sku.id));
    };
    ASSERT_EQ(run({QStringLiteral("print"), QStringLiteral("SKU tag"),
                   QStringLiteral("--serial-count"), QStringLiteral("3")})
                  .exitCode,
              0);
    EXPECT_EQ(next(), 4);
    const CliRun second = run({QStringLiteral("print"), QStringLiteral("SKU tag")});
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(next(), 5);
    EXPECT_EQ(printedFiles().size(), 4);
}

TEST_F(PrinterCommands, PrintLabelAndPrintTextConfirm) {
    const CliRun label = run({QStringLiteral("print-label"), QStringLiteral("BIN TAG"),
                              QStringLiteral("--copies"), QStringLiteral("3")});
    ASSERT_EQ(label.exitCode, 0) << label.err.toStdString();
    EXPECT_EQ(text(label.out), QStringLiteral("Printed 3 × Bin tag.\n"));

    const CliRun line = run({QStringLiteral("print-text"), QStringLiteral("Hello")});
    ASSERT_EQ(line.exitCode, 0) << line.err.toStdString();
    EXPECT_EQ(text(line.out), QStringLiteral("Printed.\n"));
    EXPECT_EQ(printedFiles().size(), 2);
}

TEST_F(PrinterCommands, AMissingLabelFailsWithoutPrinting) {
    const CliRun missing = run({QStringLiteral("print-label"), QStringLiteral("Nope")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(text(missing.err), QStringLiteral("There is no label named “Nope”.\n"));
    EXPECT_TRUE(missing.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(output())) << "the printer was never reached";
}

TEST_F(PrinterCommands, PrinterErrorsExitWithTheirMessage) {
    const CliRun absent = run({QStringLiteral("print-text"), QStringLiteral("Hi"),
                               QStringLiteral("--printer"), QStringLiteral("CT221B-ELSEWHERE")});
    EXPECT_EQ(absent.exitCode, 1);
    EXPECT_EQ(text(absent.err),
              QStringLiteral("Can't find CT221B-ELSEWHERE. Is it switched on, in range, and not "
                             "connected to another phone or the Clabel app?\n"));

    const CliRun none = run({QStringLiteral("print"), QStringLiteral("Bin tag"),
                             QStringLiteral("--printer"), QStringLiteral("CT221B-ELSEWHERE")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.out.isEmpty());
    EXPECT_TRUE(printedFiles().isEmpty());
}

TEST_F(PrinterCommands, ListsAndQueriesThePrinters) {
    const CliRun listed =
        run({QStringLiteral("printers"), QStringLiteral("--seconds"), QStringLiteral("0.5")});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_THAT(listed.out.toStdString(),
                ::testing::MatchesRegex("  CT221B-VIRTUAL  CT221B-VIRTUAL +-[0-9]+ dBm\n"));

    ASSERT_EQ(run({QStringLiteral("printer-settings"), QStringLiteral("--default"),
                   QStringLiteral("CT221B-VIRTUAL"), QStringLiteral("--nickname"),
                   QStringLiteral("CT221B-VIRTUAL=Desk")},
                  false)
                  .exitCode,
              0);
    const CliRun named =
        run({QStringLiteral("printers"), QStringLiteral("--seconds"), QStringLiteral("0.5")});
    EXPECT_THAT(named.out.toStdString(),
                ::testing::MatchesRegex("\\* Desk  CT221B-VIRTUAL +-[0-9]+ dBm  \\(default\\)\n"));

    const CliRun info = run({QStringLiteral("info"), QStringLiteral("CT221B-VIRTUAL")});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_EQ(text(info.out), QStringLiteral("Model: CT221B\nFirmware: V1.0.7\n"));
}

TEST_F(PrinterCommands, PrinterSettingsAreShownChangedAndKept) {
    const CliRun fresh = run({QStringLiteral("printer-settings")}, false);
    ASSERT_EQ(fresh.exitCode, 0) << fresh.err.toStdString();
    EXPECT_EQ(text(fresh.out), QStringLiteral("Default printer: none\nWrite size: 237 bytes\n"
                                              "Pause between labels: 1.5 s\nNicknames: none\n"));

    const CliRun changed =
        run({QStringLiteral("printer-settings"), QStringLiteral("--default"),
             QStringLiteral("CT221B-A"), QStringLiteral("--nickname"),
             QStringLiteral("CT221B-A=\tFront counter "), QStringLiteral("--nickname"),
             QStringLiteral("CT221B-B=   "), QStringLiteral("--chunk-size"), QStringLiteral("180"),
             QStringLiteral("--pause"), QStringLiteral("2")},
            false);
    ASSERT_EQ(changed.exitCode, 0) << changed.err.toStdString();
    const QString expected = QStringLiteral(
        "Default printer: CT221B-A\nWrite size: 180 bytes\nPause between labels: 2.0 s\n"
        "Nicknames:\n  CT221B-A = Front counter\n  CT221B-B = \n");
    EXPECT_EQ(text(changed.out), expected);
    EXPECT_TRUE(QFileInfo::exists(settingsFile())) << "kept under XDG_CONFIG_HOME";
    EXPECT_EQ(text(run({QStringLiteral("printer-settings")}, false).out), expected);

    const CliRun cleared =
        run({QStringLiteral("printer-settings"), QStringLiteral("--no-default")}, false);
    EXPECT_THAT(cleared.out.toStdString(), HasSubstr("Default printer: none\n"));
    FileSettingsStore settings(settingsFile());
    EXPECT_FALSE(settings.contains(QStringLiteral("printer.default")));
    EXPECT_EQ(settings.integer(QStringLiteral("printer.chunkSize")), 180);
}

struct Misuse {
    const char* name;
    QStringList arguments;
};

void PrintTo(const Misuse& m, std::ostream* os) {
    *os << m.name;
}

class PrinterCommandMisuse : public PrinterCommands,
                             public ::testing::WithParamInterface<Misuse> {};

TEST_P(PrinterCommandMisuse, IsAUsageErrorThatPrintsNothing) {
    const CliRun misuse = run(GetParam().arguments);
    EXPECT_EQ(misuse.exitCode, 2) << misuse.err.toStdString();
    EXPECT_THAT(misuse.err.toStdString(), HasSubstr("usage: vantrel-cli "));
    EXPECT_TRUE(printedFiles().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, PrinterCommandMisuse,
    ::testing::Values(Misuse{"PrintWithoutLabel", {QStringLiteral("print")}},
                      Misuse{"PrintLabelWithoutName", {QStringLiteral("print-label")}},
                      Misuse{"PrintTextWithoutText", {QStringLiteral("print-text")}},
                      Misuse{"NoCopies",
                             {QStringLiteral("print-label"), QStringLiteral("Bin tag"),
                              QStringLiteral("--copies"), QStringLiteral("0")}},
                      Misuse{"TooManyCopies",
                             {QStringLiteral("print-text"), QStringLiteral("x"),
                              QStringLiteral("--copies"), QStringLiteral("201")}},
                      Misuse{"EmptyPrinterName",
                             {
                                 QStringLiteral("print-text"),
                                 QStringLiteral("x"),
                                 QStringLiteral("--printer="),
                             }},
                      Misuse{"UnknownOption",
                             {QStringLiteral("print"), QStringLiteral("Bin tag"),
                              QStringLiteral("--colour"), QStringLiteral("red")}},
                      Misuse{"InfoWithoutPrinter", {QStringLiteral("info")}},
                      Misuse{"SecondsNotANumber",
                             {QStringLiteral("printers"), QStringLiteral("--seconds"),
                              QStringLiteral("soon")}},
                      Misuse{"ChunkTooSmall",
                             {QStringLiteral("printer-settings"), QStringLiteral("--chunk-size"),
                              QStringLiteral("10")}},
                      Misuse{"PauseTooLong",
                             {QStringLiteral("printer-settings"), QStringLiteral("--pause"),
                              QStringLiteral("9")}},
                      Misuse{"NicknameWithoutEquals",
                             {QStringLiteral("printer-settings"), QStringLiteral("--nickname"),
                              QStringLiteral("CT221B-A")}},
                      Misuse{"BothDefaults",
                             {QStringLiteral("printer-settings"), QStringLiteral("--default"),
                              QStringLiteral("A"), QStringLiteral("--no-default")}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(PrinterCommands, RowsOutsideTheListAreRefusedBeforeAnythingPrints) {
    const QString csv = path(QStringLiteral("rows.csv"));
    testsupport::writeBytes(csv, "Name\nA\nB\n");
    const CliRun refused =
        run({QStringLiteral("print"), QStringLiteral("Bin tag"), QStringLiteral("--csv"), csv,
             QStringLiteral("--rows"), QStringLiteral("5-9")});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_THAT(refused.err.toStdString(), HasSubstr("row 5 is not in the list"));
    EXPECT_FALSE(QFileInfo::exists(output()));
}

} // namespace
