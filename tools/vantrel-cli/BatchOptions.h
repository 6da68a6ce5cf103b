#pragma once

#include "tools/vantrel-cli/Cli.h"
#include "tools/vantrel-cli/LabelSource.h"

#include "LabelKit/print/PrintItem.h"

#include <QList>
#include <QString>

#include <optional>

namespace vantrel {

// The print panel's choices as options, shared by the commands that build a batch:
//   --csv CSV [--no-header] [--rows all|none|FROM-TO|I,J,...] [--copies N]
//   [--serial-start N] [--serial-count N] [--digits D] [--field K=V]...
// Rows are one-based; FROM-TO may come in either order; I,J,... are ticked rows. Without --rows
// every row of a list prints, and without a list (--csv, or the stored label's own) none.
// Values outside the panel's ranges are usage errors.
struct BatchOptions {
    std::optional<QString> csv;
    bool noHeader = false;
    std::optional<QString> rows;
    qint64 copies = 1;                 // 1...200
    std::optional<qint64> serialStart; // 0...999999
    qint64 serialCount = 1;            // 1...500
    qint64 digits = 4;                 // 0...10
    MergeFields fields;

    static QString synopsis();

    // Takes the options out of the arguments. Call it before taking positionals: an option's
    // value would otherwise be taken for one.
    static BatchOptions take(Arguments& args);

    // The items the print panel builds for the label. The serial numbers start at --serial-start,
    // else at defaultSerialStart (a print continues from the label's stored next serial).
    QList<PrintItem> items(const LabelSource& source, qint64 defaultSerialStart = 1) const;
};

} // namespace vantrel
