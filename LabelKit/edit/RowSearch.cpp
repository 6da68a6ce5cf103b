#include "LabelKit/edit/RowSearch.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

#include <numeric>

namespace vantrel {

RowSearch::RowSearch(QObject* parent) : QObject(parent) {}

RowSearch::~RowSearch() {
    stopRunning();
}

void RowSearch::stopRunning() {
    if (m_stop) {
        m_stop->store(true);
        m_stop.reset();
    }
    ++m_generation;
    m_busy = false;
}

void RowSearch::setTable(DataTable table) {
    stopRunning();
    m_table = std::move(table);
}

void RowSearch::search(const QString& query) {
    stopRunning();
    if (query.isEmpty()) {
        QList<qsizetype> all(m_table.rows.size());
        std::iota(all.begin(), all.end(), qsizetype(0));
        Q_EMIT found(query, all);
        return;
    }
    m_busy = true;
    m_stop = std::make_shared<std::atomic_bool>(false);
    const quint64 generation = m_generation;
    auto* watcher = new QFutureWatcher<QList<qsizetype>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, query, generation] {
        watcher->deleteLater();
        if (generation != m_generation) {
            return; // superseded; its rows may be partial
        }
        m_busy = false;
        m_stop.reset();
        Q_EMIT found(query, watcher->result());
    });
    // The worker searches its own copy (the rows are shared, never written) and owns its flag.
    watcher->setFuture(QtConcurrent::run(
        [table = m_table, query, stop = m_stop] { return table.search(query, stop.get()); }));
}

} // namespace vantrel
