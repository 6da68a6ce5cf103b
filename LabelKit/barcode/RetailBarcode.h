#pragma once

#include "LabelKit/barcode/RetailBarcodeError.h"
#include "LabelKit/barcode/RetailSymbol.h"
#include "LabelKit/model/Symbology.h"

#include <QChar>
#include <QString>

#include <optional>

namespace vantrel {

// The EAN-13, EAN-8, UPC-A and UPC-E encoder of the GS1 General Specifications. Stateless;
// any thread.
namespace RetailBarcode {

// The symbol of typed digits. Blanks and hyphens anywhere are dropped first; a missing check
// digit is appended, a given one must be right. Throws RetailBarcodeError; code128 is not a
// retail symbology and always fails with notDigits.
RetailSymbol encode(Symbology symbology, const QString& text);

// The GS1 modulo-10 check digit of the decimal digits in the string (other characters are
// ignored): weights 3, 1, 3, … from the right. '0' for no digits.
QChar checkDigit(const QString& digits);

// The eleven UPC-A digits (without check digit) that the six-digit UPC-E core stands for under
// the number system. An empty string when the core is not six ASCII digits.
QString expandUPCE(const QString& core, QChar numberSystem);

// The six-digit UPC-E core of eleven UPC-A digits (without check digit), or nothing when the
// number is not eleven digits, its number system is not 0 or 1, or no zero-suppression rule
// fits.
std::optional<QString> compressUPCA(const QString& body);

} // namespace RetailBarcode

} // namespace vantrel
