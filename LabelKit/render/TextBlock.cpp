#include "LabelKit/render/TextBlock.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace {

// Glyph metrics stay exact up to this pixel size (beyond about 16 000 px Qt's FreeType metrics
// overflow), and far enough above typical sizes that rounding the size to whole pixels costs
// nothing measurable.
constexpr double magnifiedLimit = 8192;

struct Magnified {
    int pixelSize;
    double scale; // dots per layout unit
};

// A whole pixel size for the text and the exact factor that brings it back to the wanted size.
Magnified magnify(double points) {
    const double dots = TextBlock::dots(points);
    const double factor = std::min(100.0, magnifiedLimit / dots);
    const int pixelSize = std::max(1, int(std::lround(dots * factor)));
    return {pixelSize, dots / pixelSize};
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
    painter.save();
    painter.translate(topLeft);
    painter.scale(m_scale, m_scale);
    m_layout->draw(&painter, QPointF(0, 0));
    painter.restore();
}

double TextBlock::lineWidth(const QString& text, const FaceLibrary::Face& face, double points,
                            const QPaintDevice* device) {
    const Magnified m = magnify(points);
    // A paint device is required: without one Qt measures for the screen.
    const QFontMetricsF metrics(face.font(m.pixelSize), device);
    return metrics.horizontalAdvance(text) * m.scale;
}
