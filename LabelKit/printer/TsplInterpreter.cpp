#include "LabelKit/printer/TsplInterpreter.h"

#include "LabelKit/model/Dots.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

const QByteArray crlf = QByteArrayLiteral("\r\n");
const QByteArray infoRequest = QByteArray::fromHex(QByteArrayLiteral("DD0005040000E5DD"));
const QByteArray bitmapCommand = QByteArrayLiteral("BITMAP ");

// Longer command lines than this are garbage, not commands still arriving.
constexpr qsizetype maxLine = 256;
constexpr qsizetype maxBitmapHeader = 64;
// What the printer can image at most; anything larger is refused rather than allocated.
constexpr qint64 maxWidthDots = 4096;
constexpr qint64 maxHeightDots = 8192;

const QString number = QStringLiteral("(\\d{1,6}(?:\\.\\d{1,6})?)");

QRegularExpression anchored(const QString& pattern) {
    return QRegularExpression(QStringLiteral("^") + pattern + QStringLiteral("$"));
}

qint64 dots(double mm) {
    return qint64(std::llround(mm * Dots::perMM));
}

TsplInterpreter::Event errorEvent(const QString& message) {
    TsplInterpreter::Event event;
    event.kind = TsplInterpreter::Event::Kind::error;
    event.error = message;
    return event;
}

} // namespace

QList<TsplInterpreter::Event> TsplInterpreter::feed(const QByteArray& bytes) {
    m_buffer.append(bytes);
    QList<Event> events;
    while (step(events) == Step::again) {
    }
    return events;
}

QList<TsplInterpreter::Event> TsplInterpreter::reset() {
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
    m_bitmaps.clear();
    m_pendingBitmap.reset();
    return events;
}

void TsplInterpreter::consume(qsizetype count) {
    m_buffer.remove(0, count);
}

void TsplInterpreter::fail(const QString& message, QList<Event>& events) {
    events.append(errorEvent(message));
    m_failed = true;
    m_job.clear();
    m_bitmaps.clear();
    m_pendingBitmap.reset();
}

TsplInterpreter::Step TsplInterpreter::step(QList<Event>& events) {
    if (m_buffer.isEmpty()) {
        return Step::more;
    }
    if (m_failed) {
        return skipping(events);
    }

    if (m_pendingBitmap) {
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
        m_bitmaps.append(std::move(*m_pendingBitmap));
        m_pendingBitmap.reset();
        return Step::again;
    }

    if (static_cast<unsigned char>(m_buffer.at(0)) == 0xDD && m_job.isEmpty()) {
        if (m_buffer.size() < infoRequest.size()) {
            if (infoRequest.startsWith(m_buffer)) {
                return Step::more;
            }
        } else if (m_buffer.startsWith(infoRequest)) {
            consume(infoRequest.size());
            Event event;
            event.kind = Event::Kind::infoRequest;
            events.append(event);
            return Step::again;
        }
        fail(QStringLiteral("Unknown binary command %1.")
                 .arg(QString::fromLatin1(m_buffer.left(8).toHex(' '))),
             events);
        return Step::again;
    }

    if (m_buffer.startsWith(bitmapCommand)) {
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
        Bitmap bitmap;
        bitmap.x = match.captured(1).toLongLong();
        bitmap.y = match.captured(2).toLongLong();
        bitmap.widthBytes = match.captured(3).toLongLong();
        bitmap.height = match.captured(4).toLongLong();
        bitmap.mode = match.captured(5).toInt();
        if (bitmap.widthBytes < 1 || bitmap.height < 1 ||
            bitmap.x + bitmap.widthBytes * 8 > maxWidthDots ||
            bitmap.y + bitmap.height > maxHeightDots) {
            fail(QStringLiteral("The BITMAP of %1 bytes by %2 rows at %3,%4 is out of range.")
                     .arg(bitmap.widthBytes)
                     .arg(bitmap.height)
                     .arg(bitmap.x)
                     .arg(bitmap.y),
                 events);
            return Step::again;
        }
        if (bitmap.mode > 2) {
            fail(QStringLiteral("The BITMAP mode %1 does not exist.").arg(bitmap.mode), events);
            return Step::again;
        }
        m_job.append(m_buffer.constData(), end);
        consume(end);
        m_pendingBitmap = std::move(bitmap);
        return Step::again;
    }

    const qsizetype lineEnd = m_buffer.indexOf(crlf);
    if (lineEnd < 0) {
        if (m_buffer.size() > maxLine || m_buffer.contains('\n')) {
            fail(QStringLiteral("A command line does not end in CR LF."), events);
            return Step::again;
        }
        return Step::more;
    }
    const QByteArray line = m_buffer.left(lineEnd);
    m_job.append(m_buffer.constData(), lineEnd + 2);
    consume(lineEnd + 2);
    return command(line, events);
}

TsplInterpreter::Step TsplInterpreter::skipping(QList<Event>& events) {
    const qsizetype lineEnd = m_buffer.indexOf(crlf);
    if (lineEnd < 0) {
        // Keep a trailing CR: its LF may come with the next piece.
        m_buffer = m_buffer.endsWith('\r') ? QByteArray("\r") : QByteArray();
        return Step::more;
    }
    const QByteArray line = m_buffer.left(lineEnd);
    consume(lineEnd + 2);
    if (line.startsWith("SIZE ")) {
        m_failed = false;
        m_job = line + crlf;
        return command(line, events);
    }
    if (line.startsWith("PRINT")) {
        m_failed = false;
        m_job.clear();
    }
    return Step::again;
}

TsplInterpreter::Step TsplInterpreter::command(const QByteArray& line, QList<Event>& events) {
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
    const QString text = QString::fromLatin1(line);

    static const QRegularExpression size =
        anchored(QStringLiteral("SIZE ") + number + QStringLiteral(" mm, ?") + number +
                 QStringLiteral(" mm"));
    static const QRegularExpression cls = anchored(QStringLiteral("CLS"));
    static const QRegularExpression shift =
        anchored(QStringLiteral("SHIFT -?\\d{1,4}(,-?\\d{1,4})?"));
    static const QRegularExpression speed = anchored(QStringLiteral("SPEED ") + number);
    static const QRegularExpression density = anchored(QStringLiteral("DENSITY (\\d{1,2})"));
    static const QRegularExpression set =
        anchored(QStringLiteral("SET (CUTTER (ON|OFF|\\d{1,4})|TEAR (ON|OFF)|RIBBON (ON|OFF))"));
    static const QRegularExpression direction = anchored(QStringLiteral("DIRECTION [01](,[01])?"));
    static const QRegularExpression gap =
        anchored(QStringLiteral("GAP ") + number + QStringLiteral(" mm, ?") + number +
                 QStringLiteral(" mm"));
    static const QRegularExpression offset =
        anchored(QStringLiteral("OFFSET -?") + number + QStringLiteral(" mm"));
    static const QRegularExpression print =
        anchored(QStringLiteral("PRINT (\\d{1,9})(,(\\d{1,9}))?"));

    if (const auto match = size.match(text); match.hasMatch()) {
        const double width = match.captured(1).toDouble();
        const double height = match.captured(2).toDouble();
        if (!(width > 0 && dots(width) <= maxWidthDots && height > 0 &&
              dots(height) <= maxHeightDots)) {
            fail(QStringLiteral("The label size in “%1” is out of range.").arg(text), events);
            return Step::again;
        }
        m_haveSize = true;
        m_widthMM = width;
        m_heightMM = height;
        return Step::again;
    }
    if (cls.match(text).hasMatch()) {
        m_bitmaps.clear();
        return Step::again;
    }
    if (const auto match = density.match(text); match.hasMatch()) {
        if (match.captured(1).toInt() > 15) {
            fail(QStringLiteral("The density in “%1” is out of range.").arg(text), events);
        }
        return Step::again;
    }
    if (shift.match(text).hasMatch() || speed.match(text).hasMatch() ||
        set.match(text).hasMatch() || direction.match(text).hasMatch() ||
        gap.match(text).hasMatch() || offset.match(text).hasMatch()) {
        return Step::again;
    }
    if (const auto match = print.match(text); match.hasMatch()) {
        const qint64 sets = match.captured(1).toLongLong();
        const qint64 copies = match.hasCaptured(3) ? match.captured(3).toLongLong() : 1;
        if (sets < 1 || copies < 1) {
            fail(QStringLiteral("“%1” prints nothing.").arg(text), events);
            return Step::again;
        }
        if (!m_haveSize) {
            fail(QStringLiteral("PRINT came before any SIZE."), events);
            return Step::again;
        }
        Event page;
        page.kind = Event::Kind::page;
        page.job = std::exchange(m_job, {});
        page.image = burn(m_bitmaps, dots(m_widthMM), dots(m_heightMM));
        page.copies = sets * copies;
        events.append(std::move(page));
        return Step::again;
    }
    fail(QStringLiteral("Unknown command “%1”.").arg(text.left(40)), events);
    return Step::again;
}

QImage TsplInterpreter::burn(const QList<Bitmap>& bitmaps, qint64 pageWidthDots,
                             qint64 pageHeightDots) {
    qint64 width = 0;
    qint64 height = 0;
    for (const Bitmap& bitmap : bitmaps) {
        width = std::max(width, bitmap.x + bitmap.widthBytes * 8);
        height = std::max(height, bitmap.y + bitmap.height);
    }
    if (bitmaps.isEmpty()) {
        width = pageWidthDots;
        height = pageHeightDots;
    } else if (pageWidthDots > width - 8 && pageWidthDots < width) {
        width = pageWidthDots;
    }
    QImage image(int(std::max<qint64>(width, 1)), int(std::max<qint64>(height, 1)),
                 QImage::Format_Grayscale8);
    image.fill(255);
    for (const Bitmap& bitmap : bitmaps) {
        for (qint64 row = 0; row < bitmap.height; ++row) {
            const qint64 y = bitmap.y + row;
            if (y >= image.height()) {
                break;
            }
            uchar* line = image.scanLine(int(y));
            const char* bits = bitmap.payload.constData() + row * bitmap.widthBytes;
            for (qint64 column = 0; column < bitmap.widthBytes * 8; ++column) {
                const qint64 x = bitmap.x + column;
                if (x >= image.width()) {
                    break;
                }
                const bool black =
                    !(static_cast<unsigned char>(bits[column / 8]) & (0x80 >> (column % 8)));
                switch (bitmap.mode) {
                case 0:
                    line[x] = black ? 0 : 255;
                    break;
                case 1:
                    if (black) {
                        line[x] = 0;
                    }
                    break;
                default:
                    if (black) {
                        line[x] = line[x] == 0 ? 255 : 0;
                    }
                    break;
                }
            }
        }
    }
    return image;
}

} // namespace vantrel
