#pragma once

// The label library the benchmarks open: 5 000 typical designs, written once per process.
#include "LabelKit/model/LabelFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <random>

namespace benchlibrary {

using namespace vantrel;

// A typical design: three to six items among text, barcodes, a QR code and shapes, some with
// placeholders.
inline LabelDocument typicalDesign(std::mt19937& random, int index) {
    QList<LabelElement> elements;
    const int count = 3 + int(random() % 4);
    for (int i = 0; i < count; ++i) {
        const ElementKind kinds[] = {ElementKind::text, ElementKind::barcode, ElementKind::qr,
                                     ElementKind::text, ElementKind::box,     ElementKind::line};
        LabelElement e(kinds[random() % 6]);
        e.x = 1 + double(random() % 20) * 0.25;
        e.y = 1 + double(random() % 40) * 0.25;
        if (e.kind == ElementKind::text) {
            e.content = QStringLiteral("Item %1 {Name} packed {date:yyyy-MM-dd}").arg(index);
            e.fontSize = 8 + double(random() % 12);
            e.shrinkToFit = true;
        } else if (e.kind == ElementKind::barcode || e.kind == ElementKind::qr) {
            e.content = QStringLiteral("SKU-%1-{serial}").arg(index);
        }
        elements.append(e);
    }
    LabelDocument doc(QStringLiteral("Label %1").arg(index), 40 + double(random() % 20), 30,
                      elements);
    doc.modified = QDateTime::fromSecsSinceEpoch(1700000000 + random() % 10000000, Qt::UTC);
    return doc;
}

// A folder of label files, written once per process.
inline const QString& libraryOf5000() {
    static QTemporaryDir dir;
    static const bool written = [] {
        std::mt19937 random(5000);
        for (int i = 0; i < 5000; ++i) {
            const LabelDocument doc = typicalDesign(random, i);
            QFile file(QDir(dir.path())
                           .filePath(doc.id.toString(QUuid::WithoutBraces).toUpper() +
                                     QStringLiteral(".vtllabel")));
            if (!file.open(QIODevice::WriteOnly) || file.write(LabelFile::encode(doc)) < 0) {
                return false;
            }
        }
        return true;
    }();
    static const QString path = written ? dir.path() : QString();
    return path;
}

} // namespace benchlibrary
