#include "LabelKit/render/JpegScans.h"

#include <cstring>

namespace vantrel {

namespace {

constexpr uchar markerStart = 0xFF;
constexpr uchar startOfImage = 0xD8;
constexpr uchar endOfImage = 0xD9;
constexpr uchar startOfScan = 0xDA;

// Markers that stand alone, without a length: restarts and the temporary marker.
bool standsAlone(uchar marker) {
    return (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01;
}

} // namespace

qsizetype JpegScans::count(QByteArrayView bytes, qsizetype stopAfter) {
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const qsizetype n = bytes.size();
    if (n < 2 || p[0] != markerStart || p[1] != startOfImage) {
        return 0;
    }
    qsizetype scans = 0;
    qsizetype i = 2;
    while (i < n && scans < stopAfter) {
        if (p[i] != markerStart) {
            return scans; // not where a marker must be: the decoder will give up here too
        }
        while (i < n && p[i] == markerStart) {
            ++i; // fill bytes
        }
        if (i >= n) {
            break;
        }
        const uchar marker = p[i++];
        if (marker == endOfImage) {
            break;
        }
        if (standsAlone(marker)) {
            continue;
        }
        if (n - i < 2) {
            break;
        }
        i += (qsizetype(p[i]) << 8) | p[i + 1];
        if (marker != startOfScan) {
            continue;
        }
        ++scans;
        // The coded data runs to the next marker: 0xFF followed by neither a stuffed zero nor a
        // restart marker.
        while (i < n) {
            const void* found = std::memchr(p + i, markerStart, size_t(n - i));
            if (!found) {
                return scans;
            }
            i = static_cast<const uchar*>(found) - p;
            if (i + 1 < n && (p[i + 1] == 0x00 || (p[i + 1] >= 0xD0 && p[i + 1] <= 0xD7))) {
                i += 2;
                continue;
            }
            break;
        }
    }
    return scans;
}

} // namespace vantrel
