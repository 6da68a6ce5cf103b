#include "tools/vantrel-cli/LabelSource.h"

#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/UserError.h"

#include <QFileInfo>

#include <limits>

namespace vantrel {

std::unique_ptr<LabelStore> openLibrary(const Cli& cli) {
    if (cli.library) {
        return std::make_unique<LabelStore>(*cli.library, false);
    }
    const QString folder = LabelStore::defaultDirectory();
    const bool firstStart = !QFileInfo(folder).exists() && !QFileInfo(folder).isSymLink();
    return std::make_unique<LabelStore>(folder, firstStart);
}

LabelSource LabelSource::resolve(const QString& fileOrName, const Cli& cli) {
    const QFileInfo info(fileOrName);
    const bool looksLikePath =
        fileOrName.contains(u'/') || info.suffix() == QLatin1StringView(LabelFile::extension);
    if ((info.exists() && !info.isDir()) || looksLikePath) {
        return LabelSource{LabelStore::readLabelFile(fileOrName), std::nullopt};
    }
    const std::unique_ptr<LabelStore> store = openLibrary(cli);
    const std::optional<LabelDocument> stored = store->labelNamed(fileOrName);
    if (!stored) {
        throw UserError(
            QStringLiteral("There is no label file or stored label named “%1” (library: %2).")
                .arg(fileOrName, store->directory()));
    }
    return LabelSource{*stored, store->table(*stored)};
}

std::optional<DataTable> chosenTable(const std::optional<QString>& csv, bool noHeader,
                                     const LabelSource& source) {
    if (csv) {
        return DataTable::load(LabelStore::readDataFile(*csv), !noHeader);
    }
    return source.table;
}

RowOptions RowOptions::take(Arguments& args) {
    RowOptions options;
    options.csv = args.option(QStringLiteral("csv"));
    options.noHeader = args.flag(QStringLiteral("no-header"));
    options.row = args.integer(QStringLiteral("row"), 1, std::numeric_limits<qint64>::max());
    if (options.noHeader && !options.csv) {
        throw UsageError(QStringLiteral("--no-header goes with --csv CSV"));
    }
    if (options.csv && !options.row) {
        throw UsageError(QStringLiteral("--csv needs --row N to choose the row"));
    }
    return options;
}

void RowOptions::apply(const LabelSource& source, LabelContext& context) const {
    if (!row) {
        return;
    }
    const std::optional<DataTable> table = chosenTable(csv, noHeader, source);
    if (!table) {
        throw UsageError(QStringLiteral("--row needs a list: give --csv CSV"));
    }
    if (*row > table->rows.size()) {
        throw UsageError(QStringLiteral("--row %1 is past the end of the list (%2 rows)")
                             .arg(*row)
                             .arg(table->rows.size()));
    }
    const MergeFields record = table->record(qsizetype(*row - 1));
    for (auto it = record.cbegin(); it != record.cend(); ++it) {
        context.fields.insert(it.key(), it.value());
    }
}

} // namespace vantrel
