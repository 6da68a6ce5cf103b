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

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testsupport::CliRun;
using testsupport::runCli;

QString idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

LabelDocument designWith(const QString& name, const QString& content) {
    LabelElement text(ElementKind::text);
    text.content = content;
    return LabelDocument(name, 40, 30, {text});
}

class LibraryCommands : public ::testing::Test {
protected:
    QString library() const { return m_temp.filePath(QStringLiteral("Labels")); }

    CliRun run(QStringList arguments) {
        arguments.prepend(library());
        arguments.prepend(QStringLiteral("--library"));
        return runCli(arguments);
    }

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = m_temp.filePath(name);
        testsupport::writeBytes(path, bytes);
        return path;
    }

    QString writeLabel(const LabelDocument& doc) {
        return write(doc.name + QStringLiteral(".vtllabel"), LabelFile::encode(doc));
    }

    // Stores a design in the library, optionally with a list attached. Unlike a save, this
    // keeps the design's modification time.
    LabelDocument store(LabelDocument doc, const QByteArray& csv = {}) {
        LabelStore labels(library(), false);
        if (!csv.isEmpty()) {
            doc = labels.attachData(doc, write(QStringLiteral("attached.csv"), csv));
        }
        testsupport::writeBytes(labels.url(doc.id), LabelFile::encode(doc));
        return doc;
    }

    QStringList libraryFiles() const {
        return QDir(library()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QTemporaryDir m_temp;
};

QJsonArray jsonArray(const CliRun& run) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.out.toStdString();
    EXPECT_TRUE(doc.isArray()) << run.out.toStdString();
    return doc.array();
}

std::vector<qint64> serials(const QJsonArray& items) {
    std::vector<qint64> list;
    for (const QJsonValue& item : items) {
        const QJsonValue serial = item[QStringLiteral("serial")];
        list.push_back(serial.isNull() ? -1 : serial.toInteger());
    }
    return list;
}

std::vector<std::string> field(const QJsonArray& items, const QString& name) {
    std::vector<std::string> list;
    for (const QJsonValue& item : items) {
        list.push_back(item[QStringLiteral("fields")][name].toString().toStdString());
    }
    return list;
}

const QByteArray tenRows = "Name,SKU\n"
                           "Row 1,S1\nRow 2,S2\nRow 3,S3\nRow 4,S4\nRow 5,S5\n"
                           "Row 6,S6\nRow 7,S7\nRow 8,S8\nRow 9,S9\nRow 10,S10\n";

// labels

TEST_F(LibraryCommands, LabelsListsNameSizeIdAndListNewestFirst) {
    LabelDocument wide = designWith(QStringLiteral("Wide"), QStringLiteral("x"));
    wide.widthMM = 50.8;
    wide.heightMM = 25;
    wide.modified = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    const LabelDocument first = store(wide);
    LabelDocument parts = designWith(QStringLiteral("Parts"), QStringLiteral("{Name}"));
    parts.modified = QDateTime::fromSecsSinceEpoch(1700000100, Qt::UTC);
    const LabelDocument second = store(parts, "Name\nBolt\n");

    const CliRun listed = run({QStringLiteral("labels")});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(listed.out), QStringLiteral("Parts\t40 × 30 mm\t%1\tattached.csv\n"
                                                            "Wide\t50.8 × 25 mm\t%2\t\n")
                                                 .arg(idText(second.id), idText(first.id)));

    const QJsonArray json = jsonArray(run({QStringLiteral("labels"), QStringLiteral("--json")}));
    ASSERT_EQ(json.size(), 2);
    EXPECT_EQ(json[0][QStringLiteral("name")].toString(), QStringLiteral("Parts"));
    EXPECT_EQ(json[0][QStringLiteral("dataName")].toString(), QStringLiteral("attached.csv"));
    EXPECT_EQ(json[1][QStringLiteral("widthMM")].toDouble(), 50.8);
    EXPECT_TRUE(json[1][QStringLiteral("dataName")].isUndefined());
}

TEST_F(LibraryCommands, ANamedLibraryIsNeverSeeded) {
    const CliRun listed = run({QStringLiteral("labels")});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_TRUE(listed.out.isEmpty());
    EXPECT_TRUE(QFileInfo(library()).isDir());
    EXPECT_TRUE(libraryFiles().isEmpty());
}

TEST_F(LibraryCommands, TheDefaultLibraryIsSeededOnlyWhenFirstCreated) {
    const QStringList environment{QStringLiteral("HOME=") + m_temp.path(),
                                  QStringLiteral("XDG_CONFIG_HOME=") +
                                      m_temp.filePath(QStringLiteral("config"))};
    const QString folder = m_temp.filePath(QStringLiteral("Documents/Labels"));

    const CliRun first = runCli({QStringLiteral("labels")}, environment);
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QStringList lines = QString::fromUtf8(first.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << first.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Big text\t")));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Bin tag\t")));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 4);

    // Emptied by the user: stays empty.
    for (const QString& file : QDir(folder).entryList(QDir::Files)) {
        QFile::remove(QDir(folder).filePath(file));
    }
    const CliRun again = runCli({QStringLiteral("labels")}, environment);
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_TRUE(again.out.isEmpty());
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
}

// link

TEST_F(LibraryCommands, LinkPrintsTheRequestOfAPrintLink) {
    const LabelDocument bin = store(Templates::binTag());
    struct Case {
        const char* url;
        qint64 copies;
        QJsonObject fields;
    };
    for (const Case& c : {Case{"vantrel://print?label=Bin%20tag", 1, {}},
                          Case{"kestlabel://print?label=BIN%20TAG&copies=12", 12, {}},
                          Case{"vantrel://print?label=B%C3%8EN%20t%C3%A0g&copies=abc", 1, {}},
                          Case{"vantrel://print?label=bin%20tag&SKU=123&SKU=456&Note", 1,
                               QJsonObject{{QStringLiteral("SKU"), QStringLiteral("456")},
                                           {QStringLiteral("Note"), QString()}}}}) {
        const CliRun result = run({QStringLiteral("link"), QString::fromUtf8(c.url)});
        ASSERT_EQ(result.exitCode, 0) << c.url << ": " << result.err.toStdString();
        const QJsonObject request = QJsonDocument::fromJson(result.out).object();
        EXPECT_EQ(request[QStringLiteral("labelID")].toString(), idText(bin.id)) << c.url;
        EXPECT_EQ(request[QStringLiteral("copies")].toInteger(), c.copies) << c.url;
        EXPECT_EQ(request[QStringLiteral("fields")].toObject(), c.fields) << c.url;
    }
}

TEST_F(LibraryCommands, LinkWithoutARequestFails) {
    store(Templates::binTag());
    const QString labelFile =
        writeLabel(designWith(QStringLiteral("Outside"), QStringLiteral("x")));
    for (const QString& url :
         {QStringLiteral("vantrel://Print?label=Bin%20tag"),
          QStringLiteral("http://print?label=Bin%20tag"),
          QStringLiteral("vantrel://print?label=Shelf"), QStringLiteral("vantrel://print?copies=2"),
          QStringLiteral("vantrel://print?label=") +
              QString::fromLatin1(QUrl::toPercentEncoding(labelFile)),
          QStringLiteral("not a link")}) {
        const CliRun result = run({QStringLiteral("link"), url});
        EXPECT_EQ(result.exitCode, 1) << url.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << url.toStdString();
    }
    EXPECT_EQ(run({QStringLiteral("link")}).exitCode, 2);
}

// batch

TEST_F(LibraryCommands, BatchOfAPlainDesignIsOneItem) {
    const QString file = writeLabel(designWith(QStringLiteral("Plain"), QStringLiteral("{Name}")));
    const CliRun result =
        run({QStringLiteral("batch"), file, QStringLiteral("--copies"), QStringLiteral("3"),
             QStringLiteral("--field"), QStringLiteral("Name=Widget")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonArray items = jsonArray(result);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].toObject(),
              (QJsonObject{{QStringLiteral("serial"), QJsonValue::Null},
                           {QStringLiteral("serialDigits"), 0},
                           {QStringLiteral("fields"),
                            QJsonObject{{QStringLiteral("Name"), QStringLiteral("Widget")}}},
                           {QStringLiteral("copies"), 3}}));
}

TEST_F(LibraryCommands, BatchOfASerialDesignIsARun) {
    const QString file =
        writeLabel(designWith(QStringLiteral("Numbered"), QStringLiteral("#{serial}")));
    const QJsonArray items =
        jsonArray(run({QStringLiteral("batch"), file, QStringLiteral("--serial-start"),
                       QStringLiteral("41"), QStringLiteral("--serial-count=3")}));
    EXPECT_THAT(serials(items), ElementsAre(41, 42, 43));
    EXPECT_EQ(items[0][QStringLiteral("serialDigits")].toInteger(), 4);

    const QJsonArray defaults = jsonArray(
        run({QStringLiteral("batch"), file, QStringLiteral("--digits"), QStringLiteral("0")}));
    EXPECT_THAT(serials(defaults), ElementsAre(1));
    EXPECT_EQ(defaults[0][QStringLiteral("serialDigits")].toInteger(), 0);
}

struct RowsCase {
    const char* name;
    QStringList options;
    std::vector<std::string> rows; // Name of each item, in order
    std::vector<qint64> serials;
};

class BatchRows : public LibraryCommands, public ::testing::WithParamInterface<RowsCase> {};

TEST_P(BatchRows, ChoosesRowsLikeThePrintPanel) {
    const RowsCase& c = GetParam();
    const QString file =
        writeLabel(designWith(QStringLiteral("Rows"), QStringLiteral("{Name} {serial}")));
    const QString csv = write(QStringLiteral("ten.csv"), tenRows);
    QStringList arguments{QStringLiteral("batch"),          file,
                          QStringLiteral("--csv"),          csv,
                          QStringLiteral("--serial-start"), QStringLiteral("100")};
    arguments += c.options;
    const CliRun result = run(arguments);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonArray items = jsonArray(result);
    EXPECT_EQ(field(items, QStringLiteral("Name")), c.rows);
    EXPECT_EQ(serials(items), c.serials);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, BatchRows,
    ::testing::Values(
        RowsCase{"AllByDefault",
                 {},
                 {"Row 1", "Row 2", "Row 3", "Row 4", "Row 5", "Row 6", "Row 7", "Row 8", "Row 9",
                  "Row 10"},
                 {100, 101, 102, 103, 104, 105, 106, 107, 108, 109}},
        RowsCase{"ReversedRange",
                 {QStringLiteral("--rows"), QStringLiteral("7-3")},
                 {"Row 3", "Row 4", "Row 5", "Row 6", "Row 7"},
                 {100, 101, 102, 103, 104}},
        RowsCase{"Range", {QStringLiteral("--rows=9-10")}, {"Row 9", "Row 10"}, {100, 101}},
        RowsCase{"TickedRowsAscendingOnce",
                 {QStringLiteral("--rows"), QStringLiteral("5,2,5")},
                 {"Row 2", "Row 5"},
                 {100, 101}},
        RowsCase{
            "OneTickedRow", {QStringLiteral("--rows"), QStringLiteral("10")}, {"Row 10"}, {100}},
        RowsCase{"DontUseList",
                 {QStringLiteral("--rows"), QStringLiteral("none"),
                  QStringLiteral("--serial-count"), QStringLiteral("2")},
                 {"", ""},
                 {100, 101}},
        RowsCase{"HeaderIsARow",
                 {QStringLiteral("--no-header"), QStringLiteral("--rows"), QStringLiteral("1-2")},
                 {"", ""},
                 {100, 101}}),
    [](const ::testing::TestParamInfo<RowsCase>& p) { return p.param.name; });

TEST_F(LibraryCommands, BatchSerialsCountRowsAndColumnsOverrideFields) {
    const QString file =
        writeLabel(designWith(QStringLiteral("Rows"), QStringLiteral("{Name} {Shop} {serial}")));
    const QString csv = write(QStringLiteral("ten.csv"), tenRows);
    const QJsonArray items = jsonArray(
        run({QStringLiteral("batch"), file, QStringLiteral("--csv"), csv, QStringLiteral("--rows"),
             QStringLiteral("1-3"), QStringLiteral("--copies"), QStringLiteral("2"),
             QStringLiteral("--field"), QStringLiteral("Name=Ignored"), QStringLiteral("--field"),
             QStringLiteral("Shop=North")}));
    EXPECT_THAT(serials(items), ElementsAre(1, 2, 3));
    EXPECT_THAT(field(items, QStringLiteral("Name")), ElementsAre("Row 1", "Row 2", "Row 3"));
    EXPECT_THAT(field(items, QStringLiteral("Shop")), ElementsAre("North", "North", "North"));
    for (const QJsonValue& item : items) {
        EXPECT_EQ(item[QStringLiteral("copies")].toInteger(), 2);
    }

    // --no-header: the columns are numbered, and the header line is the first row.
    const QJsonArray headless = jsonArray(
        run({QStringLiteral("batch"), file, QStringLiteral("--csv"), csv,
             QStringLiteral("--no-header"), QStringLiteral("--rows"), QStringLiteral("1")}));
    EXPECT_THAT(field(headless, QStringLiteral("Column 1")), ElementsAre("Name"));
}

TEST_F(LibraryCommands, BatchOfAStoredLabelUsesItsAttachedList) {
    store(designWith(QStringLiteral("Parts list"), QStringLiteral("{Name}")), "Name\nBolt\nNut\n");
    const QJsonArray items =
        jsonArray(run({QStringLiteral("batch"), QStringLiteral("PARTS LIST")}));
    EXPECT_THAT(field(items, QStringLiteral("Name")), ElementsAre("Bolt", "Nut"));
    EXPECT_THAT(serials(items), ElementsAre(-1, -1));

    // An explicit list replaces it.
    const QString csv = write(QStringLiteral("other.csv"), "Name\nWasher\n");
    const QJsonArray other = jsonArray(
        run({QStringLiteral("batch"), QStringLiteral("Parts list"), QStringLiteral("--csv"), csv}));
    EXPECT_THAT(field(other, QStringLiteral("Name")), ElementsAre("Washer"));
}

TEST_F(LibraryCommands, BatchRefusesValuesOutsideThePanelsRanges) {
    const QString file = writeLabel(designWith(QStringLiteral("Rows"), QStringLiteral("{serial}")));
    const QString csv = write(QStringLiteral("ten.csv"), tenRows);
    const QList<QStringList> refused{
        {QStringLiteral("--copies"), QStringLiteral("0")},
        {QStringLiteral("--copies"), QStringLiteral("201")},
        {QStringLiteral("--copies"), QStringLiteral("two")},
        {QStringLiteral("--serial-start"), QStringLiteral("-1")},
        {QStringLiteral("--serial-start"), QStringLiteral("1000000")},
        {QStringLiteral("--serial-count"), QStringLiteral("0")},
        {QStringLiteral("--serial-count"), QStringLiteral("501")},
        {QStringLiteral("--digits"), QStringLiteral("11")},
        {QStringLiteral("--digits"), QStringLiteral("-1")},
        {QStringLiteral("--field"), QStringLiteral("NoEquals")},
        {QStringLiteral("--rows"), QStringLiteral("some")},
        {QStringLiteral("--rows"), QStringLiteral("1-")},
        {QStringLiteral("--rows"), QStringLiteral("0-3"), QStringLiteral("--csv"), csv},
        {QStringLiteral("--rows"), QStringLiteral("3-11"), QStringLiteral("--csv"), csv},
        {QStringLiteral("--rows"), QStringLiteral("2,11"), QStringLiteral("--csv"), csv},
        {QStringLiteral("--rows"), QStringLiteral("1")},
        {QStringLiteral("--no-header")},
        {QStringLiteral("--unknown")},
    };
    for (const QStringList& options : refused) {
        const CliRun result = run(QStringList{QStringLiteral("batch"), file} + options);
        EXPECT_EQ(result.exitCode, 2)
            << options.join(u' ').toStdString() << ": " << result.out.toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_THAT(result.err.toStdString(), HasSubstr("usage:"));
    }
    // The edges of the ranges are fine.
    for (const QStringList& options :
         {QStringList{QStringLiteral("--copies"), QStringLiteral("200"),
                      QStringLiteral("--serial-start"), QStringLiteral("999999"),
                      QStringLiteral("--serial-count"), QStringLiteral("500"),
                      QStringLiteral("--digits"), QStringLiteral("10")},
          QStringList{QStringLiteral("--copies"), QStringLiteral("1"),
                      QStringLiteral("--serial-start"), QStringLiteral("0"),
                      QStringLiteral("--serial-count"), QStringLiteral("1"),
                      QStringLiteral("--digits"), QStringLiteral("0")}}) {
        const CliRun result = run(QStringList{QStringLiteral("batch"), file} + options);
        EXPECT_EQ(result.exitCode, 0)
            << options.join(u' ').toStdString() << ": " << result.err.toStdString();
    }
}

TEST_F(LibraryCommands, BatchReportsWhatItCannotFind) {
    const CliRun noLabel = run({QStringLiteral("batch"), QStringLiteral("Nothing like it")});
    EXPECT_EQ(noLabel.exitCode, 1);
    EXPECT_THAT(noLabel.err.toStdString(), HasSubstr("“Nothing like it”"));

    const CliRun noFile =
        run({QStringLiteral("batch"), m_temp.filePath(QStringLiteral("gone.vtllabel"))});
    EXPECT_EQ(noFile.exitCode, 1);
    EXPECT_THAT(noFile.err.toStdString(), HasSubstr("gone.vtllabel"));

    const QString file = writeLabel(designWith(QStringLiteral("Rows"), QStringLiteral("{Name}")));
    const CliRun noCsv = run({QStringLiteral("batch"), file, QStringLiteral("--csv"),
                              m_temp.filePath(QStringLiteral("gone.csv"))});
    EXPECT_EQ(noCsv.exitCode, 1);
    EXPECT_THAT(noCsv.err.toStdString(), HasSubstr("gone.csv"));
    EXPECT_TRUE(noCsv.out.isEmpty());
}

// render and job: stored labels by name, merge fields from a list row

class RowSources : public LibraryCommands {
protected:
    // The output of render or job, written to standard output, with a fixed date.
    QByteArray output(const QString& command, QStringList arguments) {
        arguments = QStringList{command} + arguments +
                    QStringList{QStringLiteral("-o"), QStringLiteral("-"), QStringLiteral("--date"),
                                QStringLiteral("2025-03-14T09:26:53Z")};
        const CliRun result = run(arguments);
        EXPECT_EQ(result.exitCode, 0)
            << arguments.join(u' ').toStdString() << ": " << result.err.toStdString();
        EXPECT_FALSE(result.out.isEmpty());
        return result.out;
    }

    LabelDocument rowDesign() {
        LabelDocument doc = designWith(QStringLiteral("Row label"), QStringLiteral("{Name}"));
        LabelElement code(ElementKind::barcode);
        code.content = QStringLiteral("{SKU}");
        doc.elements.append(code);
        return doc;
    }
};

TEST_F(RowSources, AStoredLabelDrawsLikeItsFile) {
    const LabelDocument doc = store(rowDesign());
    const QString file = writeLabel(doc);
    for (const QString& command : {QStringLiteral("render"), QStringLiteral("job")}) {
        EXPECT_EQ(output(command, {QStringLiteral("ROW LABEL")}), output(command, {file}))
            << command.toStdString();
    }
}

TEST_F(RowSources, ARowGivesTheSameLabelAsItsFieldsTyped) {
    const QString file = writeLabel(rowDesign());
    const QString csv = write(QStringLiteral("ten.csv"), tenRows);
    for (const QString& command : {QStringLiteral("render"), QStringLiteral("job")}) {
        const QByteArray typed =
            output(command, {file, QStringLiteral("--field"), QStringLiteral("Name=Row 7"),
                             QStringLiteral("--field"), QStringLiteral("SKU=S7")});
        EXPECT_EQ(output(command, {file, QStringLiteral("--csv"), csv, QStringLiteral("--row"),
                                   QStringLiteral("7")}),
                  typed)
            << command.toStdString();
        // A column wins over a --field of the same name.
        EXPECT_EQ(output(command, {file, QStringLiteral("--csv"), csv, QStringLiteral("--row=7"),
                                   QStringLiteral("--field"), QStringLiteral("Name=Other")}),
                  typed)
            << command.toStdString();
        EXPECT_NE(output(command, {file, QStringLiteral("--csv"), csv, QStringLiteral("--row"),
                                   QStringLiteral("8")}),
                  typed)
            << command.toStdString();
    }
    // Without a header the first line is row 1, in numbered columns.
    LabelDocument numbered = designWith(QStringLiteral("Numbered"), QStringLiteral("{Column 1}"));
    const QString numberedFile = writeLabel(numbered);
    EXPECT_EQ(output(QStringLiteral("render"),
                     {numberedFile, QStringLiteral("--csv"), csv, QStringLiteral("--no-header"),
                      QStringLiteral("--row"), QStringLiteral("1")}),
              output(QStringLiteral("render"),
                     {numberedFile, QStringLiteral("--field"), QStringLiteral("Column 1=Name")}));
}

TEST_F(RowSources, AStoredLabelTakesItsRowsFromItsOwnList) {
    store(rowDesign(), tenRows);
    const QString file = writeLabel(rowDesign());
    EXPECT_EQ(output(QStringLiteral("render"),
                     {QStringLiteral("Row label"), QStringLiteral("--row"), QStringLiteral("3")}),
              output(QStringLiteral("render"),
                     {file, QStringLiteral("--field"), QStringLiteral("Name=Row 3"),
                      QStringLiteral("--field"), QStringLiteral("SKU=S3")}));
}

TEST_F(RowSources, RowMistakesAreUsageErrors) {
    const QString file = writeLabel(rowDesign());
    const QString csv = write(QStringLiteral("ten.csv"), tenRows);
    const QString out = m_temp.filePath(QStringLiteral("out.png"));
    const QList<QStringList> mistakes{
        {QStringLiteral("--csv"), csv},
        {QStringLiteral("--no-header"), QStringLiteral("--row"), QStringLiteral("1")},
        {QStringLiteral("--row"), QStringLiteral("1")},
        {QStringLiteral("--csv"), csv, QStringLiteral("--row"), QStringLiteral("0")},
        {QStringLiteral("--csv"), csv, QStringLiteral("--row"), QStringLiteral("11")},
        {QStringLiteral("--csv"), csv, QStringLiteral("--row"), QStringLiteral("two")},
    };
    for (const QString& command : {QStringLiteral("render"), QStringLiteral("job")}) {
        for (const QStringList& options : mistakes) {
            const CliRun result =
                run(QStringList{command, file, QStringLiteral("-o"), out} + options);
            EXPECT_EQ(result.exitCode, 2)
                << command.toStdString() << " " << options.join(u' ').toStdString();
            EXPECT_THAT(result.err.toStdString(),
                        HasSubstr("usage: vantrel-cli " + command.toStdString()));
        }
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(RowSources, AnUnknownNameOrMissingListIsReported) {
    const QString out = m_temp.filePath(QStringLiteral("out.png"));
    const CliRun unknown =
        run({QStringLiteral("render"), QStringLiteral("Shelf"), QStringLiteral("-o"), out});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_THAT(unknown.err.toStdString(), HasSubstr("“Shelf”"));

    const CliRun noCsv =
        run({QStringLiteral("job"), writeLabel(rowDesign()), QStringLiteral("-o"), out,
             QStringLiteral("--csv"), m_temp.filePath(QStringLiteral("gone.csv")),
             QStringLiteral("--row"), QStringLiteral("1")});
    EXPECT_EQ(noCsv.exitCode, 1);
    EXPECT_THAT(noCsv.err.toStdString(), HasSubstr("gone.csv"));
    EXPECT_FALSE(QFileInfo::exists(out));
}

} // namespace
