#pragma once

#include "LabelKit/printer/BleCentral.h"

#include <QBluetoothDeviceInfo>
#include <QHash>
#include <QPointer>

#include <functional>

class QBluetoothDeviceDiscoveryAgent;
class QDBusMessage;
class QDBusPendingCallWatcher;
class QLowEnergyController;
class QLowEnergyService;

namespace vantrel {

// The central of this machine: QtBluetooth over BlueZ's D-Bus interface. The radio's state is
// read from BlueZ itself: no system bus, no BlueZ or no adapter is `unsupported`, a refused
// D-Bus call `unauthorized`, an adapter that is not powered `poweredOff`; it is read again
// whenever BlueZ comes or goes or an adapter changes.
class QtBleCentral : public BleCentral {
    Q_OBJECT
public:
    explicit QtBleCentral(QObject* parent = nullptr);
    ~QtBleCentral() override;

    // What BlueZ's answer to the object listing means for the radio: the D-Bus error name when
    // the call failed (empty when it succeeded), else the Powered flag of each adapter.
    static BluetoothState stateFor(const QString& dbusError, const QList<bool>& adaptersPowered);

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

private Q_SLOTS:
    void probeState();
    void bluezObjectsChanged(const QDBusMessage& message);

private:
    struct Link {
        PeripheralState state = PeripheralState::disconnected;
        quint64 generation = 0;
        QPointer<QLowEnergyController> controller;
        QHash<QBluetoothUuid, QPointer<QLowEnergyService>> services;
        QList<QBluetoothUuid> discoveredServices;
        // Writes awaiting their acknowledgement, per service, oldest first.
        QHash<QBluetoothUuid, QList<QBluetoothUuid>> pendingWrites;
        // The characteristic whose notifications are being switched, per service.
        QHash<QBluetoothUuid, QBluetoothUuid> pendingNotify;
    };

    static QUuid identifierFor(const QBluetoothDeviceInfo& info);
    void setState(BluetoothState state);
    void probeFinished(QDBusPendingCallWatcher* call);
    void ensureAgent();
    void deviceSeen(const QBluetoothDeviceInfo& info);
    // Runs `callback` from the event loop, for connection `generation` of the peripheral only:
    // callbacks of a connection that was replaced are dropped.
    void post(const QUuid& peripheral, quint64 generation, std::function<void()> callback);
    void post(std::function<void()> callback);
    void dropController(Link& link);
    void watchController(const QUuid& peripheral, QLowEnergyController* controller);
    void watchService(const QUuid& peripheral, QLowEnergyService* service);
    void answerWrite(const QUuid& peripheral, const QBluetoothUuid& service,
                     const QBluetoothUuid& characteristic, const QString& error);

    BluetoothState m_state = BluetoothState::unknown;
    bool m_scanning = false;
    bool m_probing = false;
    bool m_probeAgain = false;
    QBluetoothDeviceDiscoveryAgent* m_agent = nullptr;
    QHash<QUuid, QBluetoothDeviceInfo> m_devices;
    QHash<QUuid, Link> m_links;
};

} // namespace vantrel
