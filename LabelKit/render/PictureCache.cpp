#include "LabelKit/render/PictureCache.h"

#include <QHashFunctions>
#include <QMutex>
#include <QMutexLocker>

#include <array>
#include <cmath>
#include <list>
#include <unordered_map>

namespace vantrel {

namespace {

struct Key {
    QByteArray bytes;
    std::array<double, 4> frame;
    size_t hash; // computed once: hashing the bytes is the dear part

    Key(const QByteArray& b, const QRectF& f)
        : bytes(b)
        , frame{f.x(), f.y(), f.width(), f.height()}
        , hash(qHashMulti(0, b, frame[0], frame[1], frame[2], frame[3])) {}

    bool operator==(const Key& other) const {
        return hash == other.hash && frame == other.frame && bytes == other.bytes;
    }
};

struct KeyHash {
    size_t operator()(const Key& key) const { return key.hash; }
};

struct Node {
    Key key;
    PictureCache::Entry entry;
    qint64 cost;
};

// What an entry holds in memory: its pixels and the bytes its key keeps alive.
qint64 costOf(const Key& key, const PictureCache::Entry& entry) {
    return entry.image.sizeInBytes() + entry.tile.sizeInBytes() + key.bytes.size() +
           qint64(sizeof(Node));
}

} // namespace

struct PictureCache::State {
    mutable QMutex mutex;
    qint64 budget;
    qint64 bytes = 0;
    qint64 hits = 0;
    qint64 misses = 0;
    std::list<Node> order; // most recently used first
    std::unordered_map<Key, std::list<Node>::iterator, KeyHash> index;

    void trim() {
        while (bytes > budget && !order.empty()) {
            bytes -= order.back().cost;
            index.erase(order.back().key);
            order.pop_back();
        }
    }
};

PictureCache::PictureCache(qint64 budget) : m_state(std::make_unique<State>()) {
    m_state->budget = budget;
}

PictureCache::~PictureCache() = default;

PictureCache& PictureCache::shared() {
    static PictureCache cache;
    return cache;
}

PictureCache::Entry PictureCache::picture(const QByteArray& bytes, const QRectF& frame,
                                          const std::function<Entry()>& make) {
    for (const double v : {frame.x(), frame.y(), frame.width(), frame.height()}) {
        if (!std::isfinite(v)) {
            return make();
        }
    }
    Key key(bytes, frame);
    State& s = *m_state;
    {
        const QMutexLocker lock(&s.mutex);
        if (const auto found = s.index.find(key); found != s.index.end()) {
            ++s.hits;
            s.order.splice(s.order.begin(), s.order, found->second);
            return found->second->entry;
        }
        ++s.misses;
    }
    Entry entry = make();
    const qint64 cost = costOf(key, entry);
    const QMutexLocker lock(&s.mutex);
    if (cost > s.budget || s.index.count(key) > 0) {
        return entry;
    }
    s.order.push_front(Node{key, entry, cost});
    s.index.emplace(std::move(key), s.order.begin());
    s.bytes += cost;
    s.trim();
    return entry;
}

void PictureCache::setBudget(qint64 bytes) {
    const QMutexLocker lock(&m_state->mutex);
    m_state->budget = bytes;
    m_state->trim();
}

void PictureCache::clear() {
    const QMutexLocker lock(&m_state->mutex);
    m_state->index.clear();
    m_state->order.clear();
    m_state->bytes = 0;
    m_state->hits = 0;
    m_state->misses = 0;
}

PictureCache::Usage PictureCache::usage() const {
    const QMutexLocker lock(&m_state->mutex);
    return {qsizetype(m_state->order.size()), m_state->bytes, m_state->hits, m_state->misses};
}

} // namespace vantrel
