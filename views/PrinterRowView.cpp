#include "views/PrinterRowView.h"

#include "views/BusyIndicator.h"
#include "views/Icons.h"
#include "views/SignalBars.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace vantrel {

namespace {

constexpr int iconSize = 22;
const QColor yellow(0xf2, 0xb1, 0x00);

QFont caption(QFont font) {
    font.setPointSizeF(font.pointSizeF() * 0.85);
    return font;
}

} // namespace

PrinterRowView::PrinterRowView(QWidget* parent)
    : QWidget(parent)
    , m_icon(new QLabel(this))
    , m_title(new QLabel(this))
    , m_star(new QLabel(this))
    , m_subtitle(new QLabel(this))
    , m_spinner(new BusyIndicator(14, this))
    , m_bars(new SignalBars(this))
    , m_menuButton(new QToolButton(this))
    , m_menu(new QMenu(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->setSpacing(8);
    m_icon->setFixedSize(iconSize, iconSize);
    layout->addWidget(m_icon, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(4);
    m_title->setTextFormat(Qt::PlainText);
    titleLine->addWidget(m_title);
    m_star->setAccessibleName(QStringLiteral("Default printer"));
    titleLine->addWidget(m_star);
    titleLine->addStretch(1);
    texts->addLayout(titleLine);
    m_subtitle->setTextFormat(Qt::PlainText);
    m_subtitle->setFont(caption(m_subtitle->font()));
    m_subtitle->setForegroundRole(QPalette::PlaceholderText);
    texts->addWidget(m_subtitle);
    layout->addLayout(texts, 1);

    m_spinner->setAccessibleName(QStringLiteral("Working"));
    layout->addWidget(m_spinner, 0, Qt::AlignVCenter);
    layout->addWidget(m_bars, 0, Qt::AlignVCenter);

    m_rename = m_menu->addAction(Icons::icon(u"pencil"), QStringLiteral("Rename…"));
    m_default = m_menu->addAction(Icons::icon(u"star"), QString());
    m_identify =
        m_menu->addAction(Icons::icon(u"tag"), QStringLiteral("Identify (print name label)"));
    m_firmware = m_menu->addAction(Icons::icon(u"info.circle"), QStringLiteral("Read firmware"));
    m_menuButton->setIcon(Icons::icon(u"ellipsis.circle"));
    m_menuButton->setAutoRaise(true);
    m_menuButton->setPopupMode(QToolButton::InstantPopup);
    m_menuButton->setMenu(m_menu);
    m_menuButton->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    layout->addWidget(m_menuButton, 0, Qt::AlignVCenter);

    setRow(m_row);
}

void PrinterRowView::setRow(const PrinterRow& row) {
    m_row = row;
    m_title->setText(row.displayName);
    QFont font = m_title->font();
    font.setWeight(row.isDefault ? QFont::DemiBold : QFont::Normal);
    m_title->setFont(font);
    m_star->setVisible(row.isDefault);
    m_subtitle->setText(row.subtitle);
    m_spinner->setVisible(row.busy);
    m_bars->setVisible(row.showsSignal());
    m_bars->setRssi(row.rssi);
    m_default->setText(row.defaultActionTitle());
    const QString actions = QStringLiteral("Actions for ") + row.displayName;
    m_menuButton->setToolTip(actions);
    m_menuButton->setAccessibleName(actions);
    setAccessibleName(row.displayName);
    refreshIcons();
}

void PrinterRowView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        refreshIcons();
    }
}

void PrinterRowView::refreshIcons() {
    const qreal ratio = devicePixelRatioF();
    const QColor tint = m_row.tint() == PrinterRow::Tint::accent
                            ? palette().color(QPalette::Highlight)
                            : palette().color(QPalette::PlaceholderText);
    QPixmap icon = Icons::tinted(m_row.iconSymbol(), tint, iconSize, ratio);
    if (m_row.connected) {
        // Themes draw the filled and the outlined printer alike; a soft disc behind the icon
        // keeps a connected printer apart from one that is merely around.
        QPixmap filled(icon.size());
        filled.setDevicePixelRatio(icon.devicePixelRatio());
        filled.fill(Qt::transparent);
        QPainter painter(&filled);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor disc = tint;
        disc.setAlphaF(0.2f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(disc);
        painter.drawEllipse(QRectF(0, 0, iconSize, iconSize));
        painter.drawPixmap(0, 0, icon);
        painter.end();
        icon = filled;
    }
    m_icon->setPixmap(icon);
    const int starSize = QFontMetrics(caption(m_title->font())).height();
    m_star->setPixmap(Icons::tinted(u"star.fill", yellow, starSize, ratio));
}

} // namespace vantrel
