// barcode: the modules of a barcode symbol.
#include "tools/vantrel-cli/Cli.h"

#include "LabelKit/barcode/ModuleMatrix.h"
#include "LabelKit/barcode/RetailBarcode.h"
#include "LabelKit/barcode/SymbolGenerator.h"
#include "LabelKit/model/UserError.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace vantrel {

namespace {

QJsonValue optionalText(const std::optional<QString>& text) {
    return text ? QJsonValue(*text) : QJsonValue(QJsonValue::Null);
}

QJsonObject retailJson(const RetailSymbol& symbol) {
    QJsonArray guards;
    for (const int guard : symbol.guards) {
        guards.append(guard);
    }
    QJsonArray groups;
    for (const RetailGroup& group : symbol.groups) {
        groups.append(QJsonObject{{QStringLiteral("text"), group.text},
                                  {QStringLiteral("start"), group.start},
                                  {QStringLiteral("end"), group.end}});
    }
    return {{QStringLiteral("modules"), moduleText(symbol.modules)},
            {QStringLiteral("guards"), guards},
            {QStringLiteral("groups"), groups},
            {QStringLiteral("leftDigit"), optionalText(symbol.leftDigit)},
            {QStringLiteral("rightDigit"), optionalText(symbol.rightDigit)},
            {QStringLiteral("digits"), symbol.digits}};
}

void printJson(const QJsonObject& object) {
    Cli::out(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
}

// Refusals of the content are results, not failures of the tool: they go to stdout as JSON.
int barcode(Arguments& args, Cli&) {
    const QString name = args.positional(QStringLiteral("SYMBOLOGY"));
    const QString text = args.positional(QStringLiteral("TEXT"));
    args.finish();
    const auto symbology = fromRawValue<Symbology>(name);
    if (!symbology) {
        QStringList names;
        for (const Symbology s : allCases<Symbology>()) {
            names.append(rawValue(s));
        }
        throw UsageError(QStringLiteral("unknown symbology “%1”; use one of %2")
                             .arg(name, names.join(QStringLiteral(", "))));
    }
    try {
        if (isRetail(*symbology)) {
            printJson(retailJson(RetailBarcode::encode(*symbology, text)));
        } else {
            printJson({{QStringLiteral("modules"), moduleText(SymbolGenerator::code128(text))}});
        }
    } catch (const UserError& error) {
        printJson({{QStringLiteral("error"), error.message()}});
        return 1;
    }
    return 0;
}

const CommandRegistration barcodeCommand({QStringLiteral("barcode"),
                                          QStringLiteral("barcode SYMBOLOGY TEXT"), barcode});

} // namespace

} // namespace vantrel
