#pragma once

#include <QList>
#include <QString>

namespace vantrel {

// A two-dimensional symbol, one entry per module, row-major from the top-left corner.
struct ModuleMatrix {
    int width = 0;
    int height = 0;
    QList<bool> dark; // width x height, true = dark module

    bool isDark(int x, int y) const { return dark[qsizetype(y) * width + x]; }

    friend bool operator==(const ModuleMatrix&, const ModuleMatrix&) = default;
};

// A row of modules as "0101…", 1 for a dark module.
inline QString moduleText(const QList<bool>& modules) {
    QString text;
    text.reserve(modules.size());
    for (const bool dark : modules) {
        text.append(dark ? u'1' : u'0');
    }
    return text;
}

} // namespace vantrel
