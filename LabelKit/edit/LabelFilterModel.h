#pragma once

#include "LabelKit/merge/TextSearch.h"

#include <QSortFilterProxyModel>

#include <memory>

namespace vantrel {

// The rows of a LabelListModel whose name contains the search text, letter case ignored (the
// comparison of TextSearch), in the source's order. The text is used as typed: no trimming.
class LabelFilterModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit LabelFilterModel(QObject* parent = nullptr);
    ~LabelFilterModel() override;

    QString search() const;
    void setSearch(const QString& text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    std::unique_ptr<TextSearch> m_search;
};

} // namespace vantrel
