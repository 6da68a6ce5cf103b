#pragma once

#include "LabelKit/model/LabelDocument.h"
#include "LabelKit/render/RenderedLabel.h"
#include "LabelKit/tspl/TSPL.h"

#include <QByteArray>

namespace tspljobs {

using namespace vantrel;

// A job of about `size` bytes as the encoder writes it: a white label 8 dots wide and as many
// rows as it takes.
inline QByteArray jobOfSize(qsizetype size) {
    auto job = [](qsizetype rows) {
        RenderedLabel label;
        label.width = 8;
        label.height = rows;
        label.pixels = QByteArray(rows * 8, char(255));
        return TSPL::job(label, LabelDocument(QStringLiteral("Blank"), 1, double(rows) / 8), 1);
    };
    const qsizetype overhead = job(1).size() - 1;
    return job(std::max<qsizetype>(1, size - overhead));
}

} // namespace tspljobs
