#pragma once

#include "LabelKit/model/LabelElement.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace vantrel {

// One label design: its size, the roll's gap, the print darkness and the items in drawing
// order. A plain value; copying a document copies its items.
struct LabelDocument {
    // More items than fit any label in a legible size are refused when a label file is read and
    // when a label is drawn, so that a small file cannot claim millions of them.
    static constexpr qsizetype maxElements = 1000;

    QUuid id;
    QString name;
    double widthMM = 40;
    double heightMM = 30;
    double gapMM = 2;
    qint64 density = 8; // sent clamped to 0...15, stored as set
    QList<LabelElement> elements;
    QDateTime modified;              // UTC; time of the last save
    std::optional<QString> dataName; // file name of the attached list, when there is one
    bool dataHasHeader = true;

    // A new design with a fresh id, modified now, no list.
    explicit LabelDocument(QString name = QStringLiteral("Untitled"), double widthMM = 40,
                           double heightMM = 30, QList<LabelElement> elements = {});

    // The size in printer dots (8 per mm, halves away from zero), or nothing when the stored
    // length has no dot count (not finite, or too large for a 64-bit integer).
    std::optional<qint64> widthDots() const;
    std::optional<qint64> heightDots() const;

    // The first item with the id, or nullptr.
    const LabelElement* element(const QUuid& elementID) const;

    friend bool operator==(const LabelDocument&, const LabelDocument&) = default;
};

size_t qHash(const LabelDocument& document, size_t seed = 0) noexcept;

} // namespace vantrel
