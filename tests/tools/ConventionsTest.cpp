// The command-line conventions: each command's --help, the man page and the bash completion,
// all kept in step with the commands the tool has.
#include "tests/tools/CliTest.h"

#include "LabelKit/store/LabelStore.h"

#include <QProcess>
#include <QRegularExpression>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;
using testsupport::runCli;

// The synopsis lines of `vantrel-cli help`, by command name.
QMap<QString, QString> synopses() {
    const auto help = runCli({u"help"_s});
    EXPECT_EQ(help.exitCode, 0);
    QMap<QString, QString> found;
    const QString text = QString::fromUtf8(help.out);
    const QString commands = text.section(u"commands:\n"_s, 1).section(u"\n\n"_s, 0, 0);
    for (const QString& line : commands.split(u'\n', Qt::SkipEmptyParts)) {
        const QString synopsis = line.trimmed();
        found.insert(synopsis.section(u' ', 0, 0), synopsis);
    }
    EXPECT_GE(found.size(), 10);
    return found;
}

// Each command's --help, and `help COMMAND`, print its synopsis as `help` lists it, and so does
// the man page (read as text, troff's fonts and escapes taken out).
TEST(Conventions, HelpAndTheManPageShowEachCommandsUsage) {
    const auto expectUsage = [](const QStringList& call, const QString& synopsis) {
        const auto run = runCli(call);
        EXPECT_EQ(run.exitCode, 0) << call.join(u' ').toStdString();
        EXPECT_TRUE(run.out.startsWith("usage: vantrel-cli " + synopsis.toUtf8() + "\n"))
            << run.out.toStdString();
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    };
    QString page = QString::fromUtf8(
        testsupport::readBytes(testsupport::sourcePath(u"data/man/vantrel-cli.1"_s)));
    page.replace(u"\\-"_s, u"-"_s).replace(u"\\(mu"_s, u"×"_s);
    page.remove(QRegularExpression(u"\\\\f[BIRP]"_s));
    const QMap<QString, QString> commands = synopses();
    for (const auto& [name, synopsis] : commands.asKeyValueRange()) {
        expectUsage({name, u"--help"_s}, synopsis);
        EXPECT_TRUE(page.contains(u'\n' + synopsis + u'\n')) << synopsis.toStdString();
    }
    const QString printLabel = commands.value(u"print-label"_s);
    expectUsage({u"help"_s, u"print-label"_s}, printLabel);
    expectUsage(testsupport::words(u"print-label x --copies 0 --help"_s), printLabel);
}

// The completion's candidates for the words typed so far, the last one being completed.
QStringList complete(const QStringList& words, const QString& home) {
    QProcess bash;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, home);
    env.insert(u"XDG_CONFIG_HOME"_s, home + u"/.config"_s);
    bash.setProcessEnvironment(env);
    const QString script = u"source \"$0\"; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); "
                           "_vantrel_cli; printf '%s\\n' \"${COMPREPLY[@]}\""_s;
    bash.start(u"bash"_s,
               QStringList{u"-c"_s, script, testsupport::sourcePath(u"data/vantrel-cli.bash"_s),
                           QStringLiteral(VANTREL_CLI_PATH)} +
                   words);
    EXPECT_TRUE(bash.waitForFinished(30000));
    EXPECT_EQ(bash.exitCode(), 0) << bash.readAllStandardError().toStdString();
    QStringList candidates =
        QString::fromUtf8(bash.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    candidates.sort();
    return candidates;
}

TEST(Conventions, BashCompletesCommandsOptionsAndStoredLabelNames) {
    QTemporaryDir home;
    const QString library = home.filePath(u"library"_s);
    {
        LabelStore store(library, false);
        for (const QString& name : {u"Bin tag"_s, u"Bin (blue)"_s, u"Shelf"_s}) {
            ASSERT_TRUE(store.save(LabelDocument(name)));
        }
    }
    const QString h = home.path();
    EXPECT_THAT(complete({u"print-t"_s}, h), ElementsAre(u"print-text"_s));
    EXPECT_THAT(complete({u"print-label"_s, u"--c"_s}, h), ElementsAre(u"--copies"_s));
    EXPECT_THAT(complete({u"render"_s, u"--s"_s}, h),
                ElementsAre(u"--scale"_s, u"--serial"_s, u"--smooth"_s));
    EXPECT_THAT(complete({u"--library"_s, library, u"print-label"_s, u"B"_s}, h),
                UnorderedElementsAre(u"Bin\\ \\(blue\\)"_s, u"Bin\\ tag"_s));
    EXPECT_THAT(complete({u"--library"_s, library, u"print"_s, u"--copies"_s, u"2"_s, u"Sh"_s}, h),
                ElementsAre(u"Shelf"_s));
    EXPECT_THAT(complete({u"--library"_s, library, u"print-label"_s, u"Shelf"_s, u""_s}, h),
                IsEmpty())
        << "the name is already there";
    EXPECT_THAT(complete({u"print-label"_s, u""_s}, h), IsEmpty());
    EXPECT_FALSE(QDir(h + u"/Documents"_s).exists()) << "completing never creates the library";
}

} // namespace
