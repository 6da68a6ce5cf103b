#include "LabelKit/edit/LabelFilterModel.h"

#include "LabelKit/edit/LabelListModel.h"

namespace vantrel {

LabelFilterModel::LabelFilterModel(QObject* parent)
    : QSortFilterProxyModel(parent), m_search(std::make_unique<TextSearch>(QString())) {
    // Follow the source's rows as they come: a renamed label joins or leaves the filtered list.
    setDynamicSortFilter(true);
}

LabelFilterModel::~LabelFilterModel() = default;

QString LabelFilterModel::search() const {
    return m_search->query();
}

void LabelFilterModel::setSearch(const QString& text) {
    if (text == m_search->query()) {
        return;
    }
    m_search = std::make_unique<TextSearch>(text);
    invalidateRowsFilter();
}

bool LabelFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    return m_search->matches(index.data(LabelListModel::NameRole).toString());
}

} // namespace vantrel
