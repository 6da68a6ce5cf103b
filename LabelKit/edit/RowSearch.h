#pragma once

#include "LabelKit/merge/DataTable.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

namespace vantrel {

// Searches the rows of a list on a worker thread so that typing never waits for a long list.
// A newer query supersedes an older one: the older search is told to stop, and only the result
// of the newest query is announced (on the thread of this object). An empty query needs no
// worker: every row is announced at once.
class RowSearch : public QObject {
    Q_OBJECT
public:
    explicit RowSearch(QObject* parent = nullptr);
    ~RowSearch() override;

    // The list later searches run over; a search under way is superseded.
    void setTable(DataTable table);
    void search(const QString& query);
    // A search has started whose result is not announced yet.
    bool busy() const { return m_busy; }

Q_SIGNALS:
    void found(const QString& query, const QList<qsizetype>& rows);

private:
    void stopRunning();

    DataTable m_table;
    std::shared_ptr<std::atomic_bool> m_stop;
    quint64 m_generation = 0;
    bool m_busy = false;
};

} // namespace vantrel
