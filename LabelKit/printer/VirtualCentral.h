#pragma once

#include "LabelKit/platform/Clock.h"
#include "LabelKit/printer/BleCentral.h"
#include "LabelKit/printer/VirtualPrinter.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <functional>

namespace vantrel {

// A central whose radio and peripherals are simulated in-process: the virtual printers added
// to it. Its radio reports `initialState` shortly after creation, as a real stack does; while
// scanning, every present printer that is not connected advertises every
// advertisingInterval(). Each operation on a printer is answered after that printer's latency.
class VirtualCentral : public BleCentral {
    Q_OBJECT
public:
    explicit VirtualCentral(BluetoothState initialState = BluetoothState::poweredOn,
                            QObject* parent = nullptr);

    // Takes the printer as its child.
    VirtualPrinter* addPrinter(VirtualPrinter* printer);
    const QList<VirtualPrinter*>& printers() const { return m_printers; }

    // Changes the radio; the state callback follows from the event loop. A radio that stops
    // being powered on drops every link without a disconnection callback, as a real stack does.
    void setState(BluetoothState state);
    Clock::duration advertisingInterval() const { return m_advertisingInterval; }
    void setAdvertisingInterval(Clock::duration interval);
    // One advertisement of the printer now, with this signal, whether scanning or not.
    void advertise(VirtualPrinter* printer, int rssi);
    // A notification from the printer now, unasked, if its link is up and notifying.
    void notify(VirtualPrinter* printer, const QByteArray& value);

    BluetoothState state() const override { return m_state; }
    bool isScanning() const override { return m_scanning; }
    void scanForPeripherals() override;
    void stopScan() override;
    bool retrievePeripheral(const QUuid& peripheral) override;
    PeripheralState peripheralState(const QUuid& peripheral) const override;
    void connectPeripheral(const QUuid& peripheral) override;
    void cancelPeripheralConnection(const QUuid& peripheral) override;
    void discoverServices(const QUuid& peripheral, const QList<QBluetoothUuid>& services) override;
    QList<QBluetoothUuid> services(const QUuid& peripheral) const override;
    void discoverCharacteristics(const QUuid& peripheral, const QBluetoothUuid& service,
                                 const QList<QBluetoothUuid>& characteristics) override;
    QList<QBluetoothUuid> characteristics(const QUuid& peripheral,
                                          const QBluetoothUuid& service) const override;
    void setNotifyValue(const QUuid& peripheral, const GattCharacteristic& characteristic,
                        bool enabled) override;
    void writeValue(const QUuid& peripheral, const GattCharacteristic& characteristic,
                    const QByteArray& value) override;
    std::optional<qint64> maximumWriteLength(const QUuid& peripheral) const override;

private:
    struct Link {
        PeripheralState state = PeripheralState::disconnected;
        quint64 generation = 0; // callbacks of an older connection are dropped
        qint64 writes = 0;
        bool servicesDiscovered = false;
        bool characteristicsDiscovered = false;
        bool notifying = false;
    };

    VirtualPrinter* printer(const QUuid& peripheral) const;
    // Runs `callback` after the printer's latency (times `steps`), unless the connection it
    // belongs to has ended or been replaced by then.
    void later(VirtualPrinter* printer, int steps, std::function<void()> callback);
    void dropLink(VirtualPrinter* printer, const QString& reason);
    void advertiseAll();

    BluetoothState m_state = BluetoothState::unknown;
    bool m_scanning = false;
    QList<VirtualPrinter*> m_printers;
    QHash<QUuid, Link> m_links;
    QSet<QUuid> m_seen;
    Timer m_advertiser;
    Clock::duration m_advertisingInterval{0.1};
};

} // namespace vantrel
