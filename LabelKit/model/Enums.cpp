#include "LabelKit/model/ElementKind.h"
#include "LabelKit/model/Symbology.h"

namespace vantrel {

QString title(ElementKind kind) {
    switch (kind) {
    case ElementKind::text:
        return QStringLiteral("Text");
    case ElementKind::barcode:
        return QStringLiteral("Barcode");
    case ElementKind::qr:
        return QStringLiteral("QR");
    case ElementKind::line:
        return QStringLiteral("Line");
    case ElementKind::box:
        return QStringLiteral("Box");
    case ElementKind::ellipse:
        return QStringLiteral("Ellipse");
    case ElementKind::image:
        return QStringLiteral("Image");
    }
    return {};
}

QString title(Symbology symbology) {
    switch (symbology) {
    case Symbology::code128:
        return QStringLiteral("Code 128");
    case Symbology::upcA:
        return QStringLiteral("UPC-A");
    case Symbology::upcE:
        return QStringLiteral("UPC-E");
    case Symbology::ean13:
        return QStringLiteral("EAN-13");
    case Symbology::ean8:
        return QStringLiteral("EAN-8");
    }
    return {};
}

bool isRetail(Symbology symbology) {
    return symbology != Symbology::code128;
}

QString inputHint(Symbology symbology) {
    switch (symbology) {
    case Symbology::code128:
        return QStringLiteral("Any text (ASCII)");
    case Symbology::upcA:
        return QStringLiteral("11 digits (check digit added) or 12 digits");
    case Symbology::upcE:
        return QStringLiteral("6, 7 or 8 digits, or a 12-digit UPC-A that compresses");
    case Symbology::ean13:
        return QStringLiteral("12 digits (check digit added) or 13 digits");
    case Symbology::ean8:
        return QStringLiteral("7 digits (check digit added) or 8 digits");
    }
    return {};
}

QString sample(Symbology symbology) {
    switch (symbology) {
    case Symbology::code128:
        return QStringLiteral("12345678");
    case Symbology::upcA:
        return QStringLiteral("03600029145");
    case Symbology::upcE:
        return QStringLiteral("0425261");
    case Symbology::ean13:
        return QStringLiteral("400638133393");
    case Symbology::ean8:
        return QStringLiteral("9638507");
    }
    return {};
}

} // namespace vantrel
