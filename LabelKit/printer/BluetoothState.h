#pragma once

namespace vantrel {

// The radio as the central reports it; the values are those of the platform's central API.
enum class BluetoothState {
    unknown = 0,
    resetting = 1,
    unsupported = 2,
    unauthorized = 3,
    poweredOff = 4,
    poweredOn = 5,
};

// A peripheral's link as the central reports it; only `connected` makes a link usable.
enum class PeripheralState {
    disconnected = 0,
    connecting = 1,
    connected = 2,
    disconnecting = 3,
};

} // namespace vantrel
