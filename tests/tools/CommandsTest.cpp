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
    const struct {
        const char* arguments;
        int exitCode;
        const char* out;           // contained in stdout; nothing: stdout stays empty
        const char* err = nullptr; // contained in stderr
    } calls[] = {
        {"--version", 0, "vantrel-cli " VANTREL_VERSION "\n"},
        {"expand {date}_{date:yyyy-MM-dd+1}_#{serial}_{Name}_{Note}_{x} --date "
         "2025-03-14T09:26:53Z "
         "--serial 7 --digits 3 --field Name=Widget --field=Note=a=b",
         0, "03/14/2025 2025-03-15 #007 Widget a=b {x}\n"},
        {"expand SKU-{serial}", 0, "SKU-{serial}\n"}, // without a serial it stays visible
        {"expand -- --serial", 0, "--serial\n"},
        {"check @none.vtllabel", 1, nullptr, "none.vtllabel"},
        {"check @broken.vtllabel", 1, nullptr, "broken.vtllabel"},
        {"check @array.vtllabel", 1, nullptr, "array.vtllabel"},
        {"check @empty.vtllabel", 1, nullptr, "empty.vtllabel"},
        {"check @.", 1, nullptr, "Couldn't read"},
        {"check @fifo", 1, nullptr, "it is not a regular file"},
        {"check /dev/zero", 1, nullptr, "it is not a regular file"},
        {"csv @fifo", 1, nullptr, "it is not a regular file"},
        {"csv /dev/zero", 1, nullptr, "it is not a regular file"},
        {"csv @none.csv", 1, nullptr, "none.csv"},
        {"barcode ean13 4006381333932", 1, "{\"error\":\"Check digit should be 1\"}\n"},
        {"barcode upcE 012345678905", 1, "This UPC-A can't be shortened to UPC-E"},
        {"barcode code128 café", 1, "Code 128 supports ASCII only"},
        {"render @missing.vtllabel -o @out.png", 1, nullptr, "Couldn't read"},
        {"job @broken.vtllabel -o @out.png", 1, nullptr, "broken.vtllabel"},
        {"render @wide.vtllabel -o @out.png", 1, nullptr,
         "The label's width (1e+300 mm) is not a size that can be printed."},
        {"job @huge.vtllabel -o @out.png", 1, nullptr,
         "The label is too large to draw: 20000 × 20000 mm is more than 268 million printer dots."},
        {"render FILE -o @no/such/folder/out.png", 1, nullptr, "Couldn't write "},
        {"render Shelf -o @out.png", 1, nullptr, "“Shelf”"},
        {"job FILE -o @out.png --csv @gone.csv --row 1", 1, nullptr, "gone.csv"},
        {"batch Nothing", 1, nullptr, "“Nothing”"},
        {"batch @gone.vtllabel", 1, nullptr, "gone.vtllabel"},
        {"batch FILE --csv @gone.csv", 1, nullptr, "gone.csv"},
        {"batch FILE --copies 200 --serial-start 999999 --serial-count 500 --digits 10", 0, "[{"},
        {"batch FILE --copies 1 --serial-start 0 --serial-count 1 --digits 0", 0, "[{"},
        {"link vantrel://print?label=Shelf", 1, nullptr},
        {"print-label Nope", 1, nullptr, "There is no label named “Nope”.\n"},
        // Usage errors.
        {"", 2, nullptr, "usage: vantrel-cli [--library DIR]"},
        {"frobnicate", 2, nullptr, "unknown command “frobnicate”\nusage: vantrel-cli [--library"},
        {"help frobnicate", 2, nullptr, "usage: vantrel-cli [--library DIR]"},
        {"check", 2, nullptr},
        {"check a b", 2, nullptr},
        {"expand", 2, nullptr},
        {"expand x --bogus", 2, nullptr},
        {"expand x --serial", 2, nullptr},
        {"expand x --serial seven", 2, nullptr},
        {"expand x --field novalue", 2, nullptr},
        {"expand x --date yesterday", 2, nullptr},
        {"expand x --digits -1", 2, nullptr},
        {"csv f.csv --no-header=1", 2, nullptr},
        {"barcode EAN13 400638133393", 2, nullptr},
        {"barcode qr hello", 2, nullptr},
        {"barcode ean13", 2, nullptr},
        {"barcode ean13 400638133393 extra", 2, nullptr},
        {"render FILE", 2, nullptr},
        {"render -o @x.png", 2, nullptr},
        {"render FILE -o @x.png --scale 0", 2, nullptr},
        {"render FILE -o @x.png --scale big", 2, nullptr},
        {"render FILE -o @x.png --copies 2", 2, nullptr},
        {"render FILE FILE -o @x.png", 2, nullptr},
        {"job FILE", 2, nullptr},
        {"job FILE -o @x.png --copies two", 2, nullptr},
        {"job FILE -o @x.png --smooth", 2, nullptr},
        {"render FILE -o @x.png --csv CSV", 2, nullptr},
        {"job FILE -o @x.png --no-header --row 1", 2, nullptr},
        {"render FILE -o @x.png --row 1", 2, nullptr},
        {"job FILE -o @x.png --csv CSV --row 0", 2, nullptr},
        {"render FILE -o @x.png --csv CSV --row 11", 2, nullptr},
        {"job FILE -o @x.png --csv CSV --row two", 2, nullptr},
        {"link", 2, nullptr},
        {"batch FILE --copies 0", 2, nullptr},
        {"batch FILE --copies 201", 2, nullptr},
        {"batch FILE --copies two", 2, nullptr},
        {"batch FILE --serial-start -1", 2, nullptr},
        {"batch FILE --serial-start 1000000", 2, nullptr},
        {"batch FILE --serial-count 0", 2, nullptr},
        {"batch FILE --serial-count 501", 2, nullptr},
        {"batch FILE --digits 11", 2, nullptr},
        {"batch FILE --field NoEquals", 2, nullptr},
        {"batch FILE --rows some", 2, nullptr},
        {"batch FILE --rows 1-", 2, nullptr},
        {"batch FILE --rows 0-3 --csv CSV", 2, nullptr},
        {"batch FILE --rows 2,11 --csv CSV", 2, nullptr},
        {"batch FILE --rows 1", 2, nullptr},
        {"batch FILE --no-header", 2, nullptr},
        {"batch FILE --unknown", 2, nullptr},
        {"print", 2, nullptr},
        {"print-label", 2, nullptr},
        {"print-text", 2, nullptr},
        {"print-label Bin --copies 0", 2, nullptr},
        {"print-text x --copies 201", 2, nullptr},
        {"print-text x --printer=", 2, nullptr},
        {"print Bin --colour red", 2, nullptr},
        {"print FILE --csv CSV --rows 5-12", 2, nullptr, "row 12 is not in the list"},
        {"info", 2, nullptr},
        {"printers --seconds soon", 2, nullptr},
        {"printer-settings --chunk-size 10", 2, nullptr},
        {"printer-settings --pause 9", 2, nullptr},
        {"printer-settings --nickname CT221B-A", 2, nullptr},
        {"printer-settings --default A --no-default", 2, nullptr},
    };
    for (const auto& call : calls) {
        SCOPED_TRACE(call.arguments);
        const QStringList arguments = expand(QString::fromUtf8(call.arguments));
        const CliRun result = testsupport::runCli(
            QStringList{u"--library"_s, library()} + arguments, environment(), 20000);
        EXPECT_EQ(result.exitCode, call.exitCode) << result.err.toStdString();
        if (call.out) {
            EXPECT_THAT(result.out.toStdString(), HasSubstr(call.out));
        } else {
            EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
        }
        if (call.err) {
            EXPECT_THAT(result.err.toStdString(), HasSubstr(call.err));
        }
        if (call.exitCode == 2 && !call.err) {
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
