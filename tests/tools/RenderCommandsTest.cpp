#include "LabelKit/model/LabelFile.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/tspl/TSPL.h"

#include "tests/support/TestSupport.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

namespace {

using testsupport::runCli;
using testsupport::words;

const QString sample = testsupport::sourcePath(u"samples/bin-tag.vtllabel"_s);
const QString date = u"2025-03-14T09:26:53Z"_s;

LabelContext contextAtTheDate() {
    LabelContext c;
    c.date = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    return c;
}

class RenderCommand : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) {
        testsupport::writeBytes(path(name), bytes);
        return path(name);
    }
    QTemporaryDir dir;
};

TEST_F(RenderCommand, WritesTheExactRasterAsAGreyPng) {
    const auto run = runCli({u"render"_s, sample, u"-o"_s, path(u"tag.png"_s), u"--date"_s, date});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    const QImage png(path(u"tag.png"_s));
    ASSERT_EQ(png.format(), QImage::Format_Grayscale8);
    const LabelDocument doc = LabelFile::decode(testsupport::readBytes(sample));
    EXPECT_EQ(png, LabelRenderer::render(doc, contextAtTheDate(), 1, true).image());
}

TEST_F(RenderCommand, ScaleAndSmoothGiveThePreview) {
    const auto run = runCli(
        {u"render"_s, sample, u"--scale=3"_s, u"--smooth"_s, u"-o"_s, path(u"preview.png"_s)});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage png(path(u"preview.png"_s));
    EXPECT_EQ(png.size(), QSize(960, 720));
    bool grey = false;
    for (int y = 0; y < png.height() && !grey; ++y) {
        for (int x = 0; x < png.width() && !grey; ++x) {
            grey = qGray(png.pixel(x, y)) != 0 && qGray(png.pixel(x, y)) != 255;
        }
    }
    EXPECT_TRUE(grey) << "antialiased edges keep their grey levels";
}

TEST_F(RenderCommand, MergeOptionsReachTheDrawing) {
    LabelElement e(ElementKind::text);
    e.content = u"No. {serial}"_s;
    const QString file =
        write(u"text.vtllabel"_s, LabelFile::encode(LabelDocument(u"Serial"_s, 30, 10, {e})));
    auto rendered = [&](const QString& options) {
        const auto run = runCli(QStringList{u"render"_s, file, u"-o"_s, u"-"_s} + words(options));
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return run.out;
    };
    const QByteArray seven = rendered(u"--serial 7"_s);
    EXPECT_TRUE(seven.startsWith("\x89PNG"));
    EXPECT_EQ(rendered(u"--serial=7"_s), seven);
    EXPECT_NE(rendered(u"--serial 8"_s), seven);
    EXPECT_NE(rendered({}), seven);
}

TEST_F(RenderCommand, JobWritesTheTsplBytes) {
    const QString out = path(u"tag.tspl"_s);
    const auto run =
        runCli({u"job"_s, sample, u"-o"_s, out, u"--copies"_s, u"3"_s, u"--date"_s, date});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const LabelDocument doc = LabelFile::decode(testsupport::readBytes(sample));
    EXPECT_EQ(testsupport::readBytes(out), TSPL::job(doc, contextAtTheDate(), 3));

    const auto toStdout =
        runCli({u"job"_s, sample, u"-o"_s, u"-"_s, u"--copies=-4"_s, u"--date"_s, date});
    ASSERT_EQ(toStdout.exitCode, 0);
    EXPECT_EQ(toStdout.out, TSPL::job(doc, contextAtTheDate(), 1));
}

TEST_F(RenderCommand, RefusesWhatCannotBeDrawnWithoutTouchingTheOutput) {
    const QString out = write(u"out.png"_s, "previous contents");
    const std::pair<QString, QString> cases[] = {
        {path(u"missing.vtllabel"_s), u"Couldn't read"_s},
        {write(u"broken.vtllabel"_s, "{ not json"), QString()},
        {write(u"wide.vtllabel"_s, R"({"widthMM": 1e300})"),
         u"The label's width (1e+300 mm) is not a size that can be printed."_s},
        {write(u"huge.vtllabel"_s, R"({"widthMM": 20000, "heightMM": 20000})"),
         u"The label is too large to draw: 20000 × 20000 mm is more than 268 million printer "
         "dots."_s},
    };
    for (const auto& [file, message] : cases) {
        for (const QString& command : {u"render"_s, u"job"_s}) {
            const auto run = runCli({command, file, u"-o"_s, out});
            EXPECT_EQ(run.exitCode, 1) << command.toStdString() << " " << file.toStdString();
            EXPECT_FALSE(run.err.isEmpty());
            EXPECT_TRUE(QString::fromUtf8(run.err).contains(message)) << run.err.toStdString();
            EXPECT_EQ(testsupport::readBytes(out), QByteArray("previous contents"));
        }
    }
    // An output that cannot be written is reported.
    const QString nowhere = path(u"no/such/folder/out.png"_s);
    const auto run = runCli({u"render"_s, sample, u"-o"_s, nowhere});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith("Couldn't write " + nowhere.toUtf8())) << run.err.toStdString();
}

TEST_F(RenderCommand, UsageMistakesExitWithTwo) {
    const QString out = path(u"x.png"_s);
    for (const char* mistake : {"render FILE", "render -o OUT", "render FILE -o OUT --scale 0",
                                "render FILE -o OUT --scale big", "render FILE -o OUT --copies 2",
                                "render FILE FILE -o OUT", "job FILE",
                                "job FILE -o OUT --copies two", "job FILE -o OUT --smooth"}) {
        const QStringList arguments = words(QString::fromLatin1(mistake))
                                          .replaceInStrings(u"FILE"_s, sample)
                                          .replaceInStrings(u"OUT"_s, out);
        const auto run = runCli(arguments);
        EXPECT_EQ(run.exitCode, 2) << mistake;
        EXPECT_TRUE(run.err.contains("usage: vantrel-cli " + arguments[0].toUtf8()))
            << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
}

} // namespace
