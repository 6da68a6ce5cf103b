#include "views/ZoomBar.h"

#include "views/Icons.h"

#include "LabelKit/edit/Zoom.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

namespace vantrel {

namespace {

QToolButton* button(QWidget* parent, const QString& help) {
    auto* b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setToolTip(help);
    b->setAccessibleName(help);
    b->setFocusPolicy(Qt::NoFocus); // the canvas keeps the keyboard
    b->setIconSize(QSize(16, 16));
    return b;
}

} // namespace

ZoomBar::ZoomBar(QWidget* parent)
    : QWidget(parent)
    , m_out(button(this, QStringLiteral("Zoom out")))
    , m_fit(button(this, QStringLiteral("Fit to window")))
    , m_in(button(this, QStringLiteral("Zoom in"))) {
    setObjectName(QStringLiteral("zoomBar"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_out->setIcon(Icons::icon(u"minus"));
    m_in->setIcon(Icons::icon(u"plus"));
    // Digits of equal width, so the capsule keeps its size from 50% to 400%.
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digits.setPointSizeF(font().pointSizeF());
    m_fit->setFont(digits);
    m_fit->setMinimumWidth(40);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(2);
    layout->addWidget(m_out);
    layout->addWidget(m_fit);
    layout->addWidget(m_in);
    connect(m_out, &QToolButton::clicked, this, &ZoomBar::zoomOut);
    connect(m_fit, &QToolButton::clicked, this, &ZoomBar::fit);
    connect(m_in, &QToolButton::clicked, this, &ZoomBar::zoomIn);
    setZoom(1);
}

void ZoomBar::setZoom(double zoom) {
    m_fit->setText(QString::number(Zoom::percent(zoom)) + u'%');
    adjustSize();
}

void ZoomBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A translucent capsule with a thin outline, over whatever the canvas shows beneath.
    QColor fill = palette().color(QPalette::Window);
    fill.setAlphaF(0.88);
    QColor outline = palette().color(QPalette::WindowText);
    outline.setAlphaF(0.25);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(r, r.height() / 2, r.height() / 2);
}

} // namespace vantrel
