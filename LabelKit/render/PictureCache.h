#pragma once

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <functional>
#include <memory>

namespace vantrel {

// Pictures made ready to draw, so that a label drawn again at the same size (a canvas during a
// drag, a list of thumbnails) does not decode its pictures again. An entry is found by the
// picture's bytes (their content, not their address) and a frame in device pixels: its size,
// and its offset within a pixel where what is drawn depends on it (zero where it does not).
// The least recently used entries go once the images and bytes held pass the budget.
// Safe to use from several threads at once; a miss is made outside the lock, so two threads
// missing the same entry at the same moment both make it.
class PictureCache {
public:
    // What is drawn: the image at the pixels it covers, and the picture's own size, which places
    // it in the frame. A null image stands for bytes that are not a picture. For a frame on the
    // pixel grid's axes, an opaque picture also has its tile: the picture as drawn over white on
    // the pixels it touches (placed at tileOffset from the frame's first whole pixel), of which
    // the tileInner pixels are wholly covered and so depend on nothing beneath.
    struct Entry {
        QImage image;
        QSize pictureSize;
        QImage tile;
        QPoint tileOffset;
        QRect tileInner;
    };

    struct Usage {
        qsizetype entries = 0;
        qint64 bytes = 0;
        qint64 hits = 0;
        qint64 misses = 0;
    };

    static constexpr qint64 defaultBudget = qint64(64) * 1024 * 1024;

    explicit PictureCache(qint64 budget = defaultBudget);
    ~PictureCache();
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    // The cache every render uses.
    static PictureCache& shared();

    // The entry for the picture in the frame, made by `make` when it is not held. An entry
    // larger than the whole budget is handed out but not kept.
    Entry picture(const QByteArray& bytes, const QRectF& frame, const std::function<Entry()>& make);

    // Lowering the budget drops the least recently used entries at once.
    void setBudget(qint64 bytes);
    // Drops every entry and zeroes the counts.
    void clear();
    Usage usage() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace vantrel
