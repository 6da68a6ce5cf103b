#pragma once

#include "tools/vantrel-cli/Cli.h"

#include "LabelKit/merge/DataTable.h"
#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/store/LabelStore.h"

#include <memory>
#include <optional>

namespace vantrel {

// The label library the command line works on: --library DIR, else the default folder. The
// starter designs are seeded only when this call creates the default folder, as the
// application does on its first start; never into a folder named with --library. Throws
// UserError when the folder cannot be listed or HOME is not set.
std::unique_ptr<LabelStore> openLibrary(const Cli& cli);

// Where a command's label comes from: a label file, or a stored label by name.
struct LabelSource {
    LabelDocument document;
    std::optional<DataTable> table; // the stored label's attached list, when it has one
    // Why the stored label's attached list cannot be used, when it cannot: an error only once
    // the list is needed.
    std::optional<QString> tableProblem;

    // The label file at the path when there is a file there; otherwise the stored label of that
    // name (ignoring case and diacritics). Throws UserError naming the label when neither exists,
    // and naming the unreadable label files when the library has some.
    static LabelSource resolve(const QString& fileOrName, const Cli& cli);
};

// --csv CSV [--no-header] --row N: the merge fields of one list row (one-based). Without
// --csv the row comes from the stored label's attached list.
struct RowOptions {
    std::optional<QString> csv;
    bool noHeader = false;
    std::optional<qint64> row;

    // Takes the options out of the arguments; call it before taking positionals.
    static RowOptions take(Arguments& args);
    // Writes the row's cells over the context's fields: a column wins over a --field of the
    // same name, as in a batch. Does nothing without --row.
    void apply(const LabelSource& source, LabelContext& context) const;
};

// The list of --csv, or else the stored label's: nothing when there is neither. Throws
// UserError when the list is needed but cannot be read or parsed.
std::optional<DataTable> chosenTable(const std::optional<QString>& csv, bool noHeader,
                                     const LabelSource& source);

} // namespace vantrel
