#pragma once

#include "LabelKit/model/RawEnum.h"

namespace vantrel {

// What an item on a label is.
enum class ElementKind { text, barcode, qr, line, box, ellipse, image };

template <>
struct EnumTraits<ElementKind> {
    static constexpr std::array cases{ElementKind::text, ElementKind::barcode, ElementKind::qr,
                                      ElementKind::line, ElementKind::box,     ElementKind::ellipse,
                                      ElementKind::image};
    static constexpr std::array raw{"text", "barcode", "qr", "line", "box", "ellipse", "image"};
};

// The user-facing name of the kind ("Text", "Barcode", ...).
QString title(ElementKind kind);

} // namespace vantrel
