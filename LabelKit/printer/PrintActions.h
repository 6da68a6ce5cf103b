#pragma once

#include "LabelKit/printer/PrinterManager.h"

#include <QString>
#include <QUuid>

#include <qcoro/qcorotask.h>

#include <optional>

namespace vantrel {

class LabelStore;

// The two automation actions: print a saved label, print a line of text. Each builds one print
// item, hands it to the printer manager (on `printer`, or the manager's preferred printer) and
// returns the confirmation to show. Copies below 1 print one. Printer failures end the action
// with the manager's error.
namespace PrintActions {

// The stored label found by name as the label store finds it (ignoring case and diacritics),
// with `text` as the merge field "text" when given. Returns "Printed 3 × Bin tag.". A label
// that does not exist fails without printing, naming the label.
QCoro::Task<QString> printLabel(const LabelStore& store, PrinterManager& printers, QString name,
                                qint64 copies, std::optional<QString> text,
                                std::optional<QString> printer = std::nullopt);

// The same for the label with this id; `name` is what the caller knew it by, for the error.
QCoro::Task<QString> printLabel(const LabelStore& store, PrinterManager& printers, QUuid id,
                                QString name, qint64 copies, std::optional<QString> text,
                                std::optional<QString> printer = std::nullopt);

// The "Big text" design with the text. Returns "Printed.".
QCoro::Task<QString> printText(PrinterManager& printers, QString text, qint64 copies,
                               std::optional<QString> printer = std::nullopt);

// The message of a print of a label that does not exist.
QString missingLabel(const QString& name);

} // namespace PrintActions

} // namespace vantrel
