#pragma once

#include "LabelKit/barcode/ModuleMatrix.h"

#include <QList>
#include <QString>

namespace vantrel {

// Code 128 and QR symbols as modules, without quiet zones. Each call is independent, so the
// interface thread and a printing task may generate at the same time.
namespace SymbolGenerator {

// The most characters one Code 128 symbol takes.
inline constexpr qsizetype code128MaxLength = 80;

// The modules of the Code 128 symbol of the text, left to right, true = dark bar module.
// Throws UserError: "Empty"; "Code 128 supports ASCII only" for a character beyond ASCII;
// "Too long for Code 128 (80 characters at most)".
QList<bool> code128(const QString& text);

// The QR symbol of the text's UTF-8 bytes at error correction level M. Throws UserError:
// "Empty"; "Not valid Unicode text" for an unpaired surrogate; "Too long for a QR code" when the
// bytes do not fit the largest level-M symbol.
ModuleMatrix qrCode(const QString& text);

} // namespace SymbolGenerator

} // namespace vantrel
