#include "LabelKit/tspl/TSPL.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/render/LabelRenderer.h"

#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <limits>
#include <thread>

namespace {

LabelContext context() {
    LabelContext c;
    c.serial = 42;
    c.serialDigits = 4;
    c.date = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    return c;
}

RenderedLabel white(qint64 width, qint64 height) {
    RenderedLabel label;
    label.width = width;
    label.height = height;
    label.pixels = QByteArray(width * height, char(255));
    return label;
}

QList<QByteArray> lines(const QByteArray& job) {
    return job.split('\n');
}

// The command lines of a job around its bitmap: everything before BITMAP, and after it.
struct Parsed {
    QByteArray head;    // up to and including the BITMAP header
    QByteArray payload; // the bitmap bytes
    QByteArray tail;    // from the CR LF after the payload on
};

Parsed parse(const QByteArray& job, qint64 payloadSize) {
    // The header "BITMAP x,y,width,height,mode," ends at its fifth comma.
    qsizetype start = job.indexOf("BITMAP ");
    for (int commas = 0; commas < 5; ++commas) {
        start = job.indexOf(',', start) + 1;
    }
    return {job.left(start), job.mid(start, payloadSize), job.mid(start + payloadSize)};
}

LabelDocument sized(double widthMM, double heightMM, double gapMM = 2, qint64 density = 8) {
    LabelDocument doc(QStringLiteral("Test"), widthMM, heightMM);
    doc.gapMM = gapMM;
    doc.density = density;
    return doc;
}

struct NumberCase {
    double mm;
    const char* text;
};

class MillimetreFormat : public ::testing::TestWithParam<NumberCase> {};

TEST_P(MillimetreFormat, InSizeAndGapLines) {
    const NumberCase c = GetParam();
    const QByteArray job = TSPL::job(white(8, 8), sized(c.mm, c.mm, c.mm), 1);
    const QByteArray n(c.text);
    EXPECT_EQ(lines(job)[0], "SIZE " + n + " mm, " + n + " mm\r");
    EXPECT_TRUE(job.contains("\r\nGAP " + n + " mm,0 mm\r\n")) << job.right(120).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, MillimetreFormat,
                         ::testing::Values(NumberCase{50.0, "50"}, NumberCase{50.5, "50.5"},
                                           NumberCase{101.6, "101.6"}, NumberCase{3.04, "3.0"},
                                           NumberCase{3, "3"}, NumberCase{0, "0"},
                                           NumberCase{-0.0, "0"}, NumberCase{50.25, "50.2"},
                                           NumberCase{2.75, "2.8"}, NumberCase{0.96, "1.0"},
                                           NumberCase{-2.5, "-2.5"},
                                           NumberCase{1e20, "100000000000000000000"}));

struct ClampCase {
    qint64 density;
    qint64 copies;
    const char* densityLine;
    const char* printLine;
};

class Clamps : public ::testing::TestWithParam<ClampCase> {};

TEST_P(Clamps, DensityAndCopies) {
    const ClampCase c = GetParam();
    const QByteArray job = TSPL::job(white(8, 8), sized(40, 30, 2, c.density), c.copies);
    EXPECT_TRUE(job.contains(QByteArray("\r\n") + c.densityLine + "\r\n"));
    EXPECT_TRUE(job.endsWith(QByteArray("\r\n") + c.printLine + "\r\n"));
}

constexpr qint64 big = std::numeric_limits<qint64>::max();
constexpr qint64 small = std::numeric_limits<qint64>::min();

INSTANTIATE_TEST_SUITE_P(Cases, Clamps,
                         ::testing::Values(ClampCase{-3, 0, "DENSITY 0", "PRINT 1,1"},
                                           ClampCase{20, -1, "DENSITY 15", "PRINT 1,1"},
                                           ClampCase{15, 250, "DENSITY 15", "PRINT 1,250"},
                                           ClampCase{0, 1, "DENSITY 0", "PRINT 1,1"},
                                           ClampCase{8, 2, "DENSITY 8", "PRINT 1,2"},
                                           ClampCase{big, big, "DENSITY 15",
                                                     "PRINT 1,9223372036854775807"},
                                           ClampCase{small, small, "DENSITY 0", "PRINT 1,1"}));

// The job as the printer must receive it, built here line by line from the raster's pixels.
QByteArray expectedJob(const RenderedLabel& label, const QByteArray& size, const QByteArray& gap,
                       int density, int copies) {
    const qint64 rowBytes = (label.width + 7) / 8;
    QByteArray payload(rowBytes * label.height, char(0xff));
    for (qint64 y = 0; y < label.height; ++y) {
        for (qint64 x = 0; x < label.width; ++x) {
            if (label.isBlack(x, y)) {
                payload[y * rowBytes + x / 8] =
                    char(uchar(payload[y * rowBytes + x / 8]) & ~(0x80 >> (x % 8)));
            }
        }
    }
    return "SIZE " + size + "\r\nCLS\r\nSHIFT 0,0\r\nBITMAP 0,0," + QByteArray::number(rowBytes) +
           "," + QByteArray::number(label.height) + ",0," + payload + "\r\nSPEED 0\r\nDENSITY " +
           QByteArray::number(density) +
           "\r\nSET CUTTER OFF\r\nSET TEAR ON\r\nSET RIBBON OFF\r\nDIRECTION 0,0\r\nGAP " + gap +
           " mm,0 mm\r\nOFFSET 0 mm\r\nPRINT 1," + QByteArray::number(copies) + "\r\n";
}

LabelDocument example() {
    LabelDocument doc(QStringLiteral("Example"), 50, 30);
    doc.gapMM = 3;
    doc.density = 8;
    LabelElement frame(ElementKind::box);
    frame.x = 1;
    frame.y = 1;
    frame.width = 48;
    frame.height = 28;
    frame.strokeMM = 0.5;
    LabelElement bar(ElementKind::line);
    bar.x = 3.3;
    bar.y = 14;
    bar.width = 43.1;
    bar.height = 0.4;
    LabelElement dot(ElementKind::ellipse);
    dot.x = 20;
    dot.y = 4;
    dot.width = 8;
    dot.height = 8;
    dot.filled = true;
    doc.elements = {frame, bar, dot};
    return doc;
}

TEST(Job, TheExampleByteForByte) {
    const LabelDocument doc = example();
    const QByteArray job = TSPL::job(doc, context(), 2);
    const RenderedLabel label = LabelRenderer::render(doc, context(), 1, true);
    ASSERT_EQ(label.width, 400);
    ASSERT_EQ(label.height, 240);
    EXPECT_EQ(job, expectedJob(label, "50 mm, 30 mm", "3", 8, 2));
    EXPECT_TRUE(job.startsWith("SIZE 50 mm, 30 mm\r\nCLS\r\nSHIFT 0,0\r\nBITMAP 0,0,50,240,0,"));
    EXPECT_EQ(job.size(), 55 + 12000 + 121);

    // The golden file pins the whole stream, payload included.
    const QString path = testsupport::dataPath(QStringLiteral("tspl-example-50x30.bin"));
    if (qEnvironmentVariable("VANTREL_UPDATE_GOLDEN") == QStringLiteral("1")) {
        testsupport::writeBytes(path, job);
    }
    EXPECT_EQ(job, testsupport::readBytes(path));
}

TEST(Job, PayloadOfAnAllWhiteSquare) {
    const QByteArray job = TSPL::job(white(8, 8), sized(1, 1), 1);
    EXPECT_TRUE(job.contains("BITMAP 0,0,1,8,0," + QByteArray(8, char(0xff)) + "\r\nSPEED 0\r\n"));
}

TEST(Job, RowsPastAMultipleOfEightArePaddedWhite) {
    RenderedLabel label = white(401, 3);
    label.pixels.fill(char(0));
    const QByteArray job = TSPL::job(label, sized(50.125, 0.375), 1);
    const Parsed parts = parse(job, 51 * 3);
    EXPECT_TRUE(parts.head.endsWith("BITMAP 0,0,51,3,0,"));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(parts.payload.mid(row * 51, 50), QByteArray(50, char(0)));
        EXPECT_EQ(uchar(parts.payload[row * 51 + 50]), 0x7f);
    }
    EXPECT_TRUE(parts.tail.startsWith("\r\nSPEED 0\r\n"));
}

TEST(Job, PayloadBytesMayLookLikeLineEnds) {
    // Dots black, black, black, black, white, white, black, white: 0x0D; then 0x0A.
    RenderedLabel label = white(16, 1);
    for (const int x : {0, 1, 2, 3, 6, 8, 9, 10, 11, 13, 15}) {
        label.pixels[x] = char(0);
    }
    const QByteArray job = TSPL::job(label, sized(2, 0.125), 1);
    const Parsed parts = parse(job, 2);
    EXPECT_EQ(parts.payload, QByteArray("\r\n"));
    EXPECT_TRUE(parts.head.endsWith("BITMAP 0,0,2,1,0,"));
    EXPECT_TRUE(parts.tail.startsWith("\r\nSPEED 0\r\n"));
}

TEST(Job, RendersTheDesignExactlyAtScaleOne) {
    for (const LabelDocument& doc : Templates::starters()) {
        const RenderedLabel label = LabelRenderer::render(doc, context(), 1, true);
        EXPECT_EQ(TSPL::job(doc, context(), 3), TSPL::job(label, doc, 3)) << doc.name.toStdString();
    }
}

// A design holding every kind of content that draws today, over a photograph-like picture.
LabelDocument everything() {
    QImage photo(320, 200, QImage::Format_RGB32);
    {
        QPainter painter(&photo);
        QLinearGradient shade(0, 0, 320, 200);
        shade.setColorAt(0, Qt::black);
        shade.setColorAt(1, QColor(250, 240, 230));
        painter.fillRect(photo.rect(), shade);
    }
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    photo.save(&buffer, "JPG", 85);

    LabelDocument doc = Templates::skuTag();
    LabelElement picture(ElementKind::image);
    picture.x = 20;
    picture.y = 12;
    picture.width = 19;
    picture.height = 17;
    picture.imageData = jpeg;
    doc.elements.prepend(picture);
    for (const ElementKind kind : {ElementKind::line, ElementKind::box, ElementKind::ellipse}) {
        LabelElement shape(kind);
        shape.x = 22.3;
        shape.y = 14.1;
        shape.rotation = 90;
        doc.elements.append(shape);
    }
    LabelElement turned(ElementKind::text);
    turned.content = QStringLiteral("Turned {serial}");
    turned.rotation = 270;
    turned.x = 30;
    turned.y = 2;
    turned.width = 7;
    turned.height = 26;
    doc.elements.append(turned);
    return doc;
}

TEST(Pipeline, ExactFromRasterToWire) {
    QList<LabelDocument> designs = Templates::starters();
    designs.append(Templates::identify(QStringLiteral("Front desk"), QStringLiteral("CT221B-7F")));
    designs.append(everything());
    designs.append(example());
    for (const LabelDocument& doc : designs) {
        const RenderedLabel label = LabelRenderer::render(doc, context(), 1, true);
        qint64 black = 0;
        for (const char c : label.pixels) {
            ASSERT_TRUE(uchar(c) == 0 || uchar(c) == 255) << doc.name.toStdString();
            black += uchar(c) == 0 ? 1 : 0;
        }
        EXPECT_GT(black, 0) << doc.name.toStdString();
        const qint64 rowBytes = (label.width + 7) / 8;
        const QByteArray packed = label.packedRows();
        const Parsed parts = parse(TSPL::job(label, doc, 1), rowBytes * label.height);
        ASSERT_EQ(parts.payload, packed) << doc.name.toStdString();
        for (qint64 y = 0; y < label.height; ++y) {
            for (qint64 x = 0; x < label.width; ++x) {
                const bool white = uchar(packed[y * rowBytes + x / 8]) & (0x80 >> (x % 8));
                ASSERT_EQ(white, !label.isBlack(x, y))
                    << doc.name.toStdString() << " " << x << "," << y;
            }
        }
    }
}

TEST(Pipeline, JobsAreIndependentOfTheThread) {
    QList<LabelDocument> designs = Templates::starters();
    designs.append(everything());
    QList<QByteArray> expected;
    for (const LabelDocument& doc : designs) {
        expected.append(TSPL::job(doc, context(), 1));
    }
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 5; ++round) {
                for (qsizetype i = 0; i < designs.size(); ++i) {
                    if (TSPL::job(designs[(i + t) % designs.size()], context(), 1) !=
                        expected[(i + t) % designs.size()]) {
                        ++mismatches[size_t(t)];
                    }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

TEST(Job, UnprintableDesignsAreRefused) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    auto message = [](const LabelDocument& doc) {
        try {
            TSPL::job(doc, context(), 1);
        } catch (const UserError& e) {
            return e.message();
        }
        return QStringLiteral("no error");
    };
    EXPECT_EQ(message(sized(nan, 30)),
              QStringLiteral("The label's width (nan mm) is not a size that can be printed."));
    EXPECT_EQ(message(sized(40, 30, std::numeric_limits<double>::infinity())),
              QStringLiteral("The label's gap (inf mm) is not a size that can be printed."));
    EXPECT_EQ(message(sized(20000, 20000)),
              LabelRenderer::sizeProblem(sized(20000, 20000), 1).value_or(QString()));
    EXPECT_THROW(TSPL::job(white(8, 8), sized(40, nan), 1), UserError);
}

} // namespace
