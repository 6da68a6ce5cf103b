#include "LabelKit/tspl/TSPL.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/tspl/TsplDecoder.h"

#include "tests/render/RenderTesting.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <limits>
#include <thread>

using namespace vantrel;

using namespace Qt::StringLiterals;
using rendertest::ascii;
using rendertest::element;
using rendertest::filled;

namespace {

LabelContext context() {
    LabelContext c;
    c.serial = 42;
    c.serialDigits = 4;
    c.date = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    return c;
}

QList<QByteArray> lines(const QByteArray& job) {
    return job.split('\n');
}

LabelDocument sized(double widthMM, double heightMM, double gapMM = 2, qint64 density = 8) {
    LabelDocument doc(u"Test"_s, widthMM, heightMM);
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
    const QByteArray n(c.text);
    // A label has a size above 0; a gap may be 0.
    if (c.mm > 0) {
        const QByteArray job = TSPL::job(filled(8, 8), sized(c.mm, c.mm), 1);
        EXPECT_EQ(lines(job)[0], "SIZE " + n + " mm, " + n + " mm\r");
    }
    const QByteArray job = TSPL::job(filled(8, 8), sized(40, 30, c.mm), 1);
    EXPECT_TRUE(job.contains("\r\nGAP " + n + " mm,0 mm\r\n")) << job.right(120).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, MillimetreFormat,
                         ::testing::Values(NumberCase{50.0, "50"}, NumberCase{50.5, "50.5"},
                                           NumberCase{101.6, "101.6"}, NumberCase{3.04, "3.0"},
                                           NumberCase{3, "3"}, NumberCase{0, "0"},
                                           NumberCase{-0.0, "0"}, NumberCase{50.25, "50.2"},
                                           NumberCase{2.75, "2.8"}, NumberCase{0.96, "1.0"},
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
    const QByteArray job = TSPL::job(filled(8, 8), sized(40, 30, 2, c.density), c.copies);
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

// The example job: a 50 x 30 mm label with a frame, a rule and a filled dot.
LabelDocument example() {
    LabelDocument doc = sized(50, 30, 3);
    LabelElement dot = element(ElementKind::ellipse, 20, 4, 8, 8);
    dot.filled = true;
    doc.elements = {element(ElementKind::box, 1, 1, 48, 28),
                    element(ElementKind::line, 3.3, 14, 43.1, 0.4), dot};
    return doc;
}

// The golden file pins the whole stream, payload included; the pipeline test below checks that
// the payload is what the renderer drew.
TEST(Job, TheExampleByteForByte) {
    const QByteArray job = TSPL::job(example(), context(), 2);
    const QString path = testsupport::dataPath(u"tspl-example-50x30.bin"_s);
    if (qEnvironmentVariable("VANTREL_UPDATE_GOLDEN") == u"1"_s) {
        testsupport::writeBytes(path, job);
    }
    EXPECT_EQ(job, testsupport::readBytes(path));
}

// A design holding every kind of content that draws today, over a photograph-like picture.
LabelDocument everything() {
    QImage photo(320, 200, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient shade(0, 0, 320, 200);
    shade.setColorAt(0, Qt::black);
    shade.setColorAt(1, QColor(250, 240, 230));
    painter.fillRect(photo.rect(), shade);
    painter.end();
    QBuffer jpeg;
    jpeg.open(QIODevice::WriteOnly);
    photo.save(&jpeg, "JPG", 85);

    LabelDocument doc = Templates::skuTag();
    LabelElement picture = element(ElementKind::image, 20, 12, 19, 17);
    picture.imageData = jpeg.data();
    doc.elements.prepend(picture);
    for (const ElementKind kind : {ElementKind::line, ElementKind::box, ElementKind::ellipse}) {
        LabelElement shape(kind);
        shape.x = 22.3;
        shape.y = 14.1;
        shape.rotation = 90;
        doc.elements.append(shape);
    }
    LabelElement turned = element(ElementKind::text, 30, 2, 7, 26);
    turned.content = u"Turned {serial}"_s;
    turned.rotation = 270;
    doc.elements.append(turned);
    return doc;
}

// The printer burns the raster a job was encoded from, every dot below 128 black and every other
// white, whatever its width and however grey it is.
TEST(Pipeline, WhatIsEncodedIsWhatThePrinterBurns) {
    QList<LabelDocument> designs = Templates::starters();
    designs.append(Templates::identify(u"Front desk"_s, u"CT221B-7F"_s));
    designs.append(everything());
    LabelDocument odd = example();
    odd.widthMM = 50.125; // 401 dots: each row ends in a byte of padding bits
    designs.append(odd);
    for (const LabelDocument& doc : designs) {
        for (const bool exact : {true, false}) {
            const RenderedLabel label = LabelRenderer::render(doc, context(), 1, exact);
            TsplDecoder decoder;
            const auto events = decoder.feed(TSPL::job(label, doc, 3));
            ASSERT_EQ(events.size(), 1) << doc.name.toStdString();
            ASSERT_EQ(events[0].kind, TsplDecoder::Event::Kind::page)
                << events[0].error.toStdString();
            EXPECT_EQ(events[0].copies, 3);
            EXPECT_TRUE(ascii(events[0].label) == ascii(label))
                << doc.name.toStdString() << (exact ? " exact" : " preview");
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
            for (int round = 0; round < 3; ++round) {
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
        return u"no error"_s;
    };
    EXPECT_EQ(message(sized(nan, 30)),
              u"The label's width (nan mm) is not a size that can be printed."_s);
    EXPECT_EQ(message(sized(40, 30, std::numeric_limits<double>::infinity())),
              u"The label's gap (inf mm) is not a size that can be printed."_s);
    EXPECT_EQ(message(sized(40, 30, -0.5)),
              u"The label's gap (-0.5 mm) is not a size that can be printed."_s);
    EXPECT_EQ(message(sized(-40, 30)),
              u"The label's width (-40 mm) is not a size that can be printed."_s);
    EXPECT_EQ(message(sized(20000, 20000)),
              LabelRenderer::sizeProblem(sized(20000, 20000), 1).value_or(QString()));
    EXPECT_THROW(TSPL::job(filled(8, 8), sized(40, nan), 1), UserError);
    EXPECT_THROW(TSPL::job(filled(8, 8), sized(40, 0), 1), UserError);
    EXPECT_NO_THROW(TSPL::job(filled(8, 8), sized(40, 30, 0), 1));
}

} // namespace
