#pragma once

#include "LabelKit/model/LabelElement.h"

#include <QString>

#include <optional>

class QClipboard;
class QMimeData;

namespace vantrel {

// Label items on the desktop clipboard, so that they travel between labels and between
// running copies of the application: the item as a label file writes it (a JSON object) under
// an application type, and its content as plain text for other programs.
namespace ElementClipboard {

inline const QString mimeType = QStringLiteral("application/x-vantrel-element");

// Nothing when the item cannot be written (a length that is not a number).
QMimeData* mimeData(const LabelElement& element);
// The item the data carries; nothing when it carries none. Fields that are missing or wrong
// take their defaults, as in a label file.
std::optional<LabelElement> element(const QMimeData* data);

// False when the item cannot be written; the clipboard then keeps what it had.
bool copy(const LabelElement& element, QClipboard* clipboard);
std::optional<LabelElement> paste(const QClipboard* clipboard);
bool canPaste(const QClipboard* clipboard);

} // namespace ElementClipboard

} // namespace vantrel
