#include "views/LabelRowDelegate.h"

#include "LabelKit/edit/LabelListModel.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

namespace vantrel {

namespace {

constexpr int paddingX = 6;
constexpr int paddingY = 3;
constexpr int spacing = 10;

QFont captionFont(const QFont& base) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * 0.85);
    return font;
}

} // namespace

LabelRowDelegate::LabelRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QSize LabelRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    const QFontMetrics name(option.font);
    const QFontMetrics caption(captionFont(option.font));
    const int text = name.height() + caption.height();
    return QSize(option.rect.width(), std::max(thumbnailHeight, text) + 2 * paddingY);
}

void LabelRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const QRect row = option.rect;
    const QPalette& palette = option.palette;

    if (option.state & QStyle::State_Selected) {
        QColor accent = palette.color(QPalette::Highlight);
        accent.setAlphaF(0.18f);
        painter->setPen(Qt::NoPen);
        painter->setBrush(accent);
        painter->drawRoundedRect(QRectF(row).adjusted(1, 0.5, -1, -0.5), 7, 7);
    }

    const QRectF frame(row.left() + paddingX, row.top() + (row.height() - thumbnailHeight) / 2.0,
                       thumbnailWidth, thumbnailHeight);
    painter->fillRect(frame, Qt::white);
    const QImage thumbnail = index.data(LabelListModel::ThumbnailRole).value<QImage>();
    if (!thumbnail.isNull()) {
        // The picture keeps the label's proportions, centred in the frame.
        QSizeF size = thumbnail.size().scaled(frame.size().toSize(), Qt::KeepAspectRatio);
        const QRectF target(frame.center() - QPointF(size.width() / 2, size.height() / 2), size);
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->drawImage(target, thumbnail);
    }
    QColor outline(Qt::gray);
    outline.setAlphaF(0.35f);
    painter->setPen(QPen(outline, 1));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);

    const int textLeft = int(frame.right()) + spacing;
    const int textWidth = row.right() - paddingX - textLeft;
    const QFont nameFont = option.font;
    const QFont smallFont = captionFont(option.font);
    const QFontMetrics nameMetrics(nameFont);
    const QFontMetrics captionMetrics(smallFont);
    const int textHeight = nameMetrics.height() + captionMetrics.height();
    int y = row.top() + (row.height() - textHeight) / 2;

    painter->setFont(nameFont);
    painter->setPen(palette.color(QPalette::Text));
    const QString name = index.data(LabelListModel::NameRole).toString();
    painter->drawText(QRect(textLeft, y, textWidth, nameMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      nameMetrics.elidedText(name, Qt::ElideRight, textWidth));
    y += nameMetrics.height();
    painter->setFont(smallFont);
    painter->setPen(palette.color(QPalette::PlaceholderText));
    const QString caption = index.data(LabelListModel::CaptionRole).toString();
    painter->drawText(QRect(textLeft, y, textWidth, captionMetrics.height()),
                      Qt::AlignLeft | Qt::AlignVCenter,
                      captionMetrics.elidedText(caption, Qt::ElideRight, textWidth));
    painter->restore();
}

} // namespace vantrel
