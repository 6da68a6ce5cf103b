#pragma once

#include <QByteArray>
#include <QImage>
#include <QStringList>

// TSPL jobs written by hand for the printer tests, laid out as our encoder writes them, from
// rasters drawn as ASCII art: '#' a black dot, '.' a white one.
namespace tspljobs {

using namespace vantrel;

inline QByteArray packedRows(const QStringList& art) {
    QByteArray payload;
    for (const QString& row : art) {
        const qsizetype bytes = (row.size() + 7) / 8;
        QByteArray packed(bytes, char(0xFF));
        for (qsizetype x = 0; x < row.size(); ++x) {
            if (row[x] == u'#') {
                packed[x / 8] =
                    char(static_cast<unsigned char>(packed[x / 8]) & ~(0x80 >> (x % 8)));
            }
        }
        payload += packed;
    }
    return payload;
}

inline QByteArray job(const QStringList& art, const QByteArray& widthMM, const QByteArray& heightMM,
                      int copies = 1) {
    const qsizetype widthBytes = art.isEmpty() ? 0 : (art.first().size() + 7) / 8;
    QByteArray bytes;
    bytes += "SIZE " + widthMM + " mm, " + heightMM + " mm\r\n";
    bytes += "CLS\r\nSHIFT 0,0\r\n";
    bytes += "BITMAP 0,0," + QByteArray::number(widthBytes) + "," + QByteArray::number(art.size()) +
             ",0,";
    bytes += packedRows(art);
    bytes += "\r\nSPEED 0\r\nDENSITY 8\r\nSET CUTTER OFF\r\nSET TEAR ON\r\nSET RIBBON OFF\r\n"
             "DIRECTION 0,0\r\nGAP 3 mm,0 mm\r\nOFFSET 0 mm\r\n";
    bytes += "PRINT 1," + QByteArray::number(copies) + "\r\n";
    return bytes;
}

// A job of about `size` bytes: a white raster 8 dots wide, as many rows as it takes.
inline QByteArray jobOfSize(qsizetype size) {
    const qsizetype overhead = job({QStringLiteral("........")}, "1", "1").size() - 1;
    const qsizetype rows = std::max<qsizetype>(1, size - overhead);
    QStringList art;
    for (qsizetype i = 0; i < rows; ++i) {
        art.append(QStringLiteral("........"));
    }
    return job(art, "1", QByteArray::number(double(rows) / 8.0, 'f', 1));
}

// The picture as ASCII art: the oracle the printed PNG is compared with.
inline QStringList art(const QImage& image) {
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x) {
            row += qGray(image.pixel(x, y)) < 128 ? u'#' : u'.';
        }
        rows.append(row);
    }
    return rows;
}

} // namespace tspljobs
