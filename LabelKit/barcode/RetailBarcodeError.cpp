#include "LabelKit/barcode/RetailBarcodeError.h"

#include <utility>

namespace vantrel {

RetailBarcodeError::RetailBarcodeError(Kind kind, QString message, Symbology symbology,
                                       QChar expected)
    : UserError(std::move(message)), m_kind(kind), m_symbology(symbology), m_expected(expected) {}

RetailBarcodeError RetailBarcodeError::wrongLength(Symbology symbology) {
    return {Kind::wrongLength, title(symbology) + QStringLiteral(" needs ") + inputHint(symbology),
            symbology, QChar()};
}

RetailBarcodeError RetailBarcodeError::badCheckDigit(QChar expected) {
    return {Kind::badCheckDigit, QStringLiteral("Check digit should be ") + expected,
            Symbology::code128, expected};
}

RetailBarcodeError RetailBarcodeError::notDigits() {
    return {Kind::notDigits, QStringLiteral("Digits only"), Symbology::code128, QChar()};
}

RetailBarcodeError RetailBarcodeError::notCompressible() {
    return {Kind::notCompressible, QStringLiteral("This UPC-A can't be shortened to UPC-E"),
            Symbology::code128, QChar()};
}

RetailBarcodeError RetailBarcodeError::numberSystem() {
    return {Kind::numberSystem, QStringLiteral("UPC-E must start with 0 or 1"), Symbology::code128,
            QChar()};
}

} // namespace vantrel
