#pragma once

#include "LabelKit/merge/LabelContext.h"
#include "LabelKit/model/LabelDocument.h"

#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

namespace vantrel {

// A request to open the print sheet for a stored label: from a menu, the label list, or a
// print link handed over by another program.
struct PrintRequest {
    QUuid id = QUuid::createUuid(); // fresh for every request, so the sheet reopens
    QUuid labelID;
    qint64 copies = 1;  // at least 1
    MergeFields fields; // the print panel's initial field values

    // Finds a stored label by name, ignoring letter case and diacritics (LabelStore::labelNamed).
    using LabelLookup = std::function<std::optional<LabelDocument>(const QString& name)>;

    // The request a print link asks for: vantrel://print?label=NAME[&copies=N][&FIELD=VALUE]...
    // (or the scheme kestlabel). Links come from other programs and are untrusted: anything
    // malformed, or a label that is not found, gives nothing, silently. A link can only name a
    // label for the lookup; it never reaches a file.
    static std::optional<PrintRequest> fromURL(const QString& url, const LabelLookup& lookup);

    friend bool operator==(const PrintRequest&, const PrintRequest&) = default;
};

} // namespace vantrel
