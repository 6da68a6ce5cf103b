#include "views/SignalBars.h"

#include "views/SignalStrength.h"

#include <QPainter>

namespace vantrel {

SignalBars::SignalBars(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setRssi(m_rssi);
}

void SignalBars::setRssi(int rssi) {
    m_rssi = rssi;
    const QString text = SignalStrength::accessibleText(rssi);
    setAccessibleName(text);
    setToolTip(text);
    update();
}

int SignalBars::bars() const {
    return SignalStrength::bars(m_rssi);
}

QSize SignalBars::sizeHint() const {
    return {18, 14};
}

void SignalBars::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor lit = palette().color(QPalette::PlaceholderText);
    QColor unlit = lit;
    unlit.setAlphaF(0.3f);
    const int count = SignalStrength::maxBars;
    const qreal gap = 1.5;
    const qreal barWidth = (width() - gap * (count - 1)) / count;
    for (int i = 0; i < count; ++i) {
        const qreal barHeight = height() * (i + 1) / count;
        const QRectF bar(i * (barWidth + gap), height() - barHeight, barWidth, barHeight);
        painter.setPen(Qt::NoPen);
        painter.setBrush(i < bars() ? lit : unlit);
        painter.drawRoundedRect(bar, 1, 1);
    }
}

} // namespace vantrel
