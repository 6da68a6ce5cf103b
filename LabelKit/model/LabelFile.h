#pragma once

#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/model/UserError.h"

#include <QByteArray>

namespace vantrel {

// The label file: one LabelDocument as a UTF-8 JSON object with sorted keys.
namespace LabelFile {

inline constexpr char extension[] = "vtllabel";

// JSON values (numbers, strings, objects, ...) a label file may hold: twice what a label of
// LabelDocument::maxElements items needs. Parsed JSON takes about 16 bytes a value however
// short its text, so a file of tiny values is refused before it is parsed.
inline constexpr qsizetype maxValues = 100000;

// Reads a label file. Fails when the bytes are not JSON or the top level is not an object, and
// when the file holds more than LabelDocument::maxElements items or maxValues values; every
// other defect is repaired with the field's default.
// Throws UserError with the message the user sees, which names `source` (the file's path)
// when one is given.
LabelDocument decode(const QByteArray& bytes, const QString& source = {});

// Writes a label file: keys sorted, pretty-printed, upper-case UUIDs, whole-second UTC dates,
// Base64 pictures; "dataName" and "imageData" left out when absent.
// Throws UserError when a number cannot be written as JSON (not finite).
QByteArray encode(const LabelDocument& document);

} // namespace LabelFile

} // namespace vantrel
