#pragma once

#include "LabelKit/render/RenderedLabel.h"
#include "LabelKit/tspl/TsplPage.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace vantrel {

// Reads a TSPL byte stream the way the printer does, in pieces as they arrive, and says what it
// would print. It cuts the stream into command lines and BITMAP payloads, which a TsplPage
// carries out, and is strict: command lines end in CR LF and hold printable ASCII, and a BITMAP
// payload must be exactly as long as its header says. A malformed job is reported and not
// printed; reading resumes at the next SIZE or PRINT line.
class TsplDecoder {
public:
    struct Event {
        enum class Kind { page, error, binary };
        Kind kind = Kind::error;
        QByteArray bytes;    // page: the job, from the end of the previous one to PRINT;
                             // binary: the command
        RenderedLabel label; // page: what is burned, black 0, white 255
        qint64 copies = 0;
        QString error;
    };

    // `binaryCommands` are byte strings outside TSPL that the device also takes between jobs
    // (a status request, say); each is reported as a binary event. A stream that starts like
    // one of them but is none is an error.
    explicit TsplDecoder(QList<QByteArray> binaryCommands = {});

    // Reads more of the stream; returns what it completed, in stream order.
    QList<Event> feed(const QByteArray& bytes);
    // The link dropped: the job being received is lost. Returns an error event when part of
    // a job was pending, nothing otherwise.
    QList<Event> reset();

private:
    enum class Step { more, again };
    Step step(QList<Event>& events);
    Step binary(QList<Event>& events);
    Step bitmapHeader(QList<Event>& events);
    Step bitmapPayload(QList<Event>& events);
    Step line(QList<Event>& events);
    Step skipping(QList<Event>& events);
    Step command(const QByteArray& line, QList<Event>& events);
    void fail(const QString& message, QList<Event>& events);
    void consume(qsizetype count);

    QList<QByteArray> m_binaryCommands;
    QByteArray m_buffer;
    QByteArray m_job;
    bool m_failed = false;
    std::optional<TsplPage::Bitmap> m_pendingBitmap; // header read, payload awaited
    TsplPage m_page;
};

} // namespace vantrel
