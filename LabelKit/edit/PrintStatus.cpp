#include "LabelKit/edit/PrintStatus.h"

namespace vantrel {

QString PrintStatus::text() const {
    switch (kind) {
    case Kind::printing:
        return QStringLiteral("Printing %1 of %2").arg(done).arg(total);
    case Kind::done:
        return QStringLiteral("Sent %1 label%2").arg(sent).arg(sent == 1 ? "" : "s");
    case Kind::failed:
        return message;
    case Kind::ready:
        break;
    }
    return {};
}

} // namespace vantrel
