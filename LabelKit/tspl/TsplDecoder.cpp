#include "LabelKit/tspl/TsplDecoder.h"

#include <QRegularExpression>

#include <algorithm>
#include <utility>

namespace vantrel {

namespace {

const QByteArray crlf = QByteArrayLiteral("\r\n");
const QByteArray bitmapCommand = QByteArrayLiteral("BITMAP ");

// Longer command lines than this are garbage, not commands still arriving.
constexpr qsizetype maxLine = 256;
constexpr qsizetype maxBitmapHeader = 64;

TsplDecoder::Event errorEvent(const QString& message) {
    TsplDecoder::Event event;
    event.kind = TsplDecoder::Event::Kind::error;
    event.error = message;
    return event;
}

} // namespace

TsplDecoder::TsplDecoder(QList<QByteArray> binaryCommands)
    : m_binaryCommands(std::move(binaryCommands)) {
    m_binaryCommands.removeAll(QByteArray());
}

QList<TsplDecoder::Event> TsplDecoder::feed(const QByteArray& bytes) {
    m_buffer.append(bytes);
    QList<Event> events;
    while (step(events) == Step::again) {
    }
    return events;
}

QList<TsplDecoder::Event> TsplDecoder::reset() {
    QList<Event> events;
    const qsizetype pending = m_job.size() + m_buffer.size();
    if (!m_failed && pending > 0) {
        events.append(errorEvent(
            QStringLiteral("The link dropped in the middle of a job; %1 bytes were lost.")
                .arg(pending)));
    }
    m_buffer.clear();
    m_job.clear();
    m_failed = false;
    m_page.clear();
    m_pendingBitmap.reset();
    return events;
}

void TsplDecoder::consume(qsizetype count) {
    m_buffer.remove(0, count);
}

void TsplDecoder::fail(const QString& message, QList<Event>& events) {
    events.append(errorEvent(message));
    m_failed = true;
    m_job.clear();
    m_page.clear();
    m_pendingBitmap.reset();
}

TsplDecoder::Step TsplDecoder::step(QList<Event>& events) {
    if (m_buffer.isEmpty()) {
        return Step::more;
    }
    if (m_failed) {
        return skipping(events);
    }
    if (m_pendingBitmap) {
        return bitmapPayload(events);
    }
    const char first = m_buffer.at(0);
    const bool binaryStart =
        m_job.isEmpty() && std::any_of(m_binaryCommands.cbegin(), m_binaryCommands.cend(),
                                       [first](const QByteArray& c) { return c.at(0) == first; });
    if (binaryStart) {
        return binary(events);
    }
    if (m_buffer.startsWith(bitmapCommand)) {
        return bitmapHeader(events);
    }
    return line(events);
}

TsplDecoder::Step TsplDecoder::binary(QList<Event>& events) {
    for (const QByteArray& command : m_binaryCommands) {
        if (m_buffer.startsWith(command)) {
            consume(command.size());
            Event event;
            event.kind = Event::Kind::binary;
            event.bytes = command;
            events.append(event);
            return Step::again;
        }
        if (m_buffer.size() < command.size() && command.startsWith(m_buffer)) {
            return Step::more;
        }
    }
    fail(QStringLiteral("Unknown binary command %1.")
             .arg(QString::fromLatin1(m_buffer.left(8).toHex(' '))),
         events);
    return Step::again;
}

TsplDecoder::Step TsplDecoder::bitmapHeader(QList<Event>& events) {
    // "BITMAP x,y,width,height,mode," ends at its fifth comma; the payload follows directly.
    qsizetype end = -1;
    int commas = 0;
    for (qsizetype i = 0; i < std::min(m_buffer.size(), maxBitmapHeader); ++i) {
        if (m_buffer.at(i) == ',' && ++commas == 5) {
            end = i + 1;
            break;
        }
    }
    if (end < 0) {
        if (m_buffer.size() < maxBitmapHeader) {
            return Step::more;
        }
        fail(QStringLiteral("The BITMAP header is malformed."), events);
        return Step::again;
    }
    static const QRegularExpression header(
        QStringLiteral("^BITMAP (\\d{1,6}),(\\d{1,6}),(\\d{1,6}),(\\d{1,6}),(\\d),$"));
    const QString text = QString::fromLatin1(m_buffer.left(end));
    const auto match = header.match(text);
    if (!match.hasMatch()) {
        fail(QStringLiteral("The BITMAP header “%1” is malformed.").arg(text), events);
        return Step::again;
    }
    TsplPage::Bitmap bitmap;
    bitmap.x = match.captured(1).toLongLong();
    bitmap.y = match.captured(2).toLongLong();
    bitmap.widthBytes = match.captured(3).toLongLong();
    bitmap.height = match.captured(4).toLongLong();
    bitmap.mode = match.captured(5).toInt();
    // Refused before its payload is awaited: a huge header must not hold the stream.
    if (const auto refusal = TsplPage::refusal(bitmap)) {
        fail(*refusal, events);
        return Step::again;
    }
    m_job.append(m_buffer.constData(), end);
    consume(end);
    m_pendingBitmap = std::move(bitmap);
    return Step::again;
}

TsplDecoder::Step TsplDecoder::bitmapPayload(QList<Event>& events) {
    const qint64 length = m_pendingBitmap->widthBytes * m_pendingBitmap->height;
    if (m_buffer.size() < length + 2) {
        return Step::more;
    }
    if (m_buffer.at(length) != '\r' || m_buffer.at(length + 1) != '\n') {
        fail(QStringLiteral("The BITMAP data does not end after the %1 bytes its header "
                            "announces (%2 bytes by %3 rows).")
                 .arg(length)
                 .arg(m_pendingBitmap->widthBytes)
                 .arg(m_pendingBitmap->height),
             events);
        return Step::again;
    }
    m_pendingBitmap->payload = m_buffer.left(length);
    m_job.append(m_buffer.constData(), length + 2);
    consume(length + 2);
    m_page.draw(std::move(*m_pendingBitmap));
    m_pendingBitmap.reset();
    return Step::again;
}

TsplDecoder::Step TsplDecoder::line(QList<Event>& events) {
    const qsizetype lineEnd = m_buffer.indexOf(crlf);
    if (lineEnd < 0) {
        if (m_buffer.size() > maxLine || m_buffer.contains('\n')) {
            fail(QStringLiteral("A command line does not end in CR LF."), events);
            return Step::again;
        }
        return Step::more;
    }
    const QByteArray text = m_buffer.left(lineEnd);
    m_job.append(m_buffer.constData(), lineEnd + 2);
    consume(lineEnd + 2);
    return command(text, events);
}

TsplDecoder::Step TsplDecoder::skipping(QList<Event>& events) {
    const qsizetype lineEnd = m_buffer.indexOf(crlf);
    if (lineEnd < 0) {
        // Keep a trailing CR: its LF may come with the next piece.
        m_buffer = m_buffer.endsWith('\r') ? QByteArray("\r") : QByteArray();
        return Step::more;
    }
    const QByteArray text = m_buffer.left(lineEnd);
    consume(lineEnd + 2);
    if (text.startsWith("SIZE ")) {
        m_failed = false;
        m_job = text + crlf;
        return command(text, events);
    }
    if (text.startsWith("PRINT")) {
        m_failed = false;
        m_job.clear();
    }
    return Step::again;
}

TsplDecoder::Step TsplDecoder::command(const QByteArray& line, QList<Event>& events) {
    if (line.contains('\n')) {
        fail(QStringLiteral("A command line ends in LF without CR."), events);
        return Step::again;
    }
    const bool printable = std::all_of(line.cbegin(), line.cend(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return code >= 0x20 && code <= 0x7E;
    });
    if (!printable) {
        fail(QStringLiteral("A command line holds bytes that are not printable text."), events);
        return Step::again;
    }
    const TsplPage::Outcome outcome = m_page.run(QString::fromLatin1(line));
    if (outcome.error) {
        fail(*outcome.error, events);
    } else if (outcome.copies) {
        Event page;
        page.kind = Event::Kind::page;
        page.bytes = std::exchange(m_job, {});
        page.label = m_page.image();
        page.copies = *outcome.copies;
        events.append(std::move(page));
    }
    return Step::again;
}

} // namespace vantrel
