// labels, link, batch: the label library, print links and the batches the print panel builds.
#include "tools/vantrel-cli/BatchOptions.h"
#include "tools/vantrel-cli/Cli.h"
#include "tools/vantrel-cli/LabelSource.h"

#include "LabelKit/print/PrintRequest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vantrel {

namespace {

QString idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QJsonObject fieldsObject(const MergeFields& fields) {
    QJsonObject object;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        object.insert(it.key(), it.value());
    }
    return object;
}

void outJson(const QJsonValue& value) {
    const QByteArray json = value.isArray()
                                ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                                : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    Cli::out(json + '\n');
}

// One line per label, newest first: name, size, id and attached list, separated by tabs (the
// list column is empty without a list).
int labels(Arguments& args, Cli& cli) {
    const bool json = args.flag(QStringLiteral("json"));
    args.finish();
    const std::unique_ptr<LabelStore> store = openLibrary(cli);
    for (const QString& problem : store->unreadableFiles()) {
        Cli::errLine(problem);
    }
    if (json) {
        QJsonArray list;
        for (const LabelDocument& doc : store->labels()) {
            QJsonObject entry{{QStringLiteral("name"), doc.name},
                              {QStringLiteral("id"), idText(doc.id)},
                              {QStringLiteral("widthMM"), doc.widthMM},
                              {QStringLiteral("heightMM"), doc.heightMM},
                              {QStringLiteral("modified"), doc.modified.toString(Qt::ISODate)}};
            if (doc.dataName) {
                entry.insert(QStringLiteral("dataName"), *doc.dataName);
            }
            list.append(entry);
        }
        outJson(list);
        return 0;
    }
    for (const LabelDocument& doc : store->labels()) {
        Cli::outLine(QStringLiteral("%1\t%2 × %3 mm\t%4\t%5")
                         .arg(doc.name, QString::number(doc.widthMM), QString::number(doc.heightMM),
                              idText(doc.id), doc.dataName.value_or(QString())));
    }
    return 0;
}

int link(Arguments& args, Cli& cli) {
    const QString url = args.positional(QStringLiteral("URL"));
    args.finish();
    const std::unique_ptr<LabelStore> store = openLibrary(cli);
    const std::optional<PrintRequest> request =
        PrintRequest::fromURL(url, [&](const QString& name) { return store->labelNamed(name); });
    if (!request) {
        Cli::errLine(QStringLiteral("The link asks for no print of a stored label."));
        return 1;
    }
    outJson(QJsonObject{{QStringLiteral("labelID"), idText(request->labelID)},
                        {QStringLiteral("copies"), request->copies},
                        {QStringLiteral("fields"), fieldsObject(request->fields)}});
    return 0;
}

int batch(Arguments& args, Cli& cli) {
    const BatchOptions options = BatchOptions::take(args);
    const QString label = args.positional(QStringLiteral("FILE|NAME"));
    args.finish();
    const QList<PrintItem> items = options.items(LabelSource::resolve(label, cli));
    QJsonArray list;
    for (const PrintItem& item : items) {
        list.append(QJsonObject{{QStringLiteral("serial"), item.context.serial
                                                               ? QJsonValue(*item.context.serial)
                                                               : QJsonValue(QJsonValue::Null)},
                                {QStringLiteral("serialDigits"), item.context.serialDigits},
                                {QStringLiteral("fields"), fieldsObject(item.context.fields)},
                                {QStringLiteral("copies"), item.copies}});
    }
    outJson(list);
    return 0;
}

const CommandRegistration labelsCommand({QStringLiteral("labels"),
                                         QStringLiteral("labels [--json]"), labels});
const CommandRegistration linkCommand({QStringLiteral("link"), QStringLiteral("link URL"), link});
const CommandRegistration
    batchCommand({QStringLiteral("batch"),
                  QStringLiteral("batch FILE|NAME ") + BatchOptions::synopsis(), batch});

} // namespace

} // namespace vantrel
