#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <set>

namespace vantrel {

// Digits printed under a retail symbol, centred over the modules start <= i < end.
struct RetailGroup {
    QString text;
    int start = 0;
    int end = 0;

    friend bool operator==(const RetailGroup&, const RetailGroup&) = default;
};

// An EAN or UPC symbol as modules plus what its human-readable line needs. Quiet zones are not
// part of the modules; the painter adds them.
struct RetailSymbol {
    QList<bool> modules;  // left to right, true = dark bar module, guards included
    std::set<int> guards; // module indexes whose bars reach down into the digits
    QList<RetailGroup> groups;
    std::optional<QString> leftDigit;  // printed left of the bars
    std::optional<QString> rightDigit; // printed right of the bars
    QString digits;                    // every encoded digit, check digit included

    friend bool operator==(const RetailSymbol&, const RetailSymbol&) = default;
};

} // namespace vantrel
