#pragma once

#include <QString>

namespace vantrel {

// What a printer reports about itself when asked.
struct PrinterInfo {
    QString firmware;
    QString name; // the model name

    friend bool operator==(const PrinterInfo&, const PrinterInfo&) = default;
};

} // namespace vantrel
