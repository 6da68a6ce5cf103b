// Each command's wiring: what it prints, on which stream, and its exit status (0 done, 1 a
// failure with its message on stderr, 2 a usage error with the usage); the rules behind the
// outputs are the library's and tested there.
#include "tests/tools/CliTest.h"

#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/tspl/TSPL.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

namespace {

const QString sample = testsupport::sourcePath(u"samples/bin-tag.vtllabel"_s);

class Commands : public CliTest {};

TEST_F(Commands, ExitWithTheirStatusAndPrintOnTheirStreams) {
    for (const auto& [name, bytes] : {std::pair{"broken.vtllabel", "{ not json"},
                                      {"array.vtllabel", "[1]"},
                                      {"empty.vtllabel", ""},
                                      {"wide.vtllabel", R"({"widthMM": 1e300})"},
                                      {"huge.vtllabel", R"({"widthMM": 20000, "heightMM": 20000})"},
                                      {"out.png", "previous contents"}}) {
        write(QString::fromUtf8(name), bytes);
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(u"fifo"_s)).constData(), 0600), 0);
    const QString calls =
        QString::fromUtf8(testsupport::readBytes(testsupport::dataPath(u"cli-calls.txt"_s)));
    for (const QString& call : calls.split(u'\n', Qt::SkipEmptyParts)) {
        if (call.startsWith(u'#')) {
            continue;
        }
        SCOPED_TRACE(call.toStdString());
        const QStringList field = QString(call)
                                      .replace(u"\\n"_s, u"\n"_s)
                                      .replace(u"VERSION"_s, QStringLiteral(VANTREL_VERSION))
                                      .split(u'|');
        const QStringList arguments = expand(field[0]);
        const int exitCode = field.value(1).toInt();
        const std::string out = field.value(2).trimmed().toStdString();
        const std::string err = field.value(3).trimmed().toStdString();
        const CliRun result = testsupport::runCli(
            QStringList{u"--library"_s, library()} + arguments, environment(), 20000);
        EXPECT_EQ(result.exitCode, exitCode) << result.err.toStdString();
        EXPECT_THAT(result.out.toStdString(),
                    out.empty() ? ::testing::Matcher<std::string>(::testing::IsEmpty())
                                : HasSubstr(out));
        EXPECT_THAT(result.err.toStdString(), HasSubstr(err));
        if (exitCode == 2 && err.empty()) {
            EXPECT_THAT(result.err.toStdString(),
                        HasSubstr(("usage: vantrel-cli " + arguments.value(0)).toStdString()));
        }
    }
    EXPECT_EQ(testsupport::readBytes(path(u"out.png"_s)), "previous contents");
    EXPECT_FALSE(QFileInfo::exists(path(u"x.png"_s)));
    EXPECT_FALSE(QFileInfo::exists(path(u"printed"_s)));
}

TEST_F(Commands, CheckWritesTheLabelFileBytesOfWhatItRead) {
    const CliRun same = run({u"check"_s, sample});
    EXPECT_EQ(same.exitCode, 0) << same.err.toStdString();
    EXPECT_EQ(same.out, testsupport::readBytes(sample));
    EXPECT_TRUE(same.err.isEmpty());

    // Repairs show: defaults filled in, modified kept as read, ids upper-cased.
    write(u"a.vtllabel"_s, R"({"id": "5a1d7e3b-0c2f-4b69-8e4d-7f6a2c9b1e05",
        "modified": "2025-03-14T10:26:53+01:00", "elements": [{"kind": "star"}], "density": 8.5})");
    const QJsonObject o = QJsonDocument::fromJson(run(u"check @a.vtllabel"_s).out).object();
    EXPECT_EQ(o[u"id"_s].toString(), u"5A1D7E3B-0C2F-4B69-8E4D-7F6A2C9B1E05"_s);
    EXPECT_EQ(o[u"modified"_s].toString(), u"2025-03-14T09:26:53Z"_s);
    EXPECT_EQ(o[u"density"_s].toInt(), 8);
    EXPECT_EQ(o[u"elements"_s][0][u"kind"_s].toString(), u"text"_s);
}

TEST_F(Commands, ExpandAndCsvShowWhatTheyRead) {
    const QStringList late{u"expand"_s, u"{date:yyyy-MM-dd HH:mm}"_s, u"--date"_s,
                           u"2025-03-14T23:30:00Z"_s};
    EXPECT_EQ(testsupport::runCli(late, environment() + QStringList{u"TZ=Asia/Tokyo"_s}).out,
              "2025-03-15 08:30\n")
        << "dates are shown in the time zone";

    write(u"list.csv"_s, "Name;Price;Name\r\nCaf\xC3\xA9;\"1;5\";x\r\nTea\r\n");
    const CliRun parsed = run(u"csv @list.csv"_s);
    EXPECT_EQ(parsed.exitCode, 0) << parsed.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(parsed.out).object();
    EXPECT_EQ(o[u"columns"_s].toArray(), QJsonArray({u"Name"_s, u"Price"_s, u"Name 2"_s}));
    EXPECT_EQ(o[u"rows"_s].toArray(),
              QJsonArray({QJsonArray({u"Caf\u00e9"_s, u"1;5"_s, u"x"_s}), QJsonArray({u"Tea"_s})}));
}

TEST_F(Commands, BarcodePrintsTheSymbolAsJson) {
    const CliRun ean = run(u"barcode ean13 400638133393"_s);
    ASSERT_EQ(ean.exitCode, 0) << ean.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(ean.out).object();
    EXPECT_EQ(json[u"modules"_s].toString(),
              u"1010001101010011101011110111101000100101100110101010000101000010100001011101001"
              "0000101100110101"_s);
    QList<int> guards;
    for (const QJsonValue& v : json[u"guards"_s].toArray()) {
        guards.append(v.toInt(-1));
    }
    EXPECT_EQ(guards, (QList<int>{0, 1, 2, 45, 46, 47, 48, 49, 92, 93, 94}));
    EXPECT_EQ(
        json[u"groups"_s].toArray(),
        QJsonArray({QJsonObject{{u"text"_s, u"006381"_s}, {u"start"_s, 3}, {u"end"_s, 45}},
                    QJsonObject{{u"text"_s, u"333931"_s}, {u"start"_s, 50}, {u"end"_s, 92}}}));
    EXPECT_EQ(json[u"leftDigit"_s], QJsonValue(u"4"_s));
    EXPECT_TRUE(json[u"rightDigit"_s].isNull());
    EXPECT_EQ(json[u"digits"_s].toString(), u"4006381333931"_s);
    EXPECT_EQ(QJsonDocument::fromJson(run(u"barcode code128 12345678"_s).out).object().keys(),
              QStringList{u"modules"_s});
    // An empty text is an argument of its own, and refused as JSON.
    const CliRun empty = run({u"barcode"_s, u"code128"_s, QString()});
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_EQ(QJsonDocument::fromJson(empty.out).object(), (QJsonObject{{u"error"_s, u"Empty"_s}}));
}

// render draws the exact raster as a grey PNG, or the smooth preview at a scale; job writes the
// TSPL bytes; merge options reach both.
TEST_F(Commands, RenderAndJobWriteTheLabel) {
    const QString date = u"--date 2025-03-14T09:26:53Z"_s;
    ASSERT_EQ(run(u"render FILE -o @tag.png "_s + date).exitCode, 0);
    const QImage png(path(u"tag.png"_s));
    EXPECT_EQ(png.format(), QImage::Format_Grayscale8);
    LabelContext context;
    context.date = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    const LabelDocument doc = LabelFile::decode(testsupport::readBytes(file));
    EXPECT_EQ(png, LabelRenderer::render(doc, context, 1, true).image());
    context.fields = {{u"Name"_s, u"Row7"_s}, {u"SKU"_s, u"S7"_s}};
    EXPECT_EQ(run(u"job FILE -o - --copies 3 --field Name=Row7 --field=SKU=S7 "_s + date).out,
              TSPL::job(doc, context, 3));
    EXPECT_EQ(run(u"job FILE -o - --copies=-4 "_s + date).out.right(11), "PRINT 1,1\r\n");
    ASSERT_EQ(run(u"render FILE --scale=3 --smooth -o @preview.png"_s).exitCode, 0);
    const QImage preview(path(u"preview.png"_s));
    EXPECT_EQ(preview.size(), QSize(960, 720));
    bool grey = false;
    for (int y = 0; y < preview.height() && !grey; ++y) {
        for (int x = 0; x < preview.width() && !grey; ++x) {
            grey = qGray(preview.pixel(x, y)) != 0 && qGray(preview.pixel(x, y)) != 255;
        }
    }
    EXPECT_TRUE(grey) << "antialiased edges keep their grey levels";
    LabelElement serial(ElementKind::text);
    serial.content = u"No. {serial}"_s;
    file = use(LabelDocument(u"Serial"_s, 30, 10, {serial}));
    const QByteArray seven = run(u"render FILE -o - --serial 7"_s).out;
    EXPECT_TRUE(seven.startsWith("\x89PNG"));
    EXPECT_EQ(run(u"render FILE -o - --serial=7"_s).out, seven);
    EXPECT_NE(run(u"render FILE -o - --serial 8"_s).out, seven);
}

} // namespace
