#pragma once

#include "LabelKit/render/RenderedLabel.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace vantrel {

// The printer's side of a job once the stream is cut into commands (TsplDecoder): the label
// size from SIZE and the bitmaps drawn since the last CLS, burned into a page on PRINT. It
// knows the commands our jobs use (SIZE, CLS, SHIFT, BITMAP, SPEED, DENSITY, SET
// CUTTER/TEAR/RIBBON, DIRECTION, GAP, OFFSET, PRINT) and checks their numbers and units.
class TsplPage {
public:
    // What the printer can image at most; anything larger is refused rather than allocated.
    static constexpr qint64 maxWidthDots = 4096;
    static constexpr qint64 maxHeightDots = 8192;

    struct Bitmap {
        qint64 x = 0;
        qint64 y = 0;
        qint64 widthBytes = 0;
        qint64 height = 0;
        int mode = 0; // 0 overwrite, 1 OR, 2 XOR
        QByteArray payload;
    };

    // What one command line did: nothing visible, a page to print, or an error.
    struct Outcome {
        std::optional<QString> error;
        std::optional<qint64> copies; // PRINT: how many labels of image()
    };

    // Carries out a command line of printable ASCII, without its CR LF.
    Outcome run(const QString& line);
    // Why the printer refuses the bitmap (out of its area, unknown mode), or nothing.
    static std::optional<QString> refusal(const Bitmap& bitmap);
    void draw(Bitmap bitmap) { m_bitmaps.append(std::move(bitmap)); }
    // Drops the bitmaps; the label size stays, as the printer keeps its set-up.
    void clear() { m_bitmaps.clear(); }

    // What PRINT burns now: see burn().
    RenderedLabel image() const;

    // The page these bitmaps burn, black 0 and white 255: the bitmaps' extent, its width
    // trimmed to the page width when that falls inside the last byte of the rows (bitmap rows
    // are whole bytes, the raster they came from need not be); a page without bitmaps is blank
    // at page size.
    static RenderedLabel burn(const QList<Bitmap>& bitmaps, qint64 pageWidthDots,
                              qint64 pageHeightDots);

private:
    bool m_haveSize = false;
    double m_widthMM = 0;
    double m_heightMM = 0;
    QList<Bitmap> m_bitmaps;
};

} // namespace vantrel
