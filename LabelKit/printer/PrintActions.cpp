#include "LabelKit/printer/PrintActions.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/Clock.h"

namespace vantrel {

namespace {

PrintItem itemFor(const LabelDocument& document, const std::optional<QString>& text,
                  qint64 copies) {
    LabelContext context;
    context.date = Clock::wallNow();
    if (text) {
        context.fields.insert(QStringLiteral("text"), *text);
    }
    return PrintItem(document, context, std::max<qint64>(1, copies));
}

QString printedLabels(qint64 copies, const QString& name) {
    return QStringLiteral("Printed %1 × %2.").arg(copies).arg(name);
}

QString printed() {
    return QStringLiteral("Printed.");
}

// Built outside the coroutines: GCC 12 cannot keep an initializer list's array in a coroutine
// frame.
QList<PrintItem> batchOf(const PrintItem& item) {
    return {item};
}

QCoro::Task<QString> printDocument(PrinterManager& printers, LabelDocument document,
                                   std::optional<QString> text, qint64 copies,
                                   std::optional<QString> printer) {
    const PrintItem item = itemFor(document, text, copies);
    co_await printers.print(batchOf(item), printer);
    co_return printedLabels(item.copies, document.name);
}

// The label the caller looked up, or the failure that names it. A coroutine, so that a missing
// label fails the awaited task like any printer error.
QCoro::Task<QString> printFound(PrinterManager& printers, std::optional<LabelDocument> document,
                                QString name, qint64 copies, std::optional<QString> text,
                                std::optional<QString> printer) {
    if (!document) {
        throw UserError(PrintActions::missingLabel(name));
    }
    co_return co_await printDocument(printers, *document, std::move(text), copies,
                                     std::move(printer));
}

} // namespace

QString PrintActions::missingLabel(const QString& name) {
    return QStringLiteral("There is no label named “%1”.").arg(name);
}

QCoro::Task<QString> PrintActions::printLabel(const PrintRequest::LabelLookup& lookup,
                                              PrinterManager& printers, QString name, qint64 copies,
                                              std::optional<QString> text,
                                              std::optional<QString> printer) {
    std::optional<LabelDocument> document = lookup(name);
    return printFound(printers, std::move(document), std::move(name), copies, std::move(text),
                      std::move(printer));
}

QCoro::Task<QString> PrintActions::printLabel(const LabelByID& lookup, PrinterManager& printers,
                                              QUuid id, QString name, qint64 copies,
                                              std::optional<QString> text,
                                              std::optional<QString> printer) {
    return printFound(printers, lookup(id), std::move(name), copies, std::move(text),
                      std::move(printer));
}

QCoro::Task<QString> PrintActions::printText(PrinterManager& printers, QString text, qint64 copies,
                                             std::optional<QString> printer) {
    LabelDocument document = Templates::plainText();
    if (!document.elements.isEmpty()) {
        document.elements.first().content = text;
    }
    const PrintItem item = itemFor(document, std::nullopt, copies);
    co_await printers.print(batchOf(item), std::move(printer));
    co_return printed();
}

} // namespace vantrel
