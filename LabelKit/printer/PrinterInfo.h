#pragma once

#include <QString>

// What a printer reports about itself when asked.
struct PrinterInfo {
    QString firmware;
    QString name; // the model name

    friend bool operator==(const PrinterInfo&, const PrinterInfo&) = default;
};
