#pragma once

#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/model/MeasureUnit.h"

#include <QAbstractListModel>
#include <QCache>
#include <QDate>
#include <QImage>
#include <QList>
#include <QSize>
#include <QUuid>

namespace vantrel {

class LabelStore;

// The store's labels as a list model, newest first, for the library sidebar. It follows the
// store design by design: a save changes or moves one row, a new label inserts one, a
// deletion removes one; it never resets, so selection and scroll position survive.
//
// Thumbnails are drawn when a view asks for them (so only for rows on screen), with serial 1,
// no padding, today's date and the first row of the label's list, and kept until that label
// changes or the day turns. A label too large to draw gives a null image (a blank frame).
class LabelListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        IdRole = Qt::UserRole + 1, // QUuid
        NameRole,                  // QString, also Qt::DisplayRole
        CaptionRole,               // "40 × 30 mm", then " · " and the list's name when attached
        ThumbnailRole,             // QImage (grey) fitting thumbnailSize(), also DecorationRole
    };

    explicit LabelListModel(LabelStore* store, QObject* parent = nullptr);

    LabelStore* store() const { return m_store; }

    // The unit of the captions.
    MeasureUnit unit() const { return m_unit; }
    void setUnit(MeasureUnit unit);
    // The largest thumbnail in device pixels; the picture keeps the label's proportions.
    QSize thumbnailSize() const { return m_thumbnailSize; }
    void setThumbnailSize(const QSize& size);

    // The row of the label, or an invalid index.
    QModelIndex indexOf(const QUuid& id) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    struct Thumbnail {
        QImage image;
        QDate day;
    };

    QImage thumbnail(const LabelDocument& document) const;
    void changed(const QUuid& id, qsizetype row);

    LabelStore* m_store;
    QList<LabelDocument>
        m_labels; // the rows as the views know them, following the store step by step
    MeasureUnit m_unit = MeasureUnit::mm;
    QSize m_thumbnailSize{112, 84};
    mutable QCache<QUuid, Thumbnail> m_thumbnails; // cost in bytes
};

} // namespace vantrel
