#include "tools/vantrel-cli/LabelSource.h"

#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/UserError.h"

#include <QDir>
#include <QFileInfo>

#include <limits>

namespace vantrel {

std::unique_ptr<LabelStore> openLibrary(const Cli& cli) {
    if (cli.library) {
        auto store = std::make_unique<LabelStore>(*cli.library, false);
        if (store->folderError()) {
            throw UserError(*store->folderError());
        }
        return store;
    }
    const std::optional<QString> folder = LabelStore::defaultDirectory();
    if (!folder) {
        throw UserError(QStringLiteral("HOME is not set, so there is no label library. Set HOME, "
                                       "or name a library with --library DIR."));
    }
    const bool firstStart = !QFileInfo(*folder).exists() && !QFileInfo(*folder).isSymLink();
    auto store = std::make_unique<LabelStore>(*folder, firstStart);
    if (store->folderError()) {
        throw UserError(*store->folderError());
    }
    if (firstStart && store->lastError()) {
        // The starters could not be saved: the next start is a first start again.
        QDir().rmdir(*folder);
        Cli::errLine(QStringLiteral("Couldn't add the starter labels: ") + *store->lastError());
    }
    return store;
}

LabelSource LabelSource::resolve(const QString& fileOrName, const Cli& cli) {
    const QFileInfo info(fileOrName);
    const bool looksLikePath =
        fileOrName.contains(u'/') || info.suffix() == QLatin1StringView(LabelFile::extension);
    if ((info.exists() && !info.isDir()) || looksLikePath) {
        return LabelSource{LabelStore::readLabelFile(fileOrName), std::nullopt, std::nullopt};
    }
    const std::unique_ptr<LabelStore> store = openLibrary(cli);
    const std::optional<LabelDocument> stored = store->labelNamed(fileOrName);
    if (!stored && !store->unreadableFiles().isEmpty()) {
        // The label asked for may be one of those: say so rather than that it does not exist.
        throw UserError(
            QStringLiteral("No label named “%1” could be read; the library holds label files "
                           "that cannot be read:\n")
                .arg(fileOrName) +
            store->unreadableFiles().values().join(u'\n'));
    }
    if (!stored) {
        throw UserError(
            QStringLiteral("There is no label file or stored label named “%1” (library: %2).")
                .arg(fileOrName, store->directory()));
    }
    LabelSource source{*stored, std::nullopt, std::nullopt};
    try {
        source.table = store->requireTable(*stored);
    } catch (const UserError& e) {
        source.tableProblem = e.message();
    }
    return source;
}

std::optional<DataTable> chosenTable(const std::optional<QString>& csv, bool noHeader,
                                     const LabelSource& source) {
    if (csv) {
        return DataTable::load(LabelStore::readDataFile(*csv), !noHeader);
    }
    if (source.tableProblem) {
        throw UserError(*source.tableProblem);
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
