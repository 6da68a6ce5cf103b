#include "views/InspectorStyle.h"

#include "views/Icons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace vantrel::InspectorStyle {

void setSecondary(QWidget* widget) {
    QPalette palette = widget->palette();
    const QColor secondary = palette.color(QPalette::PlaceholderText);
    palette.setColor(QPalette::WindowText, secondary);
    palette.setColor(QPalette::Text, secondary);
    palette.setColor(QPalette::ButtonText, secondary);
    widget->setPalette(palette);
}

QLabel* caption(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.85);
    label->setFont(font);
    setSecondary(label);
    return label;
}

QWidget* iconTitle(QStringView symbol, const QString& text, QWidget* parent) {
    auto* title = new QWidget(parent);
    auto* layout = new QHBoxLayout(title);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* icon = new QLabel(title);
    const int side = title->style()->pixelMetric(QStyle::PM_SmallIconSize);
    icon->setPixmap(Icons::icon(symbol).pixmap(side, side));
    layout->addWidget(icon);
    auto* label = new QLabel(text, title);
    label->setObjectName(QStringLiteral("title"));
    layout->addWidget(label, 1);
    title->setAccessibleName(text);
    return title;
}

QToolButton* iconButton(QStringView symbol, const QString& help, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(Icons::icon(symbol));
    button->setToolTip(help);
    button->setAccessibleName(help);
    return button;
}

QPushButton* button(QStringView symbol, const QString& title, QWidget* parent) {
    auto* button = new QPushButton(Icons::icon(symbol), title, parent);
    button->setAccessibleName(title);
    return button;
}

} // namespace vantrel::InspectorStyle
