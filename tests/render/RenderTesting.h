#pragma once

#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/render/RenderedLabel.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTimeZone>

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
    LabelElement e = element(ElementKind::qr, 0, 0, widthMM, heightMM);
    e.content = content;
    e.rotation = rotation;
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
    if (area.isNull()) {
        area = QRect(0, 0, int(label.width), int(label.height));
    }
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
            if (label.isBlack(x, y)) {
                bounds |= QRect(int(x), int(y), 1, 1);
            }
        }
    }
    return bounds;
}

// The invalid-content mark fills the box: a 2-dot frame just inside it and both diagonals
// (whose square ends poke out of the box by a dot at its corners).
inline void expectInvalidMark(const RenderedLabel& label, QRect box) {
    const QRect bounds = ink(label);
    EXPECT_TRUE(box.adjusted(-2, -2, 2, 2).contains(bounds)) << "ink beyond the box";
    EXPECT_TRUE(bounds.contains(box.adjusted(1, 1, -1, -1))) << "ink short of the box";
    const QRect inner = box.adjusted(2, 2, -2, -2);
    for (const QRect& edge : {QRect(inner.left(), box.top(), inner.width(), 2),
                              QRect(inner.left(), box.bottom() - 1, inner.width(), 2),
                              QRect(box.left(), inner.top(), 2, inner.height()),
                              QRect(box.right() - 1, inner.top(), 2, inner.height())}) {
        qint64 count = 0;
        for (int y = edge.top(); y <= edge.bottom(); ++y) {
            for (int x = edge.left(); x <= edge.right(); ++x) {
                count += label.isBlack(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(count, qint64(edge.width()) * edge.height()) << "frame";
    }
    const QPoint centre = box.center();
    EXPECT_TRUE(label.isBlack(centre.x(), centre.y()) || label.isBlack(centre.x() + 1, centre.y()))
        << "crossing diagonals";
    // Between frame and diagonals the box is empty: a point a quarter in from the left edge,
    // half way down.
    EXPECT_FALSE(label.isBlack(box.left() + box.width() / 8, centre.y()));
}

inline bool onlyBlackAndWhite(const RenderedLabel& label) {
    for (const char c : label.pixels) {
        const auto v = static_cast<uchar>(c);
        if (v != 0 && v != 255) {
            return false;
        }
    }
    return true;
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
    QStringList rows = art.split(u'\n');
    if (!rows.isEmpty() && rows.last().isEmpty()) {
        rows.removeLast();
    }
    RenderedLabel label = filled(rows.isEmpty() ? 0 : rows.first().size(), rows.size());
    for (qint64 y = 0; y < label.height; ++y) {
        for (qint64 x = 0; x < label.width; ++x) {
            if (x < rows[y].size() && rows[y][x] == u'#') {
                label.pixels[y * label.width + x] = char(0);
            }
        }
    }
    return label;
}

// A golden file of named ASCII-art rasters: "== name" lines, each followed by its rows. With
// VANTREL_UPDATE_GOLDEN=1 in the environment a mismatch rewrites the entry instead of failing.
class AsciiGolden {
public:
    explicit AsciiGolden(QString fileName);
    void expect(const QString& name, const RenderedLabel& label);

private:
    QString m_path;
    QStringList m_order;
    QMap<QString, QString> m_entries;
};

inline AsciiGolden::AsciiGolden(QString fileName) : m_path(testsupport::dataPath(fileName)) {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    QString name;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (line.startsWith(QStringLiteral("== "))) {
            name = line.mid(3);
            m_order.append(name);
            m_entries[name];
        } else if (!name.isEmpty() && !line.isEmpty()) {
            m_entries[name] += line + u'\n';
        }
    }
}

inline void AsciiGolden::expect(const QString& name, const RenderedLabel& label) {
    const QString actual = ascii(label);
    if (m_entries.value(name) == actual) {
        return;
    }
    if (qEnvironmentVariable("VANTREL_UPDATE_GOLDEN") == QStringLiteral("1")) {
        if (!m_entries.contains(name)) {
            m_order.append(name);
        }
        m_entries[name] = actual;
        QString text;
        for (const QString& entry : m_order) {
            text += QStringLiteral("== ") + entry + u'\n' + m_entries[entry] + u'\n';
        }
        testsupport::writeBytes(m_path, text.toUtf8());
        return;
    }
    ADD_FAILURE() << "raster \"" << name.toStdString() << "\" differs from " << m_path.toStdString()
                  << "\nexpected:\n"
                  << m_entries.value(name).toStdString() << "actual:\n"
                  << actual.toStdString();
}

} // namespace rendertest
