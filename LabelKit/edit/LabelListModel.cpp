#include "LabelKit/edit/LabelListModel.h"

#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/store/LabelStore.h"

namespace vantrel {

namespace {

// Room for the thumbnails of a few thousand labels; the least recently used go first.
constexpr qsizetype thumbnailBytes = 64 * 1024 * 1024;
// A label so large that its detail-2 raster would exceed this is drawn at one pixel per dot.
constexpr double detailTwoPixels = 16 * 1024 * 1024;

} // namespace

LabelListModel::LabelListModel(LabelStore* store, QObject* parent)
    : QAbstractListModel(parent)
    , m_store(store)
    , m_labels(store->labels())
    , m_thumbnails(thumbnailBytes) {
    connect(store, &LabelStore::labelInserted, this, [this](const QUuid&, qsizetype row) {
        beginInsertRows({}, int(row), int(row));
        m_labels.insert(row, m_store->labels().at(row));
        endInsertRows();
    });
    connect(store, &LabelStore::labelMoved, this,
            [this](const QUuid&, qsizetype from, qsizetype to) {
                // Qt counts the destination before the row leaves.
                beginMoveRows({}, int(from), int(from), {}, int(to > from ? to + 1 : to));
                m_labels.move(from, to);
                endMoveRows();
            });
    connect(store, &LabelStore::labelChanged, this, &LabelListModel::changed);
    connect(store, &LabelStore::labelRemoved, this, [this](const QUuid& id, qsizetype row) {
        beginRemoveRows({}, int(row), int(row));
        m_labels.removeAt(row);
        m_thumbnails.remove(id);
        endRemoveRows();
    });
}

void LabelListModel::setUnit(MeasureUnit unit) {
    if (unit == m_unit) {
        return;
    }
    m_unit = unit;
    if (!m_labels.isEmpty()) {
        Q_EMIT dataChanged(index(0), index(int(m_labels.size()) - 1), {CaptionRole});
    }
}

void LabelListModel::setThumbnailSize(const QSize& size) {
    if (size == m_thumbnailSize) {
        return;
    }
    m_thumbnailSize = size;
    m_thumbnails.clear();
    if (!m_labels.isEmpty()) {
        Q_EMIT dataChanged(index(0), index(int(m_labels.size()) - 1),
                           {ThumbnailRole, Qt::DecorationRole});
    }
}

QModelIndex LabelListModel::indexOf(const QUuid& id) const {
    for (qsizetype row = 0; row < m_labels.size(); ++row) {
        if (m_labels[row].id == id) {
            return index(int(row));
        }
    }
    return {};
}

int LabelListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_labels.size());
}

QVariant LabelListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_labels.size()) {
        return {};
    }
    const LabelDocument* doc = &m_labels[index.row()];
    switch (role) {
    case IdRole:
        return doc->id;
    case Qt::DisplayRole:
    case NameRole:
        return doc->name;
    case CaptionRole: {
        QString caption = m_unit.sizeText(doc->widthMM, doc->heightMM);
        if (doc->dataName) {
            caption += QStringLiteral(" · ") + *doc->dataName;
        }
        return caption;
    }
    case Qt::DecorationRole:
    case ThumbnailRole:
        return thumbnail(*doc);
    default:
        return {};
    }
}

QHash<int, QByteArray> LabelListModel::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(IdRole, "id");
    names.insert(NameRole, "name");
    names.insert(CaptionRole, "caption");
    names.insert(ThumbnailRole, "thumbnail");
    return names;
}

QImage LabelListModel::thumbnail(const LabelDocument& doc) const {
    const QDate today = Clock::wallNow().toLocalTime().date();
    if (const Thumbnail* cached = m_thumbnails.object(doc.id); cached && cached->day == today) {
        return cached->image;
    }
    LabelContext context = LabelContext::preview();
    if (const std::optional<DataTable> table = m_store->table(doc)) {
        context.fields = table->record(0);
    }
    const double dots = double(doc.widthDots().value_or(0)) * double(doc.heightDots().value_or(0));
    QImage image;
    try {
        const int detail = dots * 4 > detailTwoPixels ? 1 : 2;
        image = LabelRenderer::render(doc, context, detail, false)
                    .image()
                    .scaled(m_thumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    } catch (const UserError&) {
        // Not drawable at any size: the view shows a blank frame.
    }
    m_thumbnails.insert(doc.id, new Thumbnail{image, today},
                        std::max<qsizetype>(image.sizeInBytes(), 1));
    return image;
}

void LabelListModel::changed(const QUuid& id, qsizetype row) {
    m_labels[row] = m_store->labels().at(row);
    m_thumbnails.remove(id);
    Q_EMIT dataChanged(index(int(row)), index(int(row)));
}

} // namespace vantrel
