#include "LabelKit/printer/VirtualCentral.h"

#include "LabelKit/printer/PrinterManager.h"

#include <QRandomGenerator>
#include <QTimer>

namespace vantrel {

VirtualCentral::VirtualCentral(BluetoothState initialState, QObject* parent)
    : BleCentral(parent), m_advertiser(this) {
    m_advertiser.setRepeating(true);
    connect(&m_advertiser, &Timer::timeout, this, &VirtualCentral::advertiseAll);
    setState(initialState);
}

VirtualPrinter* VirtualCentral::addPrinter(VirtualPrinter* printer) {
    printer->setParent(this);
    m_printers.append(printer);
    return printer;
}

VirtualPrinter* VirtualCentral::printer(const QUuid& peripheral) const {
    for (VirtualPrinter* printer : m_printers) {
        if (printer->id() == peripheral) {
            return printer;
        }
    }
    return nullptr;
}

void VirtualCentral::setState(BluetoothState state) {
    QTimer::singleShot(0, this, [this, state] {
        m_state = state;
        if (state != BluetoothState::poweredOn) {
            for (VirtualPrinter* printer : std::as_const(m_printers)) {
                Link& link = m_links[printer->id()];
                if (link.state != PeripheralState::disconnected) {
                    ++link.generation;
                    link.state = PeripheralState::disconnected;
                    printer->linkDropped();
                }
            }
            if (m_scanning) {
                m_scanning = false;
                m_advertiser.stop();
                Q_EMIT scanningChanged();
            }
        }
        Q_EMIT stateChanged();
    });
}

void VirtualCentral::setAdvertisingInterval(Clock::duration interval) {
    m_advertisingInterval = interval;
    if (m_advertiser.isActive()) {
        m_advertiser.start(interval);
    }
}

void VirtualCentral::later(VirtualPrinter* printer, int steps, std::function<void()> callback) {
    const QUuid id = printer->id();
    const quint64 generation = m_links.value(id).generation;
    QTimer::singleShot(Clock::timerMilliseconds(printer->latency() * steps), Qt::PreciseTimer, this,
                       [this, id, generation, callback = std::move(callback)] {
                           if (m_links.value(id).generation == generation) {
                               callback();
                           }
                       });
}

void VirtualCentral::scanForPeripherals() {
    if (m_state != BluetoothState::poweredOn || m_scanning) {
        return;
    }
    m_scanning = true;
    m_advertiser.start(m_advertisingInterval);
    QTimer::singleShot(0, this, [this] {
        Q_EMIT scanningChanged();
        advertiseAll();
    });
}

void VirtualCentral::stopScan() {
    if (!m_scanning) {
        return;
    }
    m_scanning = false;
    m_advertiser.stop();
    QTimer::singleShot(0, this, [this] { Q_EMIT scanningChanged(); });
}

void VirtualCentral::advertiseAll() {
    if (!m_scanning || m_state != BluetoothState::poweredOn) {
        return;
    }
    for (VirtualPrinter* printer : std::as_const(m_printers)) {
        if (printer->faults().absent ||
            m_links.value(printer->id()).state != PeripheralState::disconnected) {
            continue;
        }
        const int jitter = printer->rssiJitter();
        const int rssi =
            printer->rssi() +
            (jitter > 0 ? int(QRandomGenerator::global()->bounded(2 * jitter + 1)) - jitter : 0);
        advertise(printer, rssi);
    }
}

void VirtualCentral::advertise(VirtualPrinter* printer, int rssi) {
    m_seen.insert(printer->id());
    Q_EMIT discovered(printer->id(), printer->localName(), printer->peripheralName(), rssi);
}

void VirtualCentral::notify(VirtualPrinter* printer, const QByteArray& value) {
    const Link link = m_links.value(printer->id());
    if (link.state == PeripheralState::connected && link.notifying) {
        Q_EMIT valueUpdated(printer->id(),
                            GattCharacteristic{PrinterManager::serviceUUID, PrinterManager::rxUUID},
                            value);
    }
}

bool VirtualCentral::retrievePeripheral(const QUuid& peripheral) {
    return m_seen.contains(peripheral) && printer(peripheral);
}

PeripheralState VirtualCentral::peripheralState(const QUuid& peripheral) const {
    return m_links.value(peripheral).state;
}

void VirtualCentral::connectPeripheral(const QUuid& peripheral) {
    VirtualPrinter* target = printer(peripheral);
    if (!target) {
        return;
    }
    ++target->m_connectionRequests;
    Link& link = m_links[peripheral];
    link = Link{PeripheralState::connecting, link.generation + 1, 0, false, false, false};
    if (m_state != BluetoothState::poweredOn || target->faults().absent) {
        return; // pending until the device answers or the connection is cancelled
    }
    if (target->faults().refuseConnection) {
        later(target, 1, [this, peripheral] {
            Link& current = m_links[peripheral];
            ++current.generation;
            current.state = PeripheralState::disconnected;
            Q_EMIT failedToConnect(peripheral,
                                   QStringLiteral("The printer refused the connection."));
        });
        return;
    }
    later(target, 1, [this, peripheral] {
        m_links[peripheral].state = PeripheralState::connected;
        Q_EMIT connected(peripheral);
    });
}

void VirtualCentral::cancelPeripheralConnection(const QUuid& peripheral) {
    VirtualPrinter* target = printer(peripheral);
    Link& link = m_links[peripheral];
    if (!target || link.state == PeripheralState::disconnected ||
        link.state == PeripheralState::disconnecting) {
        return;
    }
    ++link.generation;
    link.state = PeripheralState::disconnecting;
    target->linkDropped();
    later(target, 1, [this, peripheral] {
        m_links[peripheral].state = PeripheralState::disconnected;
        Q_EMIT disconnected(peripheral, QString());
    });
}

void VirtualCentral::dropLink(VirtualPrinter* target, const QString& reason) {
    Link& link = m_links[target->id()];
    ++link.generation;
    link.state = PeripheralState::disconnected;
    target->linkDropped();
    Q_EMIT disconnected(target->id(), reason);
}

void VirtualCentral::discoverServices(const QUuid& peripheral, const QList<QBluetoothUuid>&) {
    VirtualPrinter* target = printer(peripheral);
    if (!target || peripheralState(peripheral) != PeripheralState::connected) {
        return;
    }
    later(target, 1, [this, peripheral] {
        m_links[peripheral].servicesDiscovered = true;
        Q_EMIT servicesDiscovered(peripheral);
    });
}

QList<QBluetoothUuid> VirtualCentral::services(const QUuid& peripheral) const {
    VirtualPrinter* target = printer(peripheral);
    if (!target || !m_links.value(peripheral).servicesDiscovered) {
        return {};
    }
    return target->services();
}

void VirtualCentral::discoverCharacteristics(const QUuid& peripheral, const QBluetoothUuid& service,
                                             const QList<QBluetoothUuid>&) {
    VirtualPrinter* target = printer(peripheral);
    if (!target || peripheralState(peripheral) != PeripheralState::connected) {
        return;
    }
    later(target, 1, [this, peripheral, service] {
        m_links[peripheral].characteristicsDiscovered = true;
        Q_EMIT characteristicsDiscovered(peripheral, service);
    });
}

QList<QBluetoothUuid> VirtualCentral::characteristics(const QUuid& peripheral,
                                                      const QBluetoothUuid& service) const {
    VirtualPrinter* target = printer(peripheral);
    if (!target || !m_links.value(peripheral).characteristicsDiscovered) {
        return {};
    }
    return target->characteristics(service);
}

void VirtualCentral::setNotifyValue(const QUuid& peripheral,
                                    const GattCharacteristic& characteristic, bool enabled) {
    VirtualPrinter* target = printer(peripheral);
    if (!target || peripheralState(peripheral) != PeripheralState::connected) {
        return;
    }
    const bool notifiable =
        characteristic.uuid == PrinterManager::rxUUID &&
        target->characteristics(characteristic.service).contains(characteristic.uuid);
    later(target, 1, [this, peripheral, characteristic, enabled, notifiable] {
        m_links[peripheral].notifying = enabled && notifiable;
        Q_EMIT notificationStateUpdated(
            peripheral, characteristic,
            notifiable ? QString() : QStringLiteral("The characteristic does not notify."));
    });
}

void VirtualCentral::writeValue(const QUuid& peripheral, const GattCharacteristic& characteristic,
                                const QByteArray& value) {
    VirtualPrinter* target = printer(peripheral);
    if (!target) {
        return;
    }
    target->m_maxWritesInFlight = std::max(target->m_maxWritesInFlight, ++target->m_writesInFlight);
    const auto refuse = [&](const QString& reason) {
        later(target, 1, [this, target, peripheral, characteristic, reason] {
            --target->m_writesInFlight;
            Q_EMIT valueWritten(peripheral, characteristic, reason);
        });
    };
    Link& link = m_links[peripheral];
    if (link.state != PeripheralState::connected) {
        refuse(QStringLiteral("The printer is not connected."));
        return;
    }
    if (characteristic.uuid != PrinterManager::txUUID ||
        !target->characteristics(characteristic.service).contains(characteristic.uuid)) {
        refuse(QStringLiteral("The characteristic cannot be written."));
        return;
    }
    const qint64 chunk = ++link.writes;
    const VirtualPrinter::Faults& faults = target->faults();
    const auto limit = target->maximumWriteLength();
    if (limit && value.size() > *limit) {
        refuse(QStringLiteral("The value is longer than the link allows (%1 > %2 bytes).")
                   .arg(value.size())
                   .arg(*limit));
        return;
    }
    if (faults.failWrite == chunk) {
        refuse(QStringLiteral("The printer rejected the data."));
        return;
    }
    if (faults.ignoreWrite == chunk) {
        return;
    }
    later(target, 1, [this, target, peripheral, characteristic, value, chunk] {
        const bool infoRequested = target->receive(value);
        --target->m_writesInFlight;
        Q_EMIT valueWritten(peripheral, characteristic, QString());
        if (target->faults().dropAfter == chunk) {
            dropLink(target, QStringLiteral("The link was lost."));
            return;
        }
        if (infoRequested && !target->faults().silentInfo && m_links.value(peripheral).notifying) {
            later(target, 1, [this, target, peripheral] {
                Q_EMIT valueUpdated(
                    peripheral,
                    GattCharacteristic{PrinterManager::serviceUUID, PrinterManager::rxUUID},
                    target->m_infoReply);
            });
        }
    });
}

std::optional<qint64> VirtualCentral::maximumWriteLength(const QUuid& peripheral) const {
    VirtualPrinter* target = printer(peripheral);
    return target ? target->maximumWriteLength() : std::nullopt;
}

} // namespace vantrel
