#pragma once

#include "LabelKit/platform/Clock.h"

#include <QString>
#include <QUuid>

namespace vantrel {

// A printer heard while scanning, keyed everywhere by its advertised name.
struct DiscoveredPrinter {
    QString advertisedName;
    QUuid peripheralID;         // the central's identifier of the peripheral last seen
    int rssi = -100;            // dBm; "no reading" is stored as -100
    Clock::time_point lastSeen; // when last heard, or when its link last dropped

    const QString& id() const { return advertisedName; }

    friend bool operator==(const DiscoveredPrinter&, const DiscoveredPrinter&) = default;
};

} // namespace vantrel
