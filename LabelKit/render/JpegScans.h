#pragma once

#include <QByteArrayView>
#include <QtGlobal>

namespace vantrel {

// The scans of a JPEG file. A progressive JPEG refines its picture over several scans, and the
// decoder passes over every block of the picture once a scan, however few bytes the scan holds:
// a small file repeating one scan many times keeps the decoder busy for minutes.
namespace JpegScans {

// The number of scans of the first image, counted up to `stopAfter` (more are not looked at);
// 0 when the bytes are not a JPEG file. Reads the markers only, never the picture.
qsizetype count(QByteArrayView bytes, qsizetype stopAfter);

} // namespace JpegScans

} // namespace vantrel
