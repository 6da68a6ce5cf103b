#include "views/TransferStepper.h"

namespace vantrel {

TransferStepper TransferStepper::writeSize() {
    return {QStringLiteral("Write size"), QStringLiteral("bytes"), 20, 237, 1, 0};
}

TransferStepper TransferStepper::pause() {
    return {QStringLiteral("Pause between labels"), QStringLiteral("s"), 0.2, 5.0, 0.1, 1};
}

QString TransferStepper::label(double value, const QLocale& locale) const {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return prefix() + plain.toString(value, 'f', decimals) + suffix();
}

} // namespace vantrel
