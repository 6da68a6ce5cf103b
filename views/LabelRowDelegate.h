#pragma once

#include <QStyledItemDelegate>

namespace vantrel {

// Paints one label of the library sidebar from a LabelListModel row: the thumbnail on white in
// a 56 × 42 frame with a rounded grey outline, then the name and, below it in the small
// secondary style, the caption. The selected row gets a rounded background in the accent
// colour. Rows are 10 points apart inside, padded 6 points across and 3 down.
class LabelRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int thumbnailWidth = 56;
    static constexpr int thumbnailHeight = 42;

    explicit LabelRowDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace vantrel
