#include "LabelKit/printer/PrinterActivity.h"

namespace vantrel {

QString PrinterActivity::toString() const {
    switch (kind) {
    case Kind::idle:
        return QStringLiteral("idle");
    case Kind::connecting:
        return QStringLiteral("connecting ") + printer;
    case Kind::connected:
        return QStringLiteral("connected ") + printer;
    case Kind::printing:
        return QStringLiteral("printing %1 %2/%3").arg(printer).arg(done).arg(total);
    }
    return {};
}

} // namespace vantrel
