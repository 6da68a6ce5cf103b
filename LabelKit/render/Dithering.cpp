#include "LabelKit/render/Dithering.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vantrel {

void Dithering::floydSteinberg(uchar* pixels, qint64 width, qint64 height) {
    if (width <= 0 || height <= 0) {
        return;
    }
    // Errors only ever flow to the current and the next row, so two rows of accumulators
    // give the same result as one per pixel.
    std::vector<qint64> current(size_t(width), 0);
    std::vector<qint64> next(size_t(width), 0);
    for (qint64 y = 0; y < height; ++y) {
        uchar* row = pixels + y * width;
        const bool below = y + 1 < height;
        for (qint64 x = 0; x < width; ++x) {
            const qint64 v = qint64(row[x]) + current[size_t(x)];
            qint64 e;
            if (v < 128) {
                row[x] = 0;
                e = v;
            } else {
                row[x] = 255;
                e = v - 255;
            }
            // C++ integer division truncates toward zero, as each share must.
            if (x + 1 < width) {
                current[size_t(x + 1)] += e * 7 / 16;
            }
            if (below) {
                if (x > 0) {
                    next[size_t(x - 1)] += e * 3 / 16;
                }
                next[size_t(x)] += e * 5 / 16;
                if (x + 1 < width) {
                    next[size_t(x + 1)] += e * 1 / 16;
                }
            }
        }
        std::swap(current, next);
        std::fill(next.begin(), next.end(), 0);
    }
}

} // namespace vantrel
