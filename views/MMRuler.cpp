#include "views/MMRuler.h"

#include "LabelKit/edit/RulerTicks.h"

#include <QPaintEvent>
#include <QPainter>

namespace vantrel {

MMRuler::MMRuler(bool vertical, QWidget* parent) : QWidget(parent), m_vertical(vertical) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

QColor MMRuler::secondary(const QPalette& palette) {
    QColor colour = palette.color(QPalette::WindowText);
    colour.setAlphaF(0.55);
    return colour;
}

void MMRuler::set(double lengthMM, double scale, MeasureUnit unit,
                  std::optional<std::pair<double, double>> highlight) {
    if (lengthMM == m_lengthMM && scale == m_scale && unit == m_unit && highlight == m_highlight) {
        return;
    }
    m_lengthMM = lengthMM;
    m_scale = scale;
    m_unit = unit;
    m_highlight = highlight;
    update();
}

void MMRuler::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn as if horizontal: along runs left to right, across from the outer edge inwards.
    if (m_vertical) {
        painter.translate(thickness, 0);
        painter.rotate(90);
    }
    const QRect exposed = event->rect();
    const double from = m_vertical ? exposed.top() : exposed.left();
    const double to = m_vertical ? exposed.bottom() + 1 : exposed.right() + 1;

    if (m_highlight) {
        QColor band = palette().color(QPalette::Highlight);
        band.setAlphaF(0.22);
        const double start = m_highlight->first * m_scale;
        const double end = m_highlight->second * m_scale;
        painter.fillRect(QRectF(start, 0, end - start, thickness), band);
    }

    const QColor colour = secondary(palette());
    QFont font = this->font();
    font.setPointSizeF(8);
    painter.setFont(font);
    const QFontMetricsF metrics(font, this);
    // Labels reach up to about 20 points past their tick; include ticks just before the area.
    for (const RulerTick& tick : RulerTicks::ticks(m_lengthMM, m_scale, m_unit, from - 24, to)) {
        const bool labelled = tick.kind == RulerTick::Kind::labelled;
        const double length = thickness * (labelled                               ? 0.55
                                           : tick.kind == RulerTick::Kind::medium ? 0.38
                                                                                  : 0.22);
        QColor pen = colour;
        pen.setAlphaF(colour.alphaF() * (labelled ? 0.9 : 0.6));
        painter.setPen(QPen(pen, labelled ? 1 : 0.6));
        // From the edge that faces the paper outwards: the bottom of the top ruler, the right
        // edge of the left one (which the rotation puts at the top of the drawing).
        const double inner = m_vertical ? 0 : thickness;
        const double outer = m_vertical ? length : thickness - length;
        painter.drawLine(QPointF(tick.position, inner), QPointF(tick.position, outer));
        if (tick.label.isEmpty()) {
            continue;
        }
        painter.setPen(colour);
        const double centre = thickness * 0.32;
        if (m_vertical) {
            // Upright text, centred on the tick at 0.32 of the thickness from the outer edge.
            painter.save();
            painter.resetTransform();
            const double width = metrics.horizontalAdvance(tick.label);
            painter.drawText(QPointF(centre - width / 2, tick.position + metrics.capHeight() / 2),
                             tick.label);
            painter.restore();
        } else {
            painter.drawText(QPointF(tick.position + 2, centre + metrics.capHeight() / 2),
                             tick.label);
        }
    }
}

} // namespace vantrel
