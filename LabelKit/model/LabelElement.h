#pragma once

#include "LabelKit/model/ElementKind.h"
#include "LabelKit/model/Symbology.h"
#include "LabelKit/model/TextAlign.h"

#include <QByteArray>
#include <QString>
#include <QUuid>

#include <optional>

namespace vantrel {

// One item on a label. Geometry is in millimetres from the label's top-left corner; the box
// (x, y, width, height) is the item as seen on the label, whatever its rotation. Every item
// carries every field; the ones its kind does not use are kept and written all the same.
struct LabelElement {
    QUuid id;
    ElementKind kind = ElementKind::text;
    double x = 2;
    double y = 2;
    double width = 30;
    double height = 7;
    qint64 rotation = 0; // degrees; normally 0, 90, 180 or 270, but stored as read
    QString content;     // may hold placeholders
    QString fontFamily = QStringLiteral("Helvetica");
    double fontSize = 12; // points
    bool bold = false;
    TextAlign align = TextAlign::left;
    bool shrinkToFit = false;
    bool showText = true;
    Symbology symbology = Symbology::code128;
    double strokeMM = 0.5;
    bool filled = false;
    std::optional<QByteArray> imageData; // the picture file's bytes, as imported
    bool locked = false;

    // A new item of the kind with a fresh id and the kind's default size and content.
    explicit LabelElement(ElementKind kind = ElementKind::text);

    // Turns the item a quarter turn clockwise about the centre of its box: the box keeps its
    // centre and swaps its sides.
    void rotateQuarter();

    friend bool operator==(const LabelElement&, const LabelElement&) = default;
};

size_t qHash(const LabelElement& element, size_t seed = 0) noexcept;

} // namespace vantrel
