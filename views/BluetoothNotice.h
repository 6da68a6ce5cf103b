#pragma once

#include "LabelKit/printer/BluetoothState.h"

#include <QString>

#include <optional>

namespace vantrel {

// Why no printer can be found while the radio is missing, forbidden or off: a line of text
// and the SF Symbol name of its icon.
struct BluetoothNotice {
    QString text;
    QString symbol;

    // Nothing while the radio is on, or its state is not yet known or settling.
    static std::optional<BluetoothNotice> forState(BluetoothState state);

    friend bool operator==(const BluetoothNotice&, const BluetoothNotice&) = default;
};

} // namespace vantrel
