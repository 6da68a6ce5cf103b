#pragma once

#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/render/RenderedLabel.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

// Helpers shared by the renderer's tests: small designs, raster inspection, ASCII-art goldens.
namespace rendertest {

using namespace vantrel;

inline LabelContext context() {
    LabelContext c;
    c.serial = 7;
    c.date = QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53), Qt::UTC);
    return c;
}

inline LabelDocument document(double widthMM, double heightMM, QList<LabelElement> elements = {}) {
    return LabelDocument(QStringLiteral("Test"), widthMM, heightMM, std::move(elements));
}

// A raster of the size with every pixel at the value.
inline RenderedLabel filled(qint64 width, qint64 height, uchar value = 255) {
    RenderedLabel label;
    label.width = width;
    label.height = height;
    label.pixels = QByteArray(width * height, char(value));
    return label;
}

inline LabelElement element(ElementKind kind, double x, double y, double width, double height) {
    LabelElement e(kind);
    e.x = x;
    e.y = y;
    e.width = width;
    e.height = height;
    return e;
}

inline LabelElement text(const QString& content, double x, double y, double width, double height,
                         double points = 12) {
    LabelElement e = element(ElementKind::text, x, y, width, height);
    e.content = content;
    e.fontSize = points;
    return e;
}

inline RenderedLabel render(const LabelDocument& doc, bool exact = true, int scale = 1) {
    return LabelRenderer::render(doc, context(), scale, exact);
}

// The element with its box at (x, y) mm, alone on a label that leaves `margin` mm beyond it.
inline RenderedLabel renderElement(LabelElement e, double margin = 2, double x = 2, double y = 2) {
    e.x = x;
    e.y = y;
    return render(document(x + e.width + margin, y + e.height + margin, {e}));
}

inline LabelElement barcode(Symbology symbology, const QString& content, double widthMM,
                            double heightMM, bool showText = true, qint64 rotation = 0) {
    LabelElement e = element(ElementKind::barcode, 0, 0, widthMM, heightMM);
    e.symbology = symbology;
    e.content = content;
    e.showText = showText;
    e.rotation = rotation;
    return e;
}

inline LabelElement qr(const QString& content, double widthMM, double heightMM,
                       qint64 rotation = 0) {
    LabelElement e = barcode(Symbology::code128, content, widthMM, heightMM, true, rotation);
    e.kind = ElementKind::qr;
    return e;
}

// The picture file of an image, as an image element stores it.
inline QByteArray encoded(const QImage& image, const char* format = "PNG", int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

inline LabelElement picture(const QImage& image, double x, double y, double width, double height) {
    LabelElement e = element(ElementKind::image, x, y, width, height);
    e.imageData = encoded(image);
    return e;
}

inline uchar pixel(const RenderedLabel& label, qint64 x, qint64 y) {
    return static_cast<uchar>(label.pixels[y * label.width + x]);
}

inline qint64 blackCount(const RenderedLabel& label, QRect area = {}) {
    area = area.isNull() ? QRect(0, 0, int(label.width), int(label.height)) : area;
    qint64 count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += label.isBlack(x, y) ? 1 : 0;
        }
    }
    return count;
}

// The smallest rectangle holding every black pixel; null when there is none.
inline QRect ink(const RenderedLabel& label) {
    QRect bounds;
    for (qint64 y = 0; y < label.height; ++y) {
        for (qint64 x = 0; x < label.width; ++x) {
            bounds |= label.isBlack(x, y) ? QRect(int(x), int(y), 1, 1) : QRect();
        }
    }
    return bounds;
}

inline bool onlyBlackAndWhite(const RenderedLabel& label) {
    return label.pixels.count(char(0)) + label.pixels.count(char(255)) == label.pixels.size();
}

// The raster as ASCII art, one line per row: '#' black, '.' white.
inline QString ascii(const RenderedLabel& label) {
    QString art;
    for (qint64 y = 0; y < label.height; ++y) {
        for (qint64 x = 0; x < label.width; ++x) {
            art += label.isBlack(x, y) ? u'#' : u'.';
        }
        art += u'\n';
    }
    return art;
}

// The raster that ascii() shows: one line per row, '#' black (0), anything else white (255).
inline RenderedLabel raster(const QString& art) {
    const QStringList rows = art.split(u'\n', Qt::SkipEmptyParts);
    RenderedLabel label = filled(rows.isEmpty() ? 0 : rows.first().size(), rows.size());
    for (qint64 i = 0; i < label.pixels.size(); ++i) {
        label.pixels[i] = rows[i / label.width][i % label.width] == u'#' ? char(0) : char(255);
    }
    return label;
}

// The invalid-content mark fills the box (in dots) of the label: the raster of an undecodable
// picture in that box, whose mark the shapes' golden file pins, but for a few dots of its
// diagonals that other kinds of element may draw a dot apart.
inline void expectInvalidMark(const RenderedLabel& label, QRect box, bool exact = true) {
    LabelElement broken = element(ElementKind::image, box.x() / 8.0, box.y() / 8.0,
                                  box.width() / 8.0, box.height() / 8.0);
    broken.imageData = QByteArray("not a picture");
    const QString expected =
        ascii(render(document(label.width / 8.0, label.height / 8.0, {broken}), exact));
    const QString actual = ascii(label);
    qsizetype differing = 0;
    for (qsizetype i = 0; i < std::min(actual.size(), expected.size()); ++i) {
        differing += actual[i] != expected[i] ? 1 : 0;
    }
    EXPECT_LT(differing, expected.count(u'#') / 10) << actual.toStdString();
}

// A golden file of named ASCII-art rasters under tests/data: "== name" lines, each followed by
// its rows. A mismatch shows the actual raster, ready to paste in.
inline void expectGolden(const QString& fileName, const QString& name, const RenderedLabel& label) {
    const QString text = QString::fromUtf8(testsupport::readBytes(testsupport::dataPath(fileName)));
    QString expected;
    for (const QString& entry : text.split(QStringLiteral("== "), Qt::SkipEmptyParts)) {
        if (entry.section(u'\n', 0, 0) == name) {
            expected = entry.section(u'\n', 1).trimmed() + u'\n';
        }
    }
    EXPECT_EQ(expected, ascii(label))
        << "raster \"" << name.toStdString() << "\" of " << fileName.toStdString() << ":\n"
        << ascii(label).toStdString();
}

} // namespace rendertest
