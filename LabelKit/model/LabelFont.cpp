#include "LabelKit/model/LabelFont.h"

#include <QHashFunctions>

namespace vantrel {

const QList<LabelFont>& LabelFont::all() {
    static const QList<LabelFont> fonts{
        {QStringLiteral("Helvetica"), QStringLiteral("Helvetica"),
         QStringLiteral("Helvetica-Bold")},
        {QStringLiteral("Avenir Next"), QStringLiteral("AvenirNext-Regular"),
         QStringLiteral("AvenirNext-Bold")},
        {QStringLiteral("Avenir Next Condensed"), QStringLiteral("AvenirNextCondensed-Regular"),
         QStringLiteral("AvenirNextCondensed-Bold")},
        {QStringLiteral("Menlo"), QStringLiteral("Menlo-Regular"), QStringLiteral("Menlo-Bold")},
        {QStringLiteral("Georgia"), QStringLiteral("Georgia"), QStringLiteral("Georgia-Bold")},
        {QStringLiteral("Courier New"), QStringLiteral("CourierNewPSMT"),
         QStringLiteral("CourierNewPS-BoldMT")},
    };
    return fonts;
}

const LabelFont& LabelFont::named(const QString& family) {
    for (const LabelFont& font : all()) {
        if (font.family == family) {
            return font;
        }
    }
    return all().front();
}

size_t qHash(const LabelFont& font, size_t seed) noexcept {
    return qHashMulti(seed, font.family, font.regular, font.bold);
}

} // namespace vantrel
