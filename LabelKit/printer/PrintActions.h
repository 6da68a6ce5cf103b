#pragma once

#include "LabelKit/print/PrintRequest.h"
#include "LabelKit/printer/PrinterManager.h"

#include <QString>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

namespace vantrel {

// The two automation actions: print a saved label, print a line of text. Each builds one print
// item, hands it to the printer manager (on `printer`, or the manager's preferred printer) and
// returns the confirmation to show. Copies below 1 print one. Printer failures end the action
// with the manager's error.
namespace PrintActions {

// Finds a stored label by its id.
using LabelByID = std::function<std::optional<LabelDocument>(const QUuid& id)>;

// The stored label that `lookup` finds by name, with `text` as the merge field "text" when
// given. Returns "Printed 3 × Bin tag.". A label that is not found fails without printing,
// naming the label. The look-up runs when the action is called.
QCoro::Task<QString> printLabel(const PrintRequest::LabelLookup& lookup, PrinterManager& printers,
                                QString name, qint64 copies, std::optional<QString> text,
                                std::optional<QString> printer = std::nullopt);

// The same for the label with this id; `name` is what the caller knew it by, for the error.
QCoro::Task<QString> printLabel(const LabelByID& lookup, PrinterManager& printers, QUuid id,
                                QString name, qint64 copies, std::optional<QString> text,
                                std::optional<QString> printer = std::nullopt);

// The "Big text" design with the text. Returns "Printed.".
QCoro::Task<QString> printText(PrinterManager& printers, QString text, qint64 copies,
                               std::optional<QString> printer = std::nullopt);

// The message of a print of a label that does not exist.
QString missingLabel(const QString& name);

} // namespace PrintActions

} // namespace vantrel
