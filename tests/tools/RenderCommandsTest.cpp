#include "LabelKit/model/LabelFile.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/tspl/TSPL.h"

#include "tests/support/TestSupport.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using testsupport::runCli;

QString sample() {
    return testsupport::sourcePath(QStringLiteral("samples/bin-tag.vtllabel"));
}

const QString date = QStringLiteral("2025-03-14T09:26:53Z");

LabelContext contextAt(std::optional<qint64> serial = std::nullopt) {
    LabelContext c;
    c.serial = serial;
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
    // A label file holding one text item with the content.
    QString textLabel(const QString& content) {
        LabelDocument doc(QStringLiteral("Serial"), 30, 10);
        LabelElement e(ElementKind::text);
        e.content = content;
        doc.elements = {e};
        return write(QStringLiteral("text.vtllabel"), LabelFile::encode(doc));
    }
    QTemporaryDir dir;
};

TEST_F(RenderCommand, WritesTheExactRasterAsAGreyPng) {
    const auto run = runCli({QStringLiteral("render"), sample(), QStringLiteral("-o"),
                             path(QStringLiteral("tag.png")), QStringLiteral("--date"), date});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());
    const QImage png(path(QStringLiteral("tag.png")));
    ASSERT_EQ(png.format(), QImage::Format_Grayscale8);
    const LabelDocument doc = LabelFile::decode(testsupport::readBytes(sample()));
    const RenderedLabel expected = LabelRenderer::render(doc, contextAt(), 1, true);
    ASSERT_EQ(png.size(), QSize(int(expected.width), int(expected.height)));
    for (int y = 0; y < png.height(); ++y) {
        ASSERT_EQ(QByteArray(reinterpret_cast<const char*>(png.constScanLine(y)), png.width()),
                  expected.pixels.mid(y * expected.width, expected.width))
            << "row " << y;
    }
}

TEST_F(RenderCommand, ScaleAndSmoothGiveThePreview) {
    const auto run = runCli({QStringLiteral("render"), sample(), QStringLiteral("--scale=3"),
                             QStringLiteral("--smooth"), QStringLiteral("-o"),
                             path(QStringLiteral("preview.png"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage png(path(QStringLiteral("preview.png")));
    EXPECT_EQ(png.size(), QSize(960, 720));
    bool grey = false;
    for (int y = 0; y < png.height() && !grey; ++y) {
        for (int x = 0; x < png.width() && !grey; ++x) {
            const int v = qGray(png.pixel(x, y));
            grey = v != 0 && v != 255;
        }
    }
    EXPECT_TRUE(grey) << "antialiased edges keep their grey levels";
}

TEST_F(RenderCommand, MergeOptionsReachTheDrawing) {
    const QString file = textLabel(QStringLiteral("No. {serial}"));
    auto rendered = [&](const QStringList& extra) {
        const auto run = runCli(
            QStringList{QStringLiteral("render"), file, QStringLiteral("-o"), QStringLiteral("-")} +
            extra);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return run.out;
    };
    const QByteArray seven = rendered({QStringLiteral("--serial"), QStringLiteral("7")});
    EXPECT_TRUE(seven.startsWith("\x89PNG"));
    EXPECT_EQ(rendered({QStringLiteral("--serial=7")}), seven);
    EXPECT_NE(rendered({QStringLiteral("--serial"), QStringLiteral("8")}), seven);
    EXPECT_NE(rendered({}), seven);
}

TEST_F(RenderCommand, JobWritesTheTsplBytes) {
    const QString out = path(QStringLiteral("tag.tspl"));
    const auto run =
        runCli({QStringLiteral("job"), sample(), QStringLiteral("-o"), out,
                QStringLiteral("--copies"), QStringLiteral("3"), QStringLiteral("--date"), date});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const LabelDocument doc = LabelFile::decode(testsupport::readBytes(sample()));
    const QByteArray expected = TSPL::job(doc, contextAt(), 3);
    EXPECT_EQ(testsupport::readBytes(out), expected);
    EXPECT_TRUE(expected.endsWith("\r\nPRINT 1,3\r\n"));

    const auto toStdout =
        runCli({QStringLiteral("job"), sample(), QStringLiteral("-o"), QStringLiteral("-"),
                QStringLiteral("--copies=-4"), QStringLiteral("--date"), date});
    ASSERT_EQ(toStdout.exitCode, 0);
    EXPECT_EQ(toStdout.out, TSPL::job(doc, contextAt(), 1));
}

TEST_F(RenderCommand, RefusesWhatCannotBeDrawnWithoutTouchingTheOutput) {
    const QString out = write(QStringLiteral("out.png"), "previous contents");
    const struct {
        QString file;
        QString message;
    } cases[] = {
        {path(QStringLiteral("missing.vtllabel")), QStringLiteral("Couldn't read")},
        {write(QStringLiteral("broken.vtllabel"), "{ not json"), QString()},
        {write(QStringLiteral("wide.vtllabel"), R"({"widthMM": 1e300})"),
         QStringLiteral("The label's width (1e+300 mm) is not a size that can be printed.")},
        {write(QStringLiteral("huge.vtllabel"), R"({"widthMM": 20000, "heightMM": 20000})"),
         QStringLiteral("The label is too large to draw: 20000 × 20000 mm is more than 268 "
                        "million printer dots.")},
    };
    for (const auto& c : cases) {
        for (const QString& command : {QStringLiteral("render"), QStringLiteral("job")}) {
            const auto run = runCli({command, c.file, QStringLiteral("-o"), out});
            EXPECT_EQ(run.exitCode, 1) << command.toStdString() << " " << c.file.toStdString();
            EXPECT_FALSE(run.err.isEmpty());
            EXPECT_TRUE(QString::fromUtf8(run.err).contains(c.message)) << run.err.toStdString();
            EXPECT_EQ(testsupport::readBytes(out), QByteArray("previous contents"));
        }
    }
}

TEST_F(RenderCommand, ReportsAnOutputItCannotWrite) {
    const QString out = path(QStringLiteral("no/such/folder/out.png"));
    const auto run = runCli({QStringLiteral("render"), sample(), QStringLiteral("-o"), out});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith("Couldn't write " + out.toUtf8())) << run.err.toStdString();
}

TEST_F(RenderCommand, UsageMistakesExitWithTwo) {
    const QString out = path(QStringLiteral("x.png"));
    const QList<QStringList> mistakes{
        {QStringLiteral("render"), sample()},
        {QStringLiteral("render"), QStringLiteral("-o"), out},
        {QStringLiteral("render"), sample(), QStringLiteral("-o"), out, QStringLiteral("--scale"),
         QStringLiteral("0")},
        {QStringLiteral("render"), sample(), QStringLiteral("-o"), out, QStringLiteral("--scale"),
         QStringLiteral("big")},
        {QStringLiteral("render"), sample(), QStringLiteral("-o"), out, QStringLiteral("--copies"),
         QStringLiteral("2")},
        {QStringLiteral("render"), sample(), sample(), QStringLiteral("-o"), out},
        {QStringLiteral("job"), sample()},
        {QStringLiteral("job"), sample(), QStringLiteral("-o"), out, QStringLiteral("--copies"),
         QStringLiteral("two")},
        {QStringLiteral("job"), sample(), QStringLiteral("-o"), out, QStringLiteral("--smooth")},
    };
    for (const QStringList& arguments : mistakes) {
        const auto run = runCli(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains("usage: vantrel-cli " + arguments[0].toUtf8()))
            << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(out));
}

} // namespace
