#include "tools/vantrel-cli/BatchOptions.h"

#include "LabelKit/print/PrintBatch.h"

#include <QRegularExpression>

namespace vantrel {

namespace {

qint64 rowNumber(QStringView text, qsizetype rowCount, const QString& option) {
    bool ok = false;
    const qint64 row = text.toLongLong(&ok);
    if (!ok || row < 1 || row > rowCount) {
        throw UsageError(
            QStringLiteral("--rows %1: row %2 is not in the list, which has rows 1 to %3")
                .arg(option, text.toString())
                .arg(rowCount));
    }
    return row;
}

} // namespace

QString BatchOptions::synopsis() {
    return QStringLiteral("[--csv CSV [--no-header]] [--rows all|none|FROM-TO|I,J,...] "
                          "[--copies N] [--serial-start N] [--serial-count N] [--digits D] "
                          "[--field K=V]...");
}

BatchOptions BatchOptions::take(Arguments& args) {
    BatchOptions options;
    options.csv = args.option(QStringLiteral("csv"));
    options.noHeader = args.flag(QStringLiteral("no-header"));
    options.rows = args.option(QStringLiteral("rows"));
    options.copies = args.integer(QStringLiteral("copies"), 1, 200).value_or(1);
    options.serialStart = args.integer(QStringLiteral("serial-start"), 0, 999999);
    options.serialCount = args.integer(QStringLiteral("serial-count"), 1, 500).value_or(1);
    options.digits = args.integer(QStringLiteral("digits"), 0, 10).value_or(4);
    for (const QString& field : args.options(QStringLiteral("field"))) {
        const auto [name, value] = keyValue(field, QStringLiteral("--field"));
        options.fields.insert(name, value);
    }
    if (options.noHeader && !options.csv) {
        throw UsageError(QStringLiteral("--no-header goes with --csv CSV"));
    }
    static const QRegularExpression rowsForm(
        QStringLiteral("\\A(?:all|none|[0-9]+-[0-9]+|[0-9]+(?:,[0-9]+)*)\\z"));
    if (options.rows && !rowsForm.match(*options.rows).hasMatch()) {
        throw UsageError(QStringLiteral("--rows needs all, none, FROM-TO or I,J,..., not “%1”")
                             .arg(*options.rows));
    }
    return options;
}

QList<PrintItem> BatchOptions::items(const LabelSource& source, qint64 defaultSerialStart) const {
    const std::optional<DataTable> table = chosenTable(csv, noHeader, source);
    const qsizetype rowCount = table ? table->rows.size() : 0;

    PrintBatch::RowMode mode = rowCount > 0 ? PrintBatch::RowMode::all : PrintBatch::RowMode::none;
    qint64 from = 1;
    qint64 to = 1;
    QSet<qsizetype> ticked;
    if (rows && *rows != QStringLiteral("none")) {
        if (!table) {
            throw UsageError(QStringLiteral("--rows needs a list: give --csv CSV"));
        }
        if (rowCount == 0) {
            throw UsageError(QStringLiteral("--rows %1: the list has no rows").arg(*rows));
        }
        if (*rows == QStringLiteral("all")) {
            mode = PrintBatch::RowMode::all;
        } else if (rows->contains(u'-')) {
            mode = PrintBatch::RowMode::range;
            const QList<QStringView> ends = QStringView(*rows).split(u'-');
            from = rowNumber(ends.value(0), rowCount, *rows);
            to = rowNumber(ends.value(1), rowCount, *rows);
        } else {
            mode = PrintBatch::RowMode::selected;
            for (const QStringView row : QStringView(*rows).split(u',')) {
                ticked.insert(qsizetype(rowNumber(row, rowCount, *rows) - 1));
            }
        }
    } else if (rows) {
        mode = PrintBatch::RowMode::none;
    }

    PrintBatch::Settings settings;
    settings.copies = copies;
    settings.serialStart = serialStart.value_or(defaultSerialStart);
    settings.serialCount = serialCount;
    settings.serialDigits = digits;
    settings.fields = fields;
    const auto chosen = PrintBatch::rowsToPrint(table, mode, from, to, ticked);
    return PrintBatch::build(source.document, table, chosen, settings);
}

} // namespace vantrel
