#include "views/BluetoothNotice.h"

namespace vantrel {

std::optional<BluetoothNotice> BluetoothNotice::forState(BluetoothState state) {
    switch (state) {
    case BluetoothState::unsupported:
        return BluetoothNotice{QStringLiteral("This device has no Bluetooth LE."),
                               QStringLiteral("xmark.octagon")};
    case BluetoothState::unauthorized:
        return BluetoothNotice{QStringLiteral("Bluetooth access is denied. Allow it in the "
                                              "system's Bluetooth settings."),
                               QStringLiteral("hand.raised")};
    case BluetoothState::poweredOff:
        return BluetoothNotice{QStringLiteral("Bluetooth is off. Turn it on to find printers."),
                               QStringLiteral("bolt.horizontal.circle")};
    case BluetoothState::unknown:
    case BluetoothState::resetting:
    case BluetoothState::poweredOn:
        break;
    }
    return std::nullopt;
}

} // namespace vantrel
