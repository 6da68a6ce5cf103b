// labels, link, batch, and render or job of stored labels and list rows.
#include "tests/tools/CliTest.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/store/LabelStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace {

using ::testing::ElementsAre;

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

    // The JSON array a batch printed: each item's serial (-1 for none) and the field.
    std::pair<std::vector<qint64>, QStringList> batch(const QStringList& arguments,
                                                      const QString& field = u"Name"_s) {
        const CliRun result = run(QStringList{u"batch"_s} + arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        std::pair<std::vector<qint64>, QStringList> items;
        for (const QJsonValue& item : QJsonDocument::fromJson(result.out).array()) {
            items.first.push_back(item[u"serial"_s].isNull() ? -1 : item[u"serial"_s].toInteger());
            items.second.append(item[u"fields"_s][field].toString());
        }
        return items;
    }
};

TEST_F(LibraryCommands, LabelsListsNameSizeIdAndListNewestFirst) {
    const CliRun none = run(u"labels"_s);
    EXPECT_EQ(none.exitCode, 0) << none.err.toStdString();
    EXPECT_TRUE(none.out.isEmpty()) << "a named library is never seeded";
    EXPECT_TRUE(QDir(library()).isEmpty());

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

TEST_F(LibraryCommands, TheDefaultLibraryIsSeededOnlyWhenFirstCreated) {
    const QDir folder(path(u"home/Documents/Labels"_s));
    const CliRun first = testsupport::runCli({u"labels"_s}, environment());
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QStringList lines = QString::fromUtf8(first.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4) << first.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(u"Big text\t"_s));
    EXPECT_TRUE(lines[3].startsWith(u"Bin tag\t"_s));
    // Emptied by the user: stays empty.
    for (const QString& name : folder.entryList(QDir::Files)) {
        QFile::remove(folder.filePath(name));
    }
    EXPECT_TRUE(testsupport::runCli({u"labels"_s}, environment()).out.isEmpty());
    EXPECT_TRUE(folder.entryList(QDir::Files).isEmpty());
}

TEST_F(LibraryCommands, ALibraryOrLabelFileThatCannotBeReadIsNamed) {
    const QString dangling = path(u"dangling"_s);
    ASSERT_TRUE(QFile::link(path(u"nowhere"_s), dangling));
    ASSERT_TRUE(QFile::link(path(u"loop"_s), path(u"loop"_s)));
    for (const QString& folder : {csv, dangling, path(u"loop"_s)}) {
        const CliRun listed = testsupport::runCli({u"--library"_s, folder, u"labels"_s});
        EXPECT_EQ(listed.exitCode, 1) << folder.toStdString();
        EXPECT_THAT(
            listed.err.toStdString(),
            HasSubstr(u"Couldn't open the label library “%1”: "_s.arg(folder).toStdString()));
        EXPECT_TRUE(listed.out.isEmpty());
    }

    // A damaged label file is reported, not skipped silently.
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
    EXPECT_EQ(run(u"link kestlabel://print?label=B%C3%8EN%20t%C3%A0g&copies=12"_s).out,
              R"({"copies":12,"fields":{},"labelID":")" + idText(bin.id).toUtf8() + "\"}\n");
    EXPECT_EQ(run(u"link vantrel://print?label=bin%20tag&SKU=123&SKU=456&Note"_s).out,
              R"({"copies":1,"fields":{"Note":"","SKU":"456"},"labelID":")" +
                  idText(bin.id).toUtf8() + "\"}\n");
    // A file's path is no label name.
    const CliRun path = run({u"link"_s, u"vantrel://print?label="_s +
                                            QString::fromLatin1(QUrl::toPercentEncoding(file))});
    EXPECT_EQ(path.exitCode, 1);
    EXPECT_TRUE(path.out.isEmpty());
}

TEST_F(LibraryCommands, BatchOfAPlainDesignIsOneItemAndOfASerialDesignARun) {
    file = use(designWith(u"Plain"_s, u"{Name}"_s));
    EXPECT_EQ(run(u"batch FILE --copies 3 --field Name=Widget"_s).out,
              R"([{"copies":3,"fields":{"Name":"Widget"},"serial":null,"serialDigits":0}])"
              "\n");
    file = use(designWith(u"Numbered"_s, u"#{serial}"_s));
    EXPECT_THAT(batch(expand(u"FILE --serial-start 41 --serial-count=3"_s)).first,
                ElementsAre(41, 42, 43));
    EXPECT_EQ(run(u"batch FILE --digits 0"_s).out,
              R"([{"copies":1,"fields":{},"serial":1,"serialDigits":0}])"
              "\n");
}

// The rows chosen like the print panel does, with serials counting them.
TEST_F(LibraryCommands, BatchChoosesRowsAndSerialsCountThem) {
    file = use(designWith(u"Rows"_s, u"{Name} {serial} {Column 1}"_s));
    const std::pair<const char*, const char*> cases[] = {
        {"", "Row1 Row2 Row3 Row4 Row5 Row6 Row7 Row8 Row9 Row10"},
        {"--rows 7-3", "Row3 Row4 Row5 Row6 Row7"},
        {"--rows=9-10", "Row9 Row10"},
        {"--rows 5,2,5", "Row2 Row5"},
        {"--rows none --serial-count 2", " "},
        {"--no-header --rows 1-2", " "}, // the header is a row
    };
    for (const auto& [options, rows] : cases) {
        const auto [serials, names] =
            batch(expand(u"FILE --csv CSV --serial-start 100 "_s + QString::fromLatin1(options)));
        EXPECT_EQ(names.join(u' '), QString::fromLatin1(rows)) << options;
        for (std::size_t i = 0; i < serials.size(); ++i) {
            EXPECT_EQ(serials[i], qint64(100 + i)) << options;
        }
    }
    EXPECT_EQ(batch(expand(u"FILE --csv CSV --no-header --rows 1"_s), u"Column 1"_s).second,
              QStringList{u"Name"_s});
}

TEST_F(LibraryCommands, BatchOfAStoredLabelUsesItsAttachedListUnlessGivenOne) {
    store(designWith(u"Parts list"_s, u"{Name}"_s), "Name\nBolt\nNut\n");
    const auto [serials, names] = batch({u"PARTS LIST"_s});
    EXPECT_EQ(names, (QStringList{u"Bolt"_s, u"Nut"_s}));
    EXPECT_THAT(serials, ElementsAre(-1, -1));
    EXPECT_EQ(batch({u"Parts list"_s, u"--csv"_s, write(u"other.csv"_s, "Name\nWasher\n")}).second,
              QStringList{u"Washer"_s});
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
        // A column wins over a --field of the same name.
        EXPECT_EQ(output(command + u"FILE --csv CSV --row=7 --field Name=Other"_s), typed);
        EXPECT_NE(output(command + u"FILE --csv CSV --row 8"_s), typed);
        EXPECT_EQ(output(command + u"SHELF --row 7"_s), typed) << "the stored label's own list";
        EXPECT_EQ(output(command + u"SHELF"_s), output(command + u"FILE"_s));
    }
}

} // namespace
