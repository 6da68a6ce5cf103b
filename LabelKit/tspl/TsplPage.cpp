#include "LabelKit/tspl/TsplPage.h"

#include "LabelKit/model/Dots.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

const QString number = QStringLiteral("(\\d{1,6}(?:\\.\\d{1,6})?)");

QRegularExpression anchored(const QString& pattern) {
    return QRegularExpression(QStringLiteral("^") + pattern + QStringLiteral("$"));
}

qint64 dots(double mm) {
    return qint64(std::llround(mm * Dots::perMM));
}

TsplPage::Outcome failure(const QString& message) {
    return {message, std::nullopt};
}

} // namespace

TsplPage::Outcome TsplPage::run(const QString& text) {
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
            return failure(QStringLiteral("The label size in “%1” is out of range.").arg(text));
        }
        m_haveSize = true;
        m_widthMM = width;
        m_heightMM = height;
        return {};
    }
    if (cls.match(text).hasMatch()) {
        clear();
        return {};
    }
    if (const auto match = density.match(text); match.hasMatch()) {
        if (match.captured(1).toInt() > 15) {
            return failure(QStringLiteral("The density in “%1” is out of range.").arg(text));
        }
        return {};
    }
    if (shift.match(text).hasMatch() || speed.match(text).hasMatch() ||
        set.match(text).hasMatch() || direction.match(text).hasMatch() ||
        gap.match(text).hasMatch() || offset.match(text).hasMatch()) {
        return {};
    }
    if (const auto match = print.match(text); match.hasMatch()) {
        const qint64 sets = match.captured(1).toLongLong();
        const qint64 copies = match.hasCaptured(3) ? match.captured(3).toLongLong() : 1;
        if (sets < 1 || copies < 1) {
            return failure(QStringLiteral("“%1” prints nothing.").arg(text));
        }
        if (!m_haveSize) {
            return failure(QStringLiteral("PRINT came before any SIZE."));
        }
        return {std::nullopt, sets * copies};
    }
    return failure(QStringLiteral("Unknown command “%1”.").arg(text.left(40)));
}

std::optional<QString> TsplPage::refusal(const Bitmap& bitmap) {
    if (bitmap.widthBytes < 1 || bitmap.height < 1 ||
        bitmap.x + bitmap.widthBytes * 8 > maxWidthDots ||
        bitmap.y + bitmap.height > maxHeightDots) {
        return QStringLiteral("The BITMAP of %1 bytes by %2 rows at %3,%4 is out of range.")
            .arg(bitmap.widthBytes)
            .arg(bitmap.height)
            .arg(bitmap.x)
            .arg(bitmap.y);
    }
    if (bitmap.mode < 0 || bitmap.mode > 2) {
        return QStringLiteral("The BITMAP mode %1 does not exist.").arg(bitmap.mode);
    }
    return std::nullopt;
}

RenderedLabel TsplPage::image() const {
    return burn(m_bitmaps, dots(m_widthMM), dots(m_heightMM));
}

RenderedLabel TsplPage::burn(const QList<Bitmap>& bitmaps, qint64 pageWidthDots,
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
    RenderedLabel page;
    page.width = std::max<qint64>(width, 1);
    page.height = std::max<qint64>(height, 1);
    page.pixels = QByteArray(page.width * page.height, char(255));
    for (const Bitmap& bitmap : bitmaps) {
        const qint64 rows = std::min(bitmap.height, page.height - bitmap.y);
        const qint64 columns = std::min(bitmap.widthBytes * 8, page.width - bitmap.x);
        for (qint64 row = 0; row < rows; ++row) {
            char* line = page.pixels.data() + (bitmap.y + row) * page.width + bitmap.x;
            const char* bits = bitmap.payload.constData() + row * bitmap.widthBytes;
            for (qint64 column = 0; column < columns; ++column) {
                const bool black =
                    !(static_cast<unsigned char>(bits[column / 8]) & (0x80 >> (column % 8)));
                switch (bitmap.mode) {
                case 0:
                    line[column] = black ? char(0) : char(255);
                    break;
                case 1:
                    if (black) {
                        line[column] = char(0);
                    }
                    break;
                default:
                    if (black) {
                        line[column] = line[column] == char(0) ? char(255) : char(0);
                    }
                    break;
                }
            }
        }
    }
    return page;
}

} // namespace vantrel
