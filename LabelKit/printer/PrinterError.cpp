#include "LabelKit/printer/PrinterError.h"

#include "LabelKit/printer/BluetoothState.h"

namespace vantrel {

namespace {

QString messageFor(PrinterError::Kind kind, const QString& payload) {
    using Kind = PrinterError::Kind;
    switch (kind) {
    case Kind::notFound:
        return QStringLiteral("Can't find %1. Is it switched on, in range, and not connected to "
                              "another phone or the Clabel app?")
            .arg(payload);
    case Kind::connectFailed:
        return QStringLiteral("Couldn't connect: ") + payload;
    case Kind::writeFailed:
        return QStringLiteral("Sending failed: ") + payload;
    case Kind::timeout:
        return QStringLiteral("Timed out ") + payload + u'.';
    case Kind::bluetoothOff:
        return QStringLiteral("Bluetooth is turned off.");
    case Kind::bluetoothUnauthorized:
        return QStringLiteral(
            "Bluetooth permission was denied. Allow it in the system's Bluetooth settings.");
    case Kind::bluetoothUnsupported:
        return QStringLiteral("Bluetooth LE is not available on this device.");
    case Kind::noPrinterSelected:
        return QStringLiteral("No printer selected.");
    case Kind::disconnected:
        return QStringLiteral("The printer disconnected.");
    case Kind::serviceMissing:
        return QStringLiteral("This device doesn't look like a CT221B (print service missing).");
    }
    return {};
}

} // namespace

PrinterError::PrinterError(Kind kind, QString payload)
    : UserError(messageFor(kind, payload)), m_kind(kind), m_payload(std::move(payload)) {}

PrinterError PrinterError::notFound(const QString& displayName) {
    return {Kind::notFound, displayName};
}
PrinterError PrinterError::connectFailed(const QString& reason) {
    return {Kind::connectFailed, reason};
}
PrinterError PrinterError::writeFailed(const QString& reason) {
    return {Kind::writeFailed, reason};
}
PrinterError PrinterError::timeout(const QString& what) {
    return {Kind::timeout, what};
}
PrinterError PrinterError::bluetoothOff() {
    return {Kind::bluetoothOff, {}};
}
PrinterError PrinterError::bluetoothUnauthorized() {
    return {Kind::bluetoothUnauthorized, {}};
}
PrinterError PrinterError::bluetoothUnsupported() {
    return {Kind::bluetoothUnsupported, {}};
}
PrinterError PrinterError::noPrinterSelected() {
    return {Kind::noPrinterSelected, {}};
}
PrinterError PrinterError::disconnected() {
    return {Kind::disconnected, {}};
}
PrinterError PrinterError::serviceMissing() {
    return {Kind::serviceMissing, {}};
}

std::optional<PrinterError> PrinterError::forState(BluetoothState state) {
    switch (state) {
    case BluetoothState::unsupported:
        return bluetoothUnsupported();
    case BluetoothState::unauthorized:
        return bluetoothUnauthorized();
    case BluetoothState::poweredOff:
        return bluetoothOff();
    case BluetoothState::unknown:
    case BluetoothState::resetting:
    case BluetoothState::poweredOn:
        break;
    }
    return std::nullopt;
}

} // namespace vantrel
