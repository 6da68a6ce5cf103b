// check, expand, csv: the label file, placeholders and lists.
#include "tools/vantrel-cli/Cli.h"

#include "LabelKit/merge/DataTable.h"
#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/model/LabelFile.h"
#include "LabelKit/store/LabelStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vantrel {

namespace {

int check(Arguments& args, Cli&) {
    const QString path = args.positional(QStringLiteral("FILE"));
    args.finish();
    Cli::out(LabelFile::encode(LabelStore::readLabelFile(path)));
    return 0;
}

int expand(Arguments& args, Cli&) {
    const LabelContext context = mergeOptions(args);
    const QString text = args.positional(QStringLiteral("TEXT"));
    args.finish();
    Cli::outLine(Placeholders::resolve(text, context));
    return 0;
}

int csv(Arguments& args, Cli&) {
    const bool noHeader = args.flag(QStringLiteral("no-header"));
    const QString path = args.positional(QStringLiteral("FILE"));
    args.finish();
    const DataTable table = DataTable::load(LabelStore::readDataFile(path), !noHeader);
    QJsonArray rows;
    for (const QStringList& row : table.rows) {
        rows.append(QJsonArray::fromStringList(row));
    }
    const QJsonObject result{{QStringLiteral("columns"), QJsonArray::fromStringList(table.columns)},
                             {QStringLiteral("rows"), rows}};
    Cli::out(QJsonDocument(result).toJson(QJsonDocument::Compact) + '\n');
    return 0;
}

const CommandRegistration checkCommand({QStringLiteral("check"), QStringLiteral("check FILE"),
                                        check});
const CommandRegistration expandCommand({QStringLiteral("expand"),
                                         QStringLiteral("expand TEXT [merge options]"), expand});
const CommandRegistration csvCommand({QStringLiteral("csv"),
                                      QStringLiteral("csv FILE [--no-header]"), csv});

} // namespace

} // namespace vantrel
