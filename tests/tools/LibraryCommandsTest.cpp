#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/Templates.h"
#include "LabelKit/store/LabelStore.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrl>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <numeric>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::CliRun;
using testsupport::runCli;
using testsupport::words;

QString idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

LabelDocument designWith(const QString& name, const QString& content) {
    LabelElement text(ElementKind::text);
    text.content = content;
    return LabelDocument(name, 40, 30, {text});
}

const QByteArray tenRows = "Name,SKU\n"
                           "Row1,S1\nRow2,S2\nRow3,S3\nRow4,S4\nRow5,S5\n"
                           "Row6,S6\nRow7,S7\nRow8,S8\nRow9,S9\nRow10,S10\n";

class LibraryCommands : public ::testing::Test {
protected:
    void SetUp() override { csv = write(u"ten.csv"_s, tenRows); }

    QString library() const { return m_temp.filePath(u"Labels"_s); }

    // Arguments written as one line, where "FILE" and "CSV" stand for the design file and the
    // ten-row list.
    QStringList expand(const QString& arguments) const {
        return words(arguments).replaceInStrings(u"FILE"_s, file).replaceInStrings(u"CSV"_s, csv);
    }
    // The tool on the test's library.
    CliRun run(const QString& arguments) { return run(expand(arguments)); }
    CliRun run(const QStringList& arguments) {
        return runCli(QStringList{u"--library"_s, library()} + arguments);
    }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = m_temp.filePath(name);
        testsupport::writeBytes(path, bytes);
        return path;
    }

    // Writes the design as FILE.
    void use(const LabelDocument& doc) {
        file = write(doc.name + u".vtllabel"_s, LabelFile::encode(doc));
    }

    // Stores a design in the library, optionally with a list attached. Unlike a save, this
    // keeps the design's modification time.
    LabelDocument store(LabelDocument doc, const QByteArray& list = {}) {
        LabelStore labels(library(), false);
        if (!list.isEmpty()) {
            doc = labels.attachData(doc, write(u"attached.csv"_s, list));
        }
        testsupport::writeBytes(labels.url(doc.id), LabelFile::encode(doc));
        return doc;
    }

    QTemporaryDir m_temp;
    QString csv;
    QString file;
};

QJsonArray jsonArray(const CliRun& run) {
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_TRUE(doc.isArray()) << run.out.toStdString();
    return doc.array();
}

std::vector<qint64> serials(const QJsonArray& items) {
    std::vector<qint64> list;
    for (const QJsonValue& item : items) {
        list.push_back(item[u"serial"_s].isNull() ? -1 : item[u"serial"_s].toInteger());
    }
    return list;
}

std::vector<std::string> field(const QJsonArray& items, const QString& name) {
    std::vector<std::string> list;
    for (const QJsonValue& item : items) {
        list.push_back(item[u"fields"_s][name].toString().toStdString());
    }
    return list;
}

// labels

TEST_F(LibraryCommands, LabelsListsNameSizeIdAndListNewestFirst) {
    LabelDocument wide = designWith(u"Wide"_s, u"x"_s);
    wide.widthMM = 50.8;
    wide.heightMM = 25;
    wide.modified = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    const LabelDocument first = store(wide);
    LabelDocument parts = designWith(u"Parts"_s, u"{Name}"_s);
    parts.modified = QDateTime::fromSecsSinceEpoch(1700000100, Qt::UTC);
    const LabelDocument second = store(parts, "Name\nBolt\n");

    const CliRun listed = run(u"labels"_s);
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(listed.out),
              u"Parts\t40 × 30 mm\t%1\tattached.csv\nWide\t50.8 × 25 mm\t%2\t\n"_s.arg(
                  idText(second.id), idText(first.id)));

    const QJsonArray json = jsonArray(run(u"labels --json"_s));
    ASSERT_EQ(json.size(), 2);
    EXPECT_EQ(json[0][u"dataName"_s].toString(), u"attached.csv"_s);
    EXPECT_EQ(json[1][u"widthMM"_s].toDouble(), 50.8);
}

TEST_F(LibraryCommands, ANamedLibraryIsNeverSeeded) {
    const CliRun listed = run(u"labels"_s);
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_TRUE(listed.out.isEmpty());
    EXPECT_TRUE(QFileInfo(library()).isDir());
    EXPECT_TRUE(QDir(library()).isEmpty());
}

TEST_F(LibraryCommands, TheDefaultLibraryIsSeededOnlyWhenFirstCreated) {
    const QStringList environment{u"HOME="_s + m_temp.path(),
                                  u"XDG_CONFIG_HOME="_s + m_temp.filePath(u"config"_s)};
    const QDir folder(m_temp.filePath(u"Documents/Labels"_s));

    const CliRun first = runCli({u"labels"_s}, environment);
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QStringList lines = QString::fromUtf8(first.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << first.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(u"Big text\t"_s));
    EXPECT_TRUE(lines[3].startsWith(u"Bin tag\t"_s));
    EXPECT_EQ(folder.entryList(QDir::Files).size(), 4);

    // Emptied by the user: stays empty.
    for (const QString& name : folder.entryList(QDir::Files)) {
        QFile::remove(folder.filePath(name));
    }
    const CliRun again = runCli({u"labels"_s}, environment);
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_TRUE(again.out.isEmpty());
    EXPECT_TRUE(folder.entryList(QDir::Files).isEmpty());
}

TEST_F(LibraryCommands, ALibraryThatCannotBeListedIsAnError) {
    const QString file = write(u"file"_s, "x");
    const QString dangling = m_temp.filePath(u"dangling"_s);
    ASSERT_TRUE(QFile::link(m_temp.filePath(u"nowhere"_s), dangling));
    const QString loop = m_temp.filePath(u"loop"_s);
    ASSERT_TRUE(QFile::link(loop, loop));
    for (const QString& folder : {file, dangling, loop}) {
        const CliRun listed = runCli({u"--library"_s, folder, u"labels"_s});
        EXPECT_EQ(listed.exitCode, 1) << folder.toStdString();
        EXPECT_THAT(
            QString::fromUtf8(listed.err).toStdString(),
            HasSubstr(u"Couldn't open the label library “%1”: "_s.arg(folder).toStdString()));
        EXPECT_TRUE(listed.out.isEmpty());
    }
}

TEST_F(LibraryCommands, ALabelFileThatCannotBeReadIsNamedNotSkippedSilently) {
    store(designWith(u"Shelf"_s, u"x"_s));
    const QString damaged = QDir(library()).filePath(idText(QUuid::createUuid()) + u".vtllabel"_s);
    testsupport::writeBytes(damaged, "{ damaged");
    const std::string named = u"“%1” isn't a label file"_s.arg(damaged).toStdString();

    const CliRun listed = run(u"labels"_s);
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_TRUE(listed.out.startsWith("Shelf\t"));
    EXPECT_THAT(listed.err.toStdString(), HasSubstr(named));
    const CliRun printed = run(QStringList{u"job"_s, u"Bin tag"_s, u"-o"_s, u"-"_s});
    EXPECT_EQ(printed.exitCode, 1);
    EXPECT_THAT(printed.err.toStdString(), HasSubstr("No label named “Bin tag” could be read"));
    EXPECT_THAT(printed.err.toStdString(), HasSubstr(named));
    EXPECT_THAT(run(QStringList{u"check"_s, damaged}).err.toStdString(), HasSubstr(named));
}

// link

TEST_F(LibraryCommands, LinkPrintsTheRequestOfAPrintLinkAndFailsWithoutOne) {
    const LabelDocument bin = store(Templates::binTag());
    const CliRun plain = run(u"link kestlabel://print?label=B%C3%8EN%20t%C3%A0g&copies=12"_s);
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(plain.out).object(),
              (QJsonObject{{u"labelID"_s, idText(bin.id)},
                           {u"copies"_s, 12},
                           {u"fields"_s, QJsonObject()}}));
    const CliRun fields = run(u"link vantrel://print?label=bin%20tag&SKU=123&SKU=456&Note"_s);
    ASSERT_EQ(fields.exitCode, 0) << fields.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(fields.out).object()[u"fields"_s].toObject(),
              (QJsonObject{{u"SKU"_s, u"456"_s}, {u"Note"_s, QString()}}));

    use(designWith(u"Outside"_s, u"x"_s));
    // A file's path is no label name: links print only from the library.
    for (const QString& url :
         {u"vantrel://print?label=Shelf"_s,
          u"vantrel://print?label="_s + QString::fromLatin1(QUrl::toPercentEncoding(file))}) {
        const CliRun result = run(QStringList{u"link"_s, url});
        EXPECT_EQ(result.exitCode, 1) << url.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << url.toStdString();
    }
    EXPECT_EQ(run(u"link"_s).exitCode, 2);
}

// batch

TEST_F(LibraryCommands, BatchOfAPlainDesignIsOneItemAndOfASerialDesignARun) {
    use(designWith(u"Plain"_s, u"{Name}"_s));
    const QJsonArray plain = jsonArray(run(u"batch FILE --copies 3 --field Name=Widget"_s));
    EXPECT_EQ(plain, QJsonArray({QJsonObject{{u"serial"_s, QJsonValue::Null},
                                             {u"serialDigits"_s, 0},
                                             {u"fields"_s, QJsonObject{{u"Name"_s, u"Widget"_s}}},
                                             {u"copies"_s, 3}}}));

    use(designWith(u"Numbered"_s, u"#{serial}"_s));
    const QJsonArray items = jsonArray(run(u"batch FILE --serial-start 41 --serial-count=3"_s));
    EXPECT_THAT(serials(items), ElementsAre(41, 42, 43));
    EXPECT_EQ(items[0][u"serialDigits"_s].toInteger(), 4);
    const QJsonArray defaults = jsonArray(run(u"batch FILE --digits 0"_s));
    EXPECT_THAT(serials(defaults), ElementsAre(1));
    EXPECT_EQ(defaults[0][u"serialDigits"_s].toInteger(), 0);
}

struct RowsCase {
    const char* name;
    const char* options;
    std::vector<std::string> rows; // Name of each item, in order
};

class BatchRows : public LibraryCommands, public ::testing::WithParamInterface<RowsCase> {};

TEST_P(BatchRows, ChoosesRowsLikeThePrintPanelAndSerialsCountThem) {
    use(designWith(u"Rows"_s, u"{Name} {serial}"_s));
    const QJsonArray items = jsonArray(run(u"batch FILE --csv CSV --serial-start 100 "_s +
                                           QString::fromLatin1(GetParam().options)));
    EXPECT_EQ(field(items, u"Name"_s), GetParam().rows);
    std::vector<qint64> expected(GetParam().rows.size());
    std::iota(expected.begin(), expected.end(), 100);
    EXPECT_EQ(serials(items), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, BatchRows,
    ::testing::Values(
        RowsCase{"AllByDefault",
                 "",
                 {"Row1", "Row2", "Row3", "Row4", "Row5", "Row6", "Row7", "Row8", "Row9", "Row10"}},
        RowsCase{"ReversedRange", "--rows 7-3", {"Row3", "Row4", "Row5", "Row6", "Row7"}},
        RowsCase{"Range", "--rows=9-10", {"Row9", "Row10"}},
        RowsCase{"TickedRowsAscendingOnce", "--rows 5,2,5", {"Row2", "Row5"}},
        RowsCase{"DontUseList", "--rows none --serial-count 2", {"", ""}},
        RowsCase{"HeaderIsARow", "--no-header --rows 1-2", {"", ""}}),
    [](const ::testing::TestParamInfo<RowsCase>& p) { return p.param.name; });

TEST_F(LibraryCommands, BatchColumnsOverrideFieldsAndCopiesRepeatNoSerial) {
    use(designWith(u"Rows"_s, u"{Name} {Shop} {serial}"_s));
    const QJsonArray items = jsonArray(run(
        u"batch FILE --csv CSV --rows 1-3 --copies 2 --field Name=Ignored --field Shop=North"_s));
    EXPECT_THAT(serials(items), ElementsAre(1, 2, 3));
    EXPECT_THAT(field(items, u"Name"_s), ElementsAre("Row1", "Row2", "Row3"));
    EXPECT_THAT(field(items, u"Shop"_s), ElementsAre("North", "North", "North"));
    for (const QJsonValue& item : items) {
        EXPECT_EQ(item[u"copies"_s].toInteger(), 2);
    }
    // --no-header: the columns are numbered, and the header line is the first row.
    use(designWith(u"Rows"_s, u"{Column 1}"_s));
    const QJsonArray headless = jsonArray(run(u"batch FILE --csv CSV --no-header --rows 1"_s));
    EXPECT_THAT(field(headless, u"Column 1"_s), ElementsAre("Name"));
}

TEST_F(LibraryCommands, BatchOfAStoredLabelUsesItsAttachedList) {
    store(designWith(u"Parts list"_s, u"{Name}"_s), "Name\nBolt\nNut\n");
    const QJsonArray items = jsonArray(run(QStringList{u"batch"_s, u"PARTS LIST"_s}));
    EXPECT_THAT(field(items, u"Name"_s), ElementsAre("Bolt", "Nut"));
    EXPECT_THAT(serials(items), ElementsAre(-1, -1));
    // An explicit list replaces it.
    const QJsonArray other = jsonArray(
        run({u"batch"_s, u"Parts list"_s, u"--csv"_s, write(u"other.csv"_s, "Name\nWasher\n")}));
    EXPECT_THAT(field(other, u"Name"_s), ElementsAre("Washer"));
}

TEST_F(LibraryCommands, BatchRefusesValuesOutsideThePanelsRanges) {
    use(designWith(u"Rows"_s, u"{serial}"_s));
    for (const char* options : {"--copies 0", "--copies 201", "--copies two", "--serial-start -1",
                                "--serial-start 1000000", "--serial-count 0", "--serial-count 501",
                                "--digits 11", "--digits -1", "--field NoEquals", "--rows some",
                                "--rows 1-", "--rows 0-3 --csv CSV", "--rows 3-11 --csv CSV",
                                "--rows 2,11 --csv CSV", "--rows 1", "--no-header", "--unknown"}) {
        const CliRun result = run(u"batch FILE "_s + QString::fromLatin1(options));
        EXPECT_EQ(result.exitCode, 2) << options << ": " << result.out.toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_THAT(result.err.toStdString(), HasSubstr("usage:"));
    }
    // The edges of the ranges are fine.
    for (const char* options : {"--copies 200 --serial-start 999999 --serial-count 500 --digits 10",
                                "--copies 1 --serial-start 0 --serial-count 1 --digits 0"}) {
        const CliRun result = run(u"batch FILE "_s + QString::fromLatin1(options));
        EXPECT_EQ(result.exitCode, 0) << options << ": " << result.err.toStdString();
    }
}

TEST_F(LibraryCommands, BatchReportsWhatItCannotFind) {
    const CliRun noLabel = run(QStringList{u"batch"_s, u"Nothing like it"_s});
    EXPECT_EQ(noLabel.exitCode, 1);
    EXPECT_THAT(noLabel.err.toStdString(), HasSubstr("“Nothing like it”"));

    const CliRun noFile = run(QStringList{u"batch"_s, m_temp.filePath(u"gone.vtllabel"_s)});
    EXPECT_EQ(noFile.exitCode, 1);
    EXPECT_THAT(noFile.err.toStdString(), HasSubstr("gone.vtllabel"));

    use(designWith(u"Rows"_s, u"{Name}"_s));
    const CliRun noCsv = run({u"batch"_s, file, u"--csv"_s, m_temp.filePath(u"gone.csv"_s)});
    EXPECT_EQ(noCsv.exitCode, 1);
    EXPECT_THAT(noCsv.err.toStdString(), HasSubstr("gone.csv"));
    EXPECT_TRUE(noCsv.out.isEmpty());
}

// render and job: stored labels by name, merge fields from a list row

class RowSources : public LibraryCommands {
protected:
    void SetUp() override {
        LibraryCommands::SetUp();
        LabelDocument doc = designWith(u"Row label"_s, u"{Name}"_s);
        LabelElement code(ElementKind::barcode);
        code.content = u"{SKU}"_s;
        doc.elements.append(code);
        design = doc;
        use(design);
    }

    // The output of render or job, written to standard output, with a fixed date.
    QByteArray output(const QStringList& arguments) {
        const CliRun result = run(arguments + words(u"-o - --date 2025-03-14T09:26:53Z"_s));
        EXPECT_EQ(result.exitCode, 0)
            << arguments.join(u' ').toStdString() << ": " << result.err.toStdString();
        EXPECT_FALSE(result.out.isEmpty());
        return result.out;
    }
    QByteArray output(const QString& arguments) { return output(expand(arguments)); }

    LabelDocument design;
};

TEST_F(RowSources, AStoredLabelDrawsLikeItsFileAndTakesRowsFromItsOwnList) {
    store(design, tenRows);
    for (const QString& command : {u"render"_s, u"job"_s}) {
        EXPECT_EQ(output({command, u"ROW LABEL"_s}), output(command + u" FILE"_s))
            << command.toStdString();
    }
    EXPECT_EQ(output({u"render"_s, u"Row label"_s, u"--row"_s, u"3"_s}),
              output(u"render FILE --field Name=Row3 --field SKU=S3"_s));
}

TEST_F(RowSources, ARowGivesTheSameLabelAsItsFieldsTyped) {
    for (const QString& command : {u"render "_s, u"job "_s}) {
        SCOPED_TRACE(command.toStdString());
        const QByteArray typed = output(command + u"FILE --field Name=Row7 --field SKU=S7"_s);
        EXPECT_EQ(output(command + u"FILE --csv CSV --row 7"_s), typed);
        // A column wins over a --field of the same name.
        EXPECT_EQ(output(command + u"FILE --csv CSV --row=7 --field Name=Other"_s), typed);
        EXPECT_NE(output(command + u"FILE --csv CSV --row 8"_s), typed);
    }
    // Without a header the first line is row 1, in numbered columns.
    use(designWith(u"Numbered"_s, u"{Column 1}"_s));
    EXPECT_EQ(output(u"render FILE --csv CSV --no-header --row 1"_s),
              output({u"render"_s, file, u"--field"_s, u"Column 1=Name"_s}));
}

TEST_F(RowSources, RowMistakesAreUsageErrors) {
    const QString out = m_temp.filePath(u"out.png"_s);
    for (const QString& command : {u"render"_s, u"job"_s}) {
        for (const char* options :
             {"--csv CSV", "--no-header --row 1", "--row 1", "--csv CSV --row 0",
              "--csv CSV --row 11", "--csv CSV --row two"}) {
            const CliRun result =
                run(command + u" FILE -o "_s + out + u" "_s + QString::fromLatin1(options));
            EXPECT_EQ(result.exitCode, 2) << command.toStdString() << " " << options;
            EXPECT_THAT(result.err.toStdString(),
                        HasSubstr("usage: vantrel-cli " + command.toStdString()));
        }
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(RowSources, AnUnknownNameOrMissingListIsReported) {
    const QString out = m_temp.filePath(u"out.png"_s);
    const CliRun unknown = run(QStringList{u"render"_s, u"Shelf"_s, u"-o"_s, out});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_THAT(unknown.err.toStdString(), HasSubstr("“Shelf”"));

    const CliRun noCsv = run({u"job"_s, file, u"-o"_s, out, u"--csv"_s,
                              m_temp.filePath(u"gone.csv"_s), u"--row"_s, u"1"_s});
    EXPECT_EQ(noCsv.exitCode, 1);
    EXPECT_THAT(noCsv.err.toStdString(), HasSubstr("gone.csv"));
    EXPECT_FALSE(QFileInfo::exists(out));
}

} // namespace
