#pragma once

#include "LabelKit/model/RawEnum.h"

namespace vantrel {

// The barcode symbology of a barcode item.
enum class Symbology { code128, upcA, upcE, ean13, ean8 };

template <>
struct EnumTraits<Symbology> {
    static constexpr std::array cases{Symbology::code128, Symbology::upcA, Symbology::upcE,
                                      Symbology::ean13, Symbology::ean8};
    static constexpr std::array raw{"code128", "upcA", "upcE", "ean13", "ean8"};
};

// "Code 128", "UPC-A", ...
QString title(Symbology symbology);
// True for the EAN and UPC symbologies, which the retail encoder handles.
bool isRetail(Symbology symbology);
// What the symbology accepts, as the user reads it.
QString inputHint(Symbology symbology);
// A content the symbology accepts.
QString sample(Symbology symbology);

} // namespace vantrel
