// Each command's wiring: what it prints, on which stream, and its exit status (0 done, 1 a
// failure with its message on stderr, 2 a usage error with the usage); the rules behind the
// outputs are the library's and tested there.
#include "tests/tools/CliTest.h"

#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/tspl/TSPL.h"

#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

namespace {

class Commands : public CliTest {};

TEST_F(Commands, ExitWithTheirStatusAndPrintOnTheirStreams) {
    for (const auto& [name, bytes] :
         {std::pair{"broken.vtllabel", "{ not json"},
          {"array.vtllabel", "[1]"},
          {"empty.vtllabel", ""},
          {"wide.vtllabel", R"({"widthMM": 1e300})"},
          {"huge.vtllabel", R"({"widthMM": 20000, "heightMM": 20000})"},
          {"list.csv", "Name;Price;Name\r\nCaf\xC3\xA9;\"1;5\";x\r\nTea\r\n"},
          {"out.png", "previous contents"}}) {
        write(QString::fromUtf8(name), bytes);
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(path(u"fifo"_s)).constData(), 0600), 0);
    for (QStringList field : testsupport::dataTable(u"cli-calls.txt"_s)) {
        SCOPED_TRACE(field.join(u" | "_s).toStdString());
        field.replaceInStrings(u"VERSION"_s, QStringLiteral(VANTREL_VERSION));
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
    EXPECT_FALSE(QFileInfo::exists(path(u"printed"_s))) << "no failed call reached a printer";
}

// expand and barcode show what they read.
TEST_F(Commands, ReadingCommandsShowWhatTheyRead) {
    const QStringList late{u"expand"_s, u"{date:yyyy-MM-dd HH:mm}"_s, u"--date"_s,
                           u"2025-03-14T23:30:00Z"_s};
    EXPECT_EQ(testsupport::runCli(late, environment() + QStringList{u"TZ=Asia/Tokyo"_s}).out,
              "2025-03-15 08:30\n")
        << "dates are shown in the time zone";

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
    ASSERT_EQ(run(u"render FILE --scale=3 --smooth -o @preview.png"_s).exitCode, 0);
    EXPECT_EQ(QImage(path(u"preview.png"_s)).convertToFormat(QImage::Format_ARGB32),
              LabelRenderer::render(doc, LabelContext(), 3, false)
                  .image()
                  .convertToFormat(QImage::Format_ARGB32));
    LabelElement serial(ElementKind::text);
    serial.content = u"No. {serial}"_s;
    file = use(LabelDocument(u"Serial"_s, 30, 10, {serial}));
    const QByteArray seven = run(u"render FILE -o - --serial 7"_s).out;
    EXPECT_TRUE(seven.startsWith("\x89PNG"));
    EXPECT_NE(run(u"render FILE -o - --serial 8"_s).out, seven);
}

} // namespace
