#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

#include <optional>

namespace vantrel {

// Reads a TSPL byte stream the way the printer does, in pieces as they arrive, and says what it
// would print. It knows the commands our jobs use (SIZE, CLS, SHIFT, BITMAP, SPEED, DENSITY,
// SET CUTTER/TEAR/RIBBON, DIRECTION, GAP, OFFSET, PRINT) and the 8-byte info request, and it
// is strict: command lines end in CR LF, numbers and units are checked, and a BITMAP payload
// must be exactly as long as its header says. A malformed job is reported and not printed;
// reading resumes at the next SIZE or PRINT line.
class TsplInterpreter {
public:
    struct Event {
        enum class Kind { page, error, infoRequest };
        Kind kind = Kind::error;
        QByteArray job; // page: the job's bytes, from the end of the previous one to PRINT
        QImage image;   // page: what is burned, Grayscale8, black dots 0, white 255
        qint64 copies = 0;
        QString error;
    };

    // Reads more of the stream; returns what it completed, in stream order.
    QList<Event> feed(const QByteArray& bytes);
    // The link dropped: the job being received is lost. Returns an error event when part of
    // a job was pending, nothing otherwise.
    QList<Event> reset();

    // The image a page of these bitmaps burns: the bitmaps' extent, its width trimmed to the
    // page width when that falls inside the last byte of the rows (bitmap rows are whole bytes,
    // the raster they came from need not be); a page without bitmaps is blank at page size.
    struct Bitmap {
        qint64 x = 0;
        qint64 y = 0;
        qint64 widthBytes = 0;
        qint64 height = 0;
        int mode = 0; // 0 overwrite, 1 OR, 2 XOR
        QByteArray payload;
    };
    static QImage burn(const QList<Bitmap>& bitmaps, qint64 pageWidthDots, qint64 pageHeightDots);

private:
    enum class Step { more, again };
    Step step(QList<Event>& events);
    Step command(const QByteArray& line, QList<Event>& events);
    Step skipping(QList<Event>& events);
    void fail(const QString& message, QList<Event>& events);
    void consume(qsizetype count);
    void startJob();

    QByteArray m_buffer;
    QByteArray m_job;
    bool m_failed = false;
    bool m_haveSize = false;
    double m_widthMM = 0;
    double m_heightMM = 0;
    QList<Bitmap> m_bitmaps;
    std::optional<Bitmap> m_pendingBitmap; // header read, payload awaited
};

} // namespace vantrel
