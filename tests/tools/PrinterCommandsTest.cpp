// print, print-label, print-text, printers, info, printer-settings against the virtual printer.
#include "tests/tools/CliTest.h"

#include "LabelKit/store/LabelStore.h"

#include <QImage>

namespace {

using ::testing::MatchesRegex;

class PrinterCommands : public CliTest {};

// Each print command confirms what it sent, the labels are numbered on after the files already
// there, and list rows print exactly as render draws them.
TEST_F(PrinterCommands, PrintCommandsConfirmWhatTheySentAndPrintRowsAsRenderDrawsThem) {
    // A library with the starter designs, as the application leaves it on its first start.
    ASSERT_EQ(LabelStore(library(), true).labels().size(), 4);
    const CliRun printed = print(u"print bin_tag --copies 3"_s);
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_EQ(printed.out, "Sent 3 labels\n") << "one job of three copies";
    EXPECT_THAT(printed.err.toStdString(),
                HasSubstr(("Saved " + path(u"printed/0001.png"_s)).toStdString()));
    EXPECT_EQ(print(u"print Big_text"_s).out, "Sent 1 label\n");
    EXPECT_EQ(QString::fromUtf8(print(u"print-label BIN_TAG --copies 3"_s).out),
              u"Printed 3 × Bin tag.\n"_s);
    EXPECT_EQ(print(u"print-text Hello"_s).out, "Printed.\n");

    const CliRun rows = print(u"print FILE --csv CSV --rows 4-6"_s);
    ASSERT_EQ(rows.exitCode, 0) << rows.err.toStdString();
    EXPECT_EQ(rows.out, "Sent 3 labels\n");
    for (const char* progress : {"Printing 1 of 3\n", "Printing 2 of 3\n", "Printing 3 of 3\n"}) {
        EXPECT_THAT(rows.err.toStdString(), HasSubstr(progress));
    }
    const QStringList files = printedFiles();
    ASSERT_EQ(files.size(), 7) << "each print numbers on";
    for (int row = 4; row <= 6; ++row) {
        ASSERT_EQ(run(u"render FILE --csv CSV --row %1 -o @row.png"_s.arg(row)).exitCode, 0);
        EXPECT_EQ(
            QImage(path(u"printed/"_s + files[row])).convertToFormat(QImage::Format_Grayscale8),
            QImage(path(u"row.png"_s)).convertToFormat(QImage::Format_Grayscale8))
            << "row " << row;
    }
}

// The printers are listed with their nicknames and signals and answer what they are; several
// virtual printers each print into their own folder.
TEST_F(PrinterCommands, ListsQueriesAndPrintsOnThePrinters) {
    const CliRun listed = print(u"printers --seconds 0.5"_s);
    EXPECT_THAT(listed.out.toStdString(),
                MatchesRegex("  CT221B-VIRTUAL  CT221B-VIRTUAL +-[0-9]+ dBm\n"))
        << listed.err.toStdString();
    EXPECT_THAT(print(u"--virtual-printers B@-75,A printers --seconds 0.5"_s).out.toStdString(),
                MatchesRegex("  CT221B-A  CT221B-A +-[0-9]+ dBm\n"
                             "  CT221B-B  CT221B-B +-7[0-9] dBm\n"));
    const CliRun printed = print(u"--virtual-printers B,A print-text Hi --printer CT221B-B"_s);
    ASSERT_EQ(printed.exitCode, 0) << printed.err.toStdString();
    EXPECT_EQ(printedFiles(u"printed/CT221B-B"_s), QStringList{u"0001.png"_s});
    EXPECT_TRUE(printedFiles(u"printed/CT221B-A"_s).isEmpty());
    ASSERT_EQ(
        run(u"printer-settings --default CT221B-VIRTUAL --nickname CT221B-VIRTUAL=Desk"_s).exitCode,
        0);
    EXPECT_THAT(print(u"printers --seconds 0.5"_s).out.toStdString(),
                MatchesRegex("\\* Desk  CT221B-VIRTUAL +-[0-9]+ dBm  \\(default\\)\n"));
    EXPECT_EQ(print(u"info CT221B-VIRTUAL"_s).out, "Model: CT221B\nFirmware: V1.0.7\n");
}

TEST_F(PrinterCommands, PrinterSettingsAreShownChangedAndKept) {
    const CliRun changed =
        run({u"printer-settings"_s, u"--default"_s, u"CT221B-A"_s, u"--nickname"_s,
             u"CT221B-A=\tFront counter "_s, u"--nickname"_s, u"CT221B-B=   "_s, u"--chunk-size"_s,
             u"180"_s, u"--pause"_s, u"2"_s});
    const QByteArray expected =
        "Default printer: CT221B-A\nWrite size: 180 bytes\nPause between labels: 2.0 s\n"
        "Nicknames:\n  CT221B-A = Front counter\n  CT221B-B = \n";
    EXPECT_EQ(changed.out, expected) << changed.err.toStdString();
    EXPECT_THAT(run(u"printer-settings --no-default"_s).out.toStdString(),
                HasSubstr("Default printer: none\n"));
}

} // namespace
