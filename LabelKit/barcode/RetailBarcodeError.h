#pragma once

#include "LabelKit/model/Symbology.h"
#include "LabelKit/model/UserError.h"

#include <QChar>

namespace vantrel {

// Why typed digits cannot become an EAN or UPC symbol; message() is what the inspector shows.
// Two errors are equal when their kind and payload are.
class RetailBarcodeError : public UserError {
public:
    enum class Kind { wrongLength, badCheckDigit, notDigits, notCompressible, numberSystem };

    // "<title> needs <input hint>".
    static RetailBarcodeError wrongLength(Symbology symbology);
    // "Check digit should be <expected>".
    static RetailBarcodeError badCheckDigit(QChar expected);
    static RetailBarcodeError notDigits();
    static RetailBarcodeError notCompressible();
    static RetailBarcodeError numberSystem();

    Kind kind() const { return m_kind; }
    // The symbology of wrongLength; code128 for the other kinds.
    Symbology symbology() const { return m_symbology; }
    // The digit badCheckDigit expects; a null QChar for the other kinds.
    QChar expected() const { return m_expected; }

    friend bool operator==(const RetailBarcodeError& a, const RetailBarcodeError& b) {
        return a.m_kind == b.m_kind && a.m_symbology == b.m_symbology &&
               a.m_expected == b.m_expected;
    }

private:
    RetailBarcodeError(Kind kind, QString message, Symbology symbology, QChar expected);

    Kind m_kind;
    Symbology m_symbology;
    QChar m_expected;
};

} // namespace vantrel
