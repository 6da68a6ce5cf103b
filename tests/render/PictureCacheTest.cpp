#include "LabelKit/render/PictureCache.h"

#include "tests/render/RenderTesting.h"

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

using namespace vantrel;

using namespace rendertest;

namespace {

// An entry of 100 x 100 grey pixels (10 000 bytes) of the given level.
PictureCache::Entry grey(int level) {
    QImage image(100, 100, QImage::Format_Grayscale8);
    image.fill(QColor(level, level, level));
    return {image, QSize(100, 100), {}, {}, {}};
}

// Entries are found by content (whatever the buffer) and frame; past the budget the least
// recently used goes, and an entry beyond the budget is handed out and not kept.
TEST(PictureCache, FindsEntriesByContentAndFrameAndDropsTheLeastRecentlyUsed) {
    PictureCache cache(25000); // room for two entries
    QList<QByteArray> made;
    const auto get = [&](const QByteArray& bytes, double x = 0) {
        return cache.picture(bytes, {x, 0, 10, 10},
                             [&] { return made.append(bytes), grey(int(made.size())); });
    };
    get("a");
    EXPECT_EQ(qGray(get(QByteArray("xa").mid(1)).image.pixel(0, 0)), 1);
    get("a", 0.25); // another frame
    get("b");       // "a" at 0 is the oldest use
    get("a", 0.25);
    get("a");
    EXPECT_EQ(made, (QList<QByteArray>{"a", "a", "b", "a"}));
    const PictureCache::Usage usage = cache.usage();
    EXPECT_EQ(usage.hits, 2);
    EXPECT_EQ(usage.misses, 4);
    EXPECT_EQ(usage.entries, 2);
    EXPECT_LE(usage.bytes, 25000);
    cache.setBudget(5000);
    EXPECT_EQ(cache.usage().entries, 0);
    get("a");
    get("a");
    EXPECT_EQ(made.size(), 6);
}

TEST(PictureCache, ServesSeveralThreadsAtOnce) {
    PictureCache cache(50000); // fewer entries than keys: threads evict each other's
    std::atomic<int> wrong = 0;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back(QThread::create([&] {
            for (int i = 0; i < 400; ++i) {
                const int key = i % 8;
                const auto entry = cache.picture(QByteArray::number(key), {0, 0, 10, 10},
                                                 [&] { return grey(key); });
                wrong += qGray(entry.image.pixel(50, 50)) != key ? 1 : 0;
            }
        }));
        threads.back()->start();
    }
    for (const auto& thread : threads) {
        thread->wait();
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(cache.usage().hits + cache.usage().misses, 1600);
    EXPECT_LE(cache.usage().bytes, 50000);
}

// A canvas moving a photo label's items redraws the picture from the cache, and what it draws
// is what a first render draws at that place.
TEST(PictureCache, ARepaintDecodesNoPictureAgain) {
    QImage photo(600, 400, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y) {
        for (int x = 0; x < photo.width(); ++x) {
            photo.setPixel(x, y, qRgb((x * 3) % 256, (y * 5) % 256, (x + y) % 256));
        }
    }
    LabelElement picture = element(ElementKind::image, 2, 3, 30, 20);
    picture.imageData = encoded(photo, "JPG", 90);
    LabelDocument doc = document(40, 30, {picture});
    PictureCache& cache = PictureCache::shared();
    cache.clear();
    for (const double x : {2.0, 2.25, 7.125}) {
        doc.elements[0].x = x;
        const RenderedLabel repainted = render(doc, false, 4);
        EXPECT_EQ(cache.usage().misses, 1);
        cache.clear();
        EXPECT_TRUE(render(doc, false, 4).pixels == repainted.pixels) << x;
    }
    // Another scale is another frame.
    render(doc, false, 2);
    EXPECT_EQ(cache.usage().misses, 2);
}

// An opaque picture on the pixel grid is drawn from its tile; where it only partly covers a
// pixel, what lies beneath still shows as when it is drawn directly (turned half round here).
TEST(PictureCache, ATileBlendsItsRimWithWhatIsBeneath) {
    QImage grey(40, 20, QImage::Format_RGB32);
    grey.fill(QColor(160, 160, 160));
    LabelElement below = element(ElementKind::image, 1, 1, 20, 10);
    QImage black(4, 2, QImage::Format_RGB32);
    black.fill(Qt::black);
    below.imageData = encoded(black, "PNG");
    // Whole even dot counts, so that the frame turned half round covers the same dots.
    LabelElement above = element(ElementKind::image, 3.03, 2.07, 10, 5);
    above.imageData = encoded(grey, "PNG");
    LabelDocument doc = document(30, 20, {below, above});
    const RenderedLabel tiled = render(doc, false, 3);
    doc.elements[1].rotation = 180;
    const RenderedLabel direct = render(doc, false, 3);
    int worst = 0;
    for (qsizetype i = 0; i < tiled.pixels.size(); ++i) {
        worst = std::max(worst, std::abs(uchar(tiled.pixels[i]) - uchar(direct.pixels[i])));
    }
    EXPECT_LE(worst, 2);
}

} // namespace
