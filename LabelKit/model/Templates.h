#pragma once

#include "LabelKit/model/LabelDocument.h"

#include <QList>

namespace vantrel {

// Ready-made designs. Every call builds the design afresh: new ids, modified now.
namespace Templates {

LabelDocument blank();     // "New label", no items
LabelDocument binTag();    // "Bin tag"
LabelDocument skuTag();    // "SKU tag", serial-numbered
LabelDocument dated();     // "Dated label"
LabelDocument plainText(); // "Big text"
// Bin tag, SKU tag, Dated label, Big text.
QList<LabelDocument> starters();
// The label a printer prints to show which physical printer it is. Braces in the arguments act
// as placeholders when drawn.
LabelDocument identify(const QString& nickname, const QString& advertisedName);

} // namespace Templates

} // namespace vantrel
