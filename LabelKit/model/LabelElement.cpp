#include "LabelKit/model/LabelElement.h"

#include <QHashFunctions>

#include <limits>

namespace vantrel {

namespace {

struct KindDefaults {
    double width;
    double height;
    const char* content;
};

KindDefaults defaults(ElementKind kind) {
    switch (kind) {
    case ElementKind::text:
        return {30, 7, "Text"};
    case ElementKind::barcode:
        return {34, 12, "12345678"};
    case ElementKind::qr:
        return {14, 14, "https://example.com"};
    case ElementKind::line:
        return {30, 0.5, ""};
    case ElementKind::box:
        return {16, 10, ""};
    case ElementKind::ellipse:
        return {12, 12, ""};
    case ElementKind::image:
        return {14, 14, ""};
    }
    return {30, 7, ""};
}

} // namespace

LabelElement::LabelElement(ElementKind kind) : id(QUuid::createUuid()), kind(kind) {
    const KindDefaults d = defaults(kind);
    width = d.width;
    height = d.height;
    content = QString::fromLatin1(d.content);
}

void LabelElement::rotateQuarter() {
    const double w = width;
    const double h = height;
    x = x + w / 2 - h / 2;
    y = y + h / 2 - w / 2;
    width = h;
    height = w;
    // The remainder takes the sign of the dividend, so a negative angle stays negative. A stored
    // angle near the top of the range is reduced first so the addition cannot overflow; for
    // such (positive) angles the result is the same.
    if (rotation > std::numeric_limits<qint64>::max() - 90) {
        rotation = (rotation % 360 + 90) % 360;
    } else {
        rotation = (rotation + 90) % 360;
    }
}

size_t qHash(const LabelElement& e, size_t seed) noexcept {
    seed = qHashMulti(seed, e.id, int(e.kind), e.x, e.y, e.width, e.height, e.rotation, e.content,
                      e.fontFamily, e.fontSize, e.bold, int(e.align));
    return qHashMulti(seed, e.shrinkToFit, e.showText, int(e.symbology), e.strokeMM, e.filled,
                      e.imageData.has_value(), e.imageData.value_or(QByteArray()), e.locked);
}

} // namespace vantrel
