#include "LabelKit/model/LabelDocument.h"

#include "LabelKit/model/Dots.h"
#include "LabelKit/platform/Clock.h"

#include <QHashFunctions>

#include <utility>

namespace vantrel {

LabelDocument::LabelDocument(QString name, double widthMM, double heightMM,
                             QList<LabelElement> elements)
    : id(QUuid::createUuid())
    , name(std::move(name))
    , widthMM(widthMM)
    , heightMM(heightMM)
    , elements(std::move(elements))
    , modified(Clock::wallNow()) {}

std::optional<qint64> LabelDocument::widthDots() const {
    return Dots::from(widthMM);
}

std::optional<qint64> LabelDocument::heightDots() const {
    return Dots::from(heightMM);
}

const LabelElement* LabelDocument::element(const QUuid& elementID) const {
    for (const LabelElement& e : elements) {
        if (e.id == elementID) {
            return &e;
        }
    }
    return nullptr;
}

size_t qHash(const LabelDocument& d, size_t seed) noexcept {
    seed = qHashMulti(seed, d.id, d.name, d.widthMM, d.heightMM, d.gapMM, d.density,
                      d.modified.toMSecsSinceEpoch(), d.dataName.has_value(),
                      d.dataName.value_or(QString()), d.dataHasHeader);
    for (const LabelElement& e : d.elements) {
        seed = qHash(e, seed);
    }
    return seed;
}

} // namespace vantrel
