#pragma once

#include <QDateTime>
#include <QMap>
#include <QString>

#include <optional>

namespace vantrel {

// Merge fields: column or field name to text.
using MergeFields = QMap<QString, QString>;

// The merge values of one printed label.
struct LabelContext {
    std::optional<qint64> serial; // absent when the print does not number its labels
    qint64 serialDigits = 0;      // minimum width of the expanded serial; 0 pads nothing
    MergeFields fields;
    QDateTime date; // the reference date-time of date placeholders

    // What on-screen previews draw with: serial 1, no padding, no fields, and the moment of the
    // call, so a preview drawn after midnight shows the new day.
    static LabelContext preview();

    friend bool operator==(const LabelContext&, const LabelContext&) = default;
};

} // namespace vantrel
