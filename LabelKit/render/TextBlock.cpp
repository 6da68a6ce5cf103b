#include "LabelKit/render/TextBlock.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHashFunctions>
#include <QPainter>
#include <QRawFont>
#include <QTextBoundaryFinder>
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

// Where a line that starts inside a word far wider than the line must break anywhere at once.
// Qt measures the rest of the word before it falls back to breaking anywhere, once for every
// line the word fills, so a long word took time growing with the square of its length; deciding
// before each line keeps the time linear and the lines the same.
class LongWords {
public:
    // Texts without a run of more than this many characters between spaces cost little either
    // way and are not examined.
    static constexpr qsizetype shortRun = 64;

    LongWords(const QString& text, const QFont& font) {
        if (!hasLongRun(text)) {
            return;
        }
        const QRawFont raw = QRawFont::fromFont(font);
        const int n = int(text.size());
        QList<quint32> glyphs(n);
        int count = n;
        if (!raw.isValid() ||
            !raw.glyphIndexesForChars(text.constData(), n, glyphs.data(), &count) || count != n) {
            return; // surrogate pairs: one glyph for two code units; not worth the bookkeeping
        }
        QList<QPointF> advances(n);
        if (!raw.advancesForGlyphIndexes(glyphs.constData(), advances.data(), n,
                                         QRawFont::UseDesignMetrics)) {
            return;
        }
        m_offsets.resize(n + 1);
        m_offsets[0] = 0;
        for (int i = 0; i < n; ++i) {
            // A glyph the face lacks is drawn from another face: counted as nothing, so that a
            // line is never wrongly judged too short for its word.
            m_offsets[i + 1] = m_offsets[i] + (glyphs[i] == 0 ? 0 : std::max(0.0, advances[i].x()));
        }
        QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
        m_breaks.reserve(n / 4);
        while (breaks.toNextBoundary() >= 0) {
            qsizetype end = breaks.position();
            while (end > 0 && text[end - 1].isSpace()) {
                --end; // spaces at a line's end hang past it
            }
            m_breaks.append({breaks.position(), end});
        }
        m_text = text;
    }

    // The word from `start` to the next break is wider than twice the line: its first part
    // surely fills the line, however Qt measures it.
    bool fillsLine(qsizetype start, double lineWidth) const {
        if (m_breaks.isEmpty() || start >= m_text.size()) {
            return false;
        }
        const auto next = std::upper_bound(
            m_breaks.begin(), m_breaks.end(), start,
            [](qsizetype position, const Break& b) { return position < b.position; });
        if (next == m_breaks.end() || next->inkEnd <= start) {
            return false;
        }
        return m_offsets[next->inkEnd] - m_offsets[start] > 2 * lineWidth;
    }

private:
    struct Break {
        qsizetype position; // a line may break before this character
        qsizetype inkEnd;   // the end of the word before it, without its trailing spaces
    };

    static bool hasLongRun(const QString& text) {
        qsizetype run = 0;
        for (const QChar c : text) {
            run = c == u' ' || c == u'\t' || c == QChar::LineSeparator ? 0 : run + 1;
            if (run > shortRun) {
                return true;
            }
        }
        return false;
    }

    QString m_text;
    QList<double> m_offsets; // layout units from the start to each character
    QList<Break> m_breaks;
};

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

    const QString laidOut = withLineSeparators(text);
    const QFont font = face.font(m.pixelSize);
    m_layout = std::make_unique<QTextLayout>(laidOut, font, device);
    QTextOption option(alignment(align));
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setUseDesignMetrics(true);
    m_layout->setTextOption(option);
    m_layout->setCacheEnabled(true);
    const double lineWidth = std::max(width, 0.0) / m_scale;
    const LongWords longWords(laidOut, font);
    m_layout->beginLayout();
    for (;;) {
        QTextLine line = m_layout->createLine();
        if (!line.isValid()) {
            break;
        }
        // The wrap mode is read line by line.
        const bool anywhere = longWords.fillsLine(line.textStart(), lineWidth);
        if (anywhere) {
            option.setWrapMode(QTextOption::WrapAnywhere);
            m_layout->setTextOption(option);
        }
        line.setLineWidth(lineWidth);
        if (anywhere) {
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            m_layout->setTextOption(option);
        }
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
                             const QPaintDevice* device, double* total) {
    const Magnified m = magnify(points);
    const QFont font = face.font(m.pixelSize);
    // Summed glyph advances cost little; shaping each text costs a layout. Kerning moves a
    // width by a few percent at most, so only texts near the widest by advances are shaped,
    // and texts with characters the face lacks (drawn from another face).
    const QRawFont raw = QRawFont::fromFont(font);
    QList<double> sums;
    double widestSum = 0;
    if (total) {
        *total = 0;
    }
    for (const QString& text : texts) {
        const QList<quint32> glyphs = raw.glyphIndexesForString(text);
        double sum = 0;
        for (const QPointF& advance : raw.advancesForGlyphIndexes(glyphs)) {
            sum += advance.x();
        }
        const bool complete = raw.isValid() && !glyphs.contains(0);
        if (total && complete) {
            *total += sum * m.scale;
        }
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
