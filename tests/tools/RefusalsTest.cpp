// Input the tool refuses rather than reading forever or printing wrong labels.
#include "LabelKit/model/LabelFile.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

using ::testing::HasSubstr;
using testsupport::CliRun;

class Refusals : public ::testing::Test {
protected:
    QString path(const QString& name) const { return m_temp.filePath(name); }
    CliRun run(const QStringList& arguments) {
        return testsupport::runCli(QStringList{u"--library"_s, path(u"Labels"_s)} + arguments,
                                   {u"HOME="_s + path(u"home"_s),
                                    u"XDG_CONFIG_HOME="_s + path(u"config"_s),
                                    u"VANTREL_TIME_SCALE=0.05"_s},
                                   10000);
    }
    QTemporaryDir m_temp;
};

// Other commands already read only regular files of bounded size.
TEST_F(Refusals, CheckAndCsvReadOnlyRegularFiles) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(u"fifo"_s)).constData(), 0600), 0);
    for (const char* command : {"check", "csv"}) {
        for (const QString& file : {path(u"fifo"_s), u"/dev/zero"_s}) {
            const CliRun result = run({QString::fromLatin1(command), file});
            EXPECT_EQ(result.exitCode, 1) << command << " " << file.toStdString();
            EXPECT_THAT(result.err.toStdString(), HasSubstr("it is not a regular file"));
        }
    }
}

TEST_F(Refusals, PrintingAStoredLabelWhoseListCannotBeUsedPrintsNothing) {
    LabelStore store(path(u"Labels"_s), false);
    LabelElement item(ElementKind::text);
    item.content = u"{Item}"_s;
    testsupport::writeBytes(path(u"parts.csv"_s), "Item\nBolt\nNut\n");
    const LabelDocument doc =
        store.attachData(LabelDocument(u"Parts"_s, 40, 30, {item}), path(u"parts.csv"_s));
    ASSERT_TRUE(store.save(doc));
    const QString printed = path(u"printed"_s);
    const QStringList print{u"--virtual"_s, printed, u"print"_s, u"Parts"_s};
    ASSERT_EQ(run(print).exitCode, 0);
    ASSERT_EQ(QDir(printed).entryList({u"*.png"_s}).size(), 2);
    ASSERT_TRUE(QDir(printed).removeRecursively());

    // Missing, or grown beyond the limits.
    for (const QByteArray& list : {QByteArray(), QByteArray(DataTable::maxColumns, ',')}) {
        QFile::remove(store.dataURL(doc.id));
        if (!list.isEmpty()) {
            testsupport::writeBytes(store.dataURL(doc.id), list);
        }
        for (const QStringList& arguments : {print, QStringList{u"batch"_s, u"Parts"_s}}) {
            const CliRun result = run(arguments);
            EXPECT_EQ(result.exitCode, 1) << arguments.join(u' ').toStdString();
            EXPECT_THAT(result.err.toStdString(),
                        HasSubstr("The list “parts.csv” attached to “Parts” can't be used."));
            EXPECT_TRUE(result.out.isEmpty());
        }
        EXPECT_TRUE(QDir(printed).entryList({u"*.png"_s}).isEmpty());
    }
    // A list given for the print replaces the attached one.
    EXPECT_EQ(run(print + QStringList{u"--csv"_s, path(u"parts.csv"_s)}).exitCode, 0);
}

} // namespace
