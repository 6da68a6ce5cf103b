// What a label may hold before drawing it is refused: elements, text, pictures.
#include "LabelKit/model/UserError.h"
#include "LabelKit/render/PicturePainter.h"

#include "tests/render/RenderTesting.h"
#include "tests/support/ProgressiveJpeg.h"

#include <gtest/gtest.h>

using namespace vantrel;

using namespace Qt::StringLiterals;

using namespace rendertest;

namespace {

// The message of the render's refusal; empty when the design renders.
QString refusal(const LabelDocument& doc, const LabelContext& c = context()) {
    return testsupport::userError([&] { LabelRenderer::render(doc, c, 1, true); });
}

TEST(RenderLimits, ElementsBeyondTheLimitAreRefused) {
    QList<LabelElement> boxes(LabelDocument::maxElements, element(ElementKind::box, 1, 1, 4, 4));
    EXPECT_EQ(refusal(document(20, 20, boxes)), QString());
    boxes.append(boxes.first());
    EXPECT_EQ(refusal(document(20, 20, boxes)),
              u"The label has too many elements: a label holds at most 1000."_s);
}

TEST(RenderLimits, TextBeyondTheLimitsIsRefusedOnceExpanded) {
    const qsizetype most = LabelRenderer::maxElementCharacters;
    const QString words = u"word "_s.repeated(most / 5);
    EXPECT_EQ(refusal(document(50, 30, {text(words, 1, 1, 48, 28, 4)})), QString());
    const QString tooLong = u"The text “word word word word…” is too long: an element holds at "
                            "most 10000 characters."_s;
    for (const ElementKind kind : {ElementKind::text, ElementKind::barcode, ElementKind::qr}) {
        LabelElement e = element(kind, 1, 1, 48, 28);
        e.content = words + u"!"_s;
        EXPECT_EQ(refusal(document(50, 30, {e})), tooLong) << rawValue(kind).toStdString();
    }
    // A field fills a placeholder past the limit; content no kind draws is not counted.
    LabelContext longField = context();
    longField.fields.insert(u"Name"_s, words + u"!"_s);
    EXPECT_EQ(refusal(document(50, 30, {text(u"{Name}"_s, 1, 1, 48, 28)}), longField), tooLong);
    LabelElement box = element(ElementKind::box, 1, 1, 4, 4);
    box.content = u"{Name}"_s;
    EXPECT_EQ(refusal(document(50, 30, {box}), longField), QString());

    // The label's text in all.
    const qsizetype parts = LabelRenderer::maxLabelCharacters / most;
    QList<LabelElement> full(parts, text(words, 1, 1, 48, 28, 4));
    EXPECT_EQ(refusal(document(50, 30, full)), QString());
    full.append(text(u"x"_s, 1, 1, 48, 28));
    EXPECT_EQ(refusal(document(50, 30, full)),
              u"The label's text is too long: a label holds at most 50000 characters in all."_s);
}

// A PNG claiming the size in grey pixels, with an empty image data chunk.
QByteArray pngClaiming(int width, int height) {
    return testsupport::readBytes(
        testsupport::dataPath(u"claims-%1x%2.png"_s.arg(width).arg(height)));
}

LabelElement pictureOf(const QByteArray& bytes) {
    LabelElement e = element(ElementKind::image, 1, 1, 10, 10);
    e.imageData = bytes;
    return e;
}

TEST(RenderLimits, PicturesBeyondTheirLimitsAreRefusedBeforeDecoding) {
    EXPECT_EQ(refusal(document(20, 20, {pictureOf(pngClaiming(8193, 8192))})),
              u"A picture is too large (8193 × 8192 pixels): a picture may have at most 64 "
              "megapixels."_s);
    // Pictures count together, each distinct picture once.
    QList<LabelElement> pictures{
        pictureOf(pngClaiming(8192, 4096)), pictureOf(pngClaiming(8192, 4096)),
        pictureOf(pngClaiming(8192, 4095)), pictureOf(pngClaiming(1, 8192))};
    EXPECT_EQ(refusal(document(20, 20, pictures)), QString());
    pictures.last() = pictureOf(pngClaiming(1, 8193));
    EXPECT_EQ(refusal(document(20, 20, pictures)),
              u"The label's pictures are too large: a label's pictures may have at most 64 "
              "megapixels in all."_s);
}

TEST(RenderLimits, JpegsWithTooManyScansAreRefused) {
    const qsizetype most = PicturePainter::maxScans;
    EXPECT_FALSE(PicturePainter::decode(testsupport::progressiveJpeg(16, most)).isNull());
    EXPECT_EQ(refusal(document(20, 20, {pictureOf(testsupport::progressiveJpeg(16, most))})),
              QString());
    EXPECT_TRUE(PicturePainter::decode(testsupport::progressiveJpeg(16, most + 1)).isNull());
    EXPECT_EQ(refusal(document(20, 20, {pictureOf(testsupport::progressiveJpeg(16, most + 1))})),
              u"A picture has too many scans: a JPEG picture may have at most 100."_s);
}

// Qt refuses by itself to decode images beyond an allocation limit of its own; every picture
// within the pixel limit decodes. A small colour JPEG whose frame header claims 5800 x 5800
// pixels (134 MB as 32-bit pixels) decodes as that size, the missing data read as grey.
TEST(RenderLimits, PicturesWithinThePixelLimitDecodeWhateverTheirMemory) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray jpeg = encoded(image, "JPG", 90);
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    ASSERT_GT(frame, 0);
    for (const qsizetype at : {frame + 5, frame + 7}) {
        jpeg[at] = char(5800 >> 8);
        jpeg[at + 1] = char(5800 & 0xFF);
    }
    EXPECT_EQ(PicturePainter::decode(jpeg).size(), QSize(5800, 5800));
}

} // namespace
