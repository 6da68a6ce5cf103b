#include "LabelKit/tspl/TSPL.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/tspl/TsplDecoder.h"

#include "tests/render/RenderTesting.h"
#include "tests/support/TestSupport.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
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

LabelDocument sized(double widthMM, double heightMM, double gapMM = 2, qint64 density = 8) {
    LabelDocument doc(u"Test"_s, widthMM, heightMM);
    doc.gapMM = gapMM;
    doc.density = density;
    return doc;
}

TEST(Job, HeaderLinesWriteMillimetresAndClampDensityAndCopies) {
    for (const QStringList& c : testsupport::dataTable(u"tspl-header.txt"_s)) {
        const QByteArray n = c[2].toLatin1();
        const double mm = c[1].toDouble();
        if (c[0] == u"mm"_s) {
            EXPECT_TRUE(mm <= 0 || TSPL::job(filled(8, 8), sized(mm, mm), 1)
                                       .startsWith("SIZE " + n + " mm, " + n + " mm\r\n"))
                << mm;
            EXPECT_TRUE(TSPL::job(filled(8, 8), sized(40, 30, mm), 1)
                            .contains("\r\nGAP " + n + " mm,0 mm\r\n"))
                << mm;
            continue;
        }
        const QByteArray job =
            TSPL::job(filled(8, 8), sized(40, 30, 2, c[1].toLongLong()), c[2].toLongLong());
        EXPECT_TRUE(job.contains("\r\n" + c[3].toLatin1() + "\r\n")) << c[1].toStdString();
        EXPECT_TRUE(job.endsWith("\r\n" + c[4].toLatin1() + "\r\n")) << c[2].toStdString();
    }
}

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
    EXPECT_EQ(TSPL::job(example(), context(), 2),
              testsupport::readBytes(testsupport::dataPath(u"tspl-example-50x30.bin"_s)));
}

// A design holding every kind of content that draws today, over a photograph-like picture.
LabelDocument everything() {
    QImage photo(320, 200, QImage::Format_Grayscale8);
    for (int y = 0; y < photo.height(); ++y) {
        std::memset(photo.scanLine(y), y * 250 / 200, size_t(photo.width()));
    }
    LabelDocument doc = Templates::skuTag();
    LabelElement picture = element(ElementKind::image, 20, 12, 19, 17);
    picture.imageData = rendertest::encoded(photo, "JPG", 85);
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
    const QList<LabelDocument> designs = Templates::starters() << everything();
    QList<QByteArray> expected;
    for (const LabelDocument& doc : designs) {
        expected.append(TSPL::job(doc, context(), 1));
    }
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&, t] {
            for (qsizetype i = 0; i < 3 * designs.size(); ++i) {
                const qsizetype d = (i + qsizetype(t)) % designs.size();
                mismatches[t] += TSPL::job(designs[d], context(), 1) != expected[d] ? 1 : 0;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

// A design the printer cannot take is refused with the renderer's message, or its own for the
// gap (which may be 0).
TEST(Job, UnprintableDesignsAreRefused) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    auto message = [](const LabelDocument& doc) {
        return testsupport::userError([&] { TSPL::job(doc, context(), 1); });
    };
    EXPECT_EQ(message(sized(40, 30, std::numeric_limits<double>::infinity())),
              u"The label's gap (inf mm) is not a size that can be printed."_s);
    EXPECT_EQ(message(sized(40, 30, -0.5)),
              u"The label's gap (-0.5 mm) is not a size that can be printed."_s);
    EXPECT_EQ(message(sized(20000, 20000)),
              LabelRenderer::sizeProblem(sized(20000, 20000), 1).value_or(u"no problem"_s));
    EXPECT_THROW(TSPL::job(filled(8, 8), sized(40, nan), 1), UserError);
    EXPECT_NO_THROW(TSPL::job(filled(8, 8), sized(40, 30, 0), 1));
}

} // namespace
