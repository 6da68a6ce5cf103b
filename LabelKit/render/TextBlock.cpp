#include "LabelKit/render/TextBlock.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHashFunctions>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <QTextOption>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace vantrel {

namespace {

// Every text is laid out at this one whole pixel size and scaled to its size in dots. Unhinted
// advances grow linearly with the size, so the scale is exact; 256 px keeps the metrics' 1/64 px
// steps far below a dot, and stays under the few hundred pixels above which Qt stops caching
// glyph metrics and every layout reloads each glyph (eight times slower).
constexpr int layoutPixelSize = 256;

struct Magnified {
    int pixelSize;
    double scale; // dots per layout unit
};

Magnified magnify(double points) {
    return {layoutPixelSize, TextBlock::dots(points) / layoutPixelSize};
}

// Line feeds, carriage returns and paragraph separators become Qt's line separator; a break
// at the very end adds no empty line.
QString withLineSeparators(const QString& text) {
    QString result = text;
    result.replace(QStringLiteral("\r\n"), QString(QChar::LineSeparator));
    for (QChar& c : result) {
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator) {
            c = QChar::LineSeparator;
        }
    }
    if (result.endsWith(QChar::LineSeparator)) {
        result.chop(1);
    }
    return result;
}

// Qt draws glyphs larger than this many device pixels as filled outlines.
constexpr double cachedGlyphLimit = 64;

struct GlyphMask {
    QImage image;  // coverage, drawn as black of that opacity
    QPoint offset; // of the image's top-left corner from the glyph's origin
};

// Rasterised glyphs of this thread, by face, size and glyph. Each thread keeps its own, so
// renders on different threads share nothing; the cache is emptied when it grows large.
GlyphMask& glyphMask(const QRawFont& font, quint32 glyph) {
    struct Key {
        QString family;
        QString style;
        double pixelSize;
        quint32 glyph;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            return qHashMulti(0, k.family, k.style, k.pixelSize, k.glyph);
        }
    };
    constexpr qint64 byteLimit = 32 * 1024 * 1024;
    thread_local std::unordered_map<Key, GlyphMask, KeyHash> cache;
    thread_local qint64 bytes = 0;
    Key key{font.familyName(), font.styleName(), font.pixelSize(), glyph};
    if (const auto found = cache.find(key); found != cache.end()) {
        return found->second;
    }
    if (bytes > byteLimit) {
        cache.clear();
        bytes = 0;
    }
    GlyphMask mask;
    mask.image = font.alphaMapForGlyph(glyph, QRawFont::PixelAntialiasing);
    if (!mask.image.isNull() && mask.image.format() != QImage::Format_Alpha8) {
        mask.image = mask.image.convertToFormat(QImage::Format_Alpha8);
    }
    const QRectF bounds = font.boundingRect(glyph);
    mask.offset = QPoint(qFloor(bounds.left()), qFloor(bounds.top()));
    bytes += mask.image.sizeInBytes();
    return cache.emplace(std::move(key), std::move(mask)).first->second;
}

Qt::Alignment alignment(TextAlign align) {
    switch (align) {
    case TextAlign::center:
        return Qt::AlignHCenter;
    case TextAlign::right:
        return Qt::AlignRight;
    case TextAlign::left:
        break;
    }
    return Qt::AlignLeft;
}

} // namespace

TextBlock::TextBlock(const QString& text, const FaceLibrary::Face& face, double points,
                     TextAlign align, double width, const QPaintDevice* device) {
    const Magnified m = magnify(points);
    m_scale = m.scale;
    m_pixelSize = m.pixelSize;
    m_lineHeight = (face.ascent + face.descent) * m.pixelSize;
    const double ascent = face.ascent * m.pixelSize;

    m_layout =
        std::make_unique<QTextLayout>(withLineSeparators(text), face.font(m.pixelSize), device);
    QTextOption option(alignment(align));
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setUseDesignMetrics(true);
    m_layout->setTextOption(option);
    m_layout->setCacheEnabled(true);
    const double lineWidth = std::max(width, 0.0) / m_scale;
    m_layout->beginLayout();
    for (;;) {
        QTextLine line = m_layout->createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(lineWidth);
        // Baselines fall at the face's own spacing, whatever the stand-in face would use.
        const double baseline = ascent + m_lines * m_lineHeight;
        line.setPosition(QPointF(0, baseline - line.ascent()));
        ++m_lines;
    }
    m_layout->endLayout();
}

TextBlock::~TextBlock() = default;

double TextBlock::height() const {
    return m_lines * m_lineHeight * m_scale;
}

void TextBlock::draw(QPainter& painter, QPointF topLeft) const {
    const QTransform device = painter.deviceTransform();
    // Upright text magnified at least twice (the preview) whose glyphs are too large for Qt's
    // glyph cache: Qt would fill every glyph outline on every draw, which is slow; rasterised
    // glyph masks, kept between draws, look the same within a quarter of a dot.
    const bool upright =
        device.m12() == 0 && device.m21() == 0 && device.m11() == device.m22() && device.m11() >= 2;
    if (upright && m_pixelSize * m_scale * device.m11() > cachedGlyphLimit) {
        painter.save();
        painter.resetTransform();
        drawGlyphMasks(painter, device.map(topLeft), m_scale * device.m11());
        painter.restore();
        return;
    }
    painter.save();
    painter.translate(topLeft);
    painter.scale(m_scale, m_scale);
    m_layout->draw(&painter, QPointF(0, 0));
    painter.restore();
}

void TextBlock::drawGlyphMasks(QPainter& painter, QPointF origin, double deviceScale) const {
    for (const QGlyphRun& run : m_layout->glyphRuns()) {
        QRawFont font = run.rawFont();
        font.setPixelSize(font.pixelSize() * deviceScale);
        const QList<quint32> glyphs = run.glyphIndexes();
        const QList<QPointF> positions = run.positions();
        for (qsizetype i = 0; i < glyphs.size(); ++i) {
            const GlyphMask& mask = glyphMask(font, glyphs[i]);
            if (mask.image.isNull()) {
                continue;
            }
            const QPointF at = origin + positions[i] * deviceScale;
            painter.drawImage(QPoint(qRound(at.x()), qRound(at.y())) + mask.offset, mask.image);
        }
    }
}

double TextBlock::lineWidth(const QString& text, const FaceLibrary::Face& face, double points,
                            const QPaintDevice* device) {
    return widestLine({text}, face, points, device);
}

double TextBlock::widestLine(const QStringList& texts, const FaceLibrary::Face& face, double points,
                             const QPaintDevice* device) {
    const Magnified m = magnify(points);
    const QFont font = face.font(m.pixelSize);
    // Summed glyph advances cost little; shaping each text costs a layout. Kerning moves a
    // width by a few percent at most, so only texts near the widest by advances are shaped,
    // and texts with characters the face lacks (drawn from another face).
    const QRawFont raw = QRawFont::fromFont(font);
    QList<double> sums;
    double widestSum = 0;
    for (const QString& text : texts) {
        const QList<quint32> glyphs = raw.glyphIndexesForString(text);
        double sum = 0;
        for (const QPointF& advance : raw.advancesForGlyphIndexes(glyphs)) {
            sum += advance.x();
        }
        const bool complete = raw.isValid() && !glyphs.contains(0);
        sums.append(complete ? sum : -1);
        widestSum = std::max(widestSum, complete ? sum : 0);
    }
    // A paint device is required: without one Qt measures for the screen.
    const QFontMetricsF metrics(font, device);
    double widest = 0;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (sums[i] < 0 || sums[i] >= 0.9 * widestSum) {
            widest = std::max(widest, metrics.horizontalAdvance(texts[i]));
        }
    }
    return widest * m.scale;
}

} // namespace vantrel
