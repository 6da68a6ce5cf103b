// labels, link, batch, and render or job of stored labels and list rows.
#include "tests/tools/CliTest.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/store/LabelStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace {

QString idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

LabelDocument designWith(const QString& name, const QString& content) {
    LabelElement text(ElementKind::text);
    text.content = content;
    return LabelDocument(name, 40, 30, {text});
}

class LibraryCommands : public CliTest {
protected:
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

    // The items a batch printed as JSON, each as SERIAL:FIELD (- for no serial).
    QString batch(const QString& arguments, const QString& field = u"Name"_s) {
        const CliRun result = run(QStringList{u"batch"_s} + expand(arguments));
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        QStringList items;
        for (const QJsonValue& item : QJsonDocument::fromJson(result.out).array()) {
            const QJsonValue serial = item[u"serial"_s];
            items.append((serial.isNull() ? u"-"_s : QString::number(serial.toInteger())) + u':' +
                         item[u"fields"_s][field].toString());
        }
        return items.join(u' ');
    }
};

// A named library is listed as it is, the default one in the home's documents seeded first.
TEST_F(LibraryCommands, LabelsListsNameSizeIdAndListNewestFirst) {
    const CliRun none = run(u"labels"_s);
    EXPECT_EQ(none.exitCode, 0) << none.err.toStdString();
    EXPECT_TRUE(none.out.isEmpty()) << "a named library is never seeded";
    EXPECT_TRUE(QDir(library()).isEmpty());
    const CliRun seeded = testsupport::runCli({u"labels"_s}, environment());
    EXPECT_EQ(seeded.out.count('\n'), 4) << "the default library is seeded";
    EXPECT_EQ(QDir(path(u"home/Documents/Labels"_s)).entryList(QDir::Files).size(), 4);

    LabelDocument wide = designWith(u"Wide"_s, u"x"_s);
    wide.widthMM = 50.8;
    wide.heightMM = 25;
    wide.modified = QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC);
    const LabelDocument first = store(wide);
    LabelDocument parts = designWith(u"Parts"_s, u"{Name}"_s);
    parts.modified = QDateTime::fromSecsSinceEpoch(1700000100, Qt::UTC);
    const LabelDocument second = store(parts, "Name\nBolt\n");
    EXPECT_EQ(QString::fromUtf8(run(u"labels"_s).out),
              u"Parts\t40 × 30 mm\t%1\tattached.csv\nWide\t50.8 × 25 mm\t%2\t\n"_s.arg(
                  idText(second.id), idText(first.id)));
    const QJsonArray json = QJsonDocument::fromJson(run(u"labels --json"_s).out).array();
    ASSERT_EQ(json.size(), 2);
    EXPECT_EQ(json[0][u"dataName"_s].toString(), u"attached.csv"_s);
    EXPECT_EQ(json[1][u"widthMM"_s].toDouble(), 50.8);
}

// A damaged label file is reported, not skipped silently.
TEST_F(LibraryCommands, ALabelFileThatCannotBeReadIsNamed) {
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
}

TEST_F(LibraryCommands, LinkPrintsTheRequestOfAPrintLinkToALabelOfTheLibrary) {
    const LabelDocument bin = store(Templates::binTag());
    EXPECT_EQ(run(u"link kestlabel://print?label=B%C3%8EN%20t%C3%A0g&copies=12&SKU=456"_s).out,
              R"({"copies":12,"fields":{"SKU":"456"},"labelID":")" + idText(bin.id).toUtf8() +
                  "\"}\n");
    // A file's path is no label name.
    const CliRun path = run({u"link"_s, u"vantrel://print?label="_s +
                                            QString::fromLatin1(QUrl::toPercentEncoding(file))});
    EXPECT_EQ(path.exitCode, 1);
    EXPECT_TRUE(path.out.isEmpty());
}

// A batch of a plain design is one item, of a serial design a run, and of a list the rows chosen
// like the print panel does, serials counting them; a stored label's attached list is used unless
// another is given.
TEST_F(LibraryCommands, BatchGivesTheItemsOfAPrint) {
    file = use(designWith(u"Plain"_s, u"{Name}"_s));
    EXPECT_EQ(run(u"batch FILE --copies 3 --field Name=Widget"_s).out,
              R"([{"copies":3,"fields":{"Name":"Widget"},"serial":null,"serialDigits":0}])"
              "\n");
    store(designWith(u"Parts list"_s, u"{Name}"_s), "Name\nBolt\nNut\n");
    write(u"other.csv"_s, "Name\nWasher\n");
    file = use(designWith(u"Rows"_s, u"{Name} {serial} {Column 1}"_s));
    const std::pair<const char*, const char*> cases[] = {
        {"FILE --serial-start 41 --serial-count=3", "41: 42: 43:"},
        {"FILE --csv CSV --serial-start 100", "100:Row1 101:Row2 102:Row3 103:Row4 104:Row5 "
                                              "105:Row6 106:Row7 107:Row8 108:Row9 109:Row10"},
        {"FILE --csv CSV --serial-start 100 --rows 5,2,5", "100:Row2 101:Row5"},
        {"FILE --csv CSV --serial-start 100 --rows none --serial-count 2", "100: 101:"},
        {"PARTS_LIST", "-:Bolt -:Nut"},
        {"Parts_list --csv @other.csv", "-:Washer"},
    };
    for (const auto& [arguments, items] : cases) {
        EXPECT_EQ(batch(QString::fromLatin1(arguments)), QString::fromLatin1(items)) << arguments;
    }
    // The header is a row.
    EXPECT_EQ(batch(u"FILE --csv CSV --serial-start 100 --no-header --rows 1"_s, u"Column 1"_s),
              u"100:Name"_s);
    EXPECT_EQ(run(u"batch FILE --digits 0"_s).out,
              R"([{"copies":1,"fields":{},"serial":1,"serialDigits":0}])"
              "\n");
}

// render and job of a stored label by name, and of a list row, which draws as its fields typed.
TEST_F(LibraryCommands, StoredLabelsAndRowsDrawLikeTheirFilesAndFields) {
    const auto output = [&](const QString& arguments) {
        const CliRun result = run(arguments + u" -o - --date 2025-03-14T09:26:53Z"_s);
        EXPECT_EQ(result.exitCode, 0)
            << arguments.toStdString() << ": " << result.err.toStdString();
        EXPECT_FALSE(result.out.isEmpty());
        return result.out;
    };
    store(LabelFile::decode(testsupport::readBytes(file)), testsupport::readBytes(csv));
    for (const QString& command : {u"render "_s, u"job "_s}) {
        SCOPED_TRACE(command.toStdString());
        const QByteArray typed = output(command + u"FILE --field Name=Row7 --field SKU=S7"_s);
        EXPECT_EQ(output(command + u"FILE --csv CSV --row 7"_s), typed);
        EXPECT_EQ(output(command + u"SHELF --row 7"_s), typed) << "the stored label's own list";
        EXPECT_EQ(output(command + u"SHELF"_s), output(command + u"FILE"_s));
    }
}

} // namespace
