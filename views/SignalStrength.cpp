#include "views/SignalStrength.h"

namespace vantrel::SignalStrength {

int bars(int rssi) {
    if (rssi >= -59) {
        return 4;
    }
    if (rssi >= -69) {
        return 3;
    }
    if (rssi >= -79) {
        return 2;
    }
    return 1;
}

QString accessibleText(int rssi) {
    return QStringLiteral("Signal %1 dBm").arg(rssi);
}

} // namespace vantrel::SignalStrength
