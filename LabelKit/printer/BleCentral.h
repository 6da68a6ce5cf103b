#pragma once

#include "LabelKit/printer/BluetoothState.h"

#include <QBluetoothUuid>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

namespace vantrel {

// A characteristic of a peripheral's service, named by the two UUIDs.
struct GattCharacteristic {
    QBluetoothUuid service;
    QBluetoothUuid uuid;

    friend bool operator==(const GattCharacteristic&, const GattCharacteristic&) = default;
};

// The Bluetooth LE central role, narrowed to what the printer manager uses. Peripherals are
// named by the central's identifier (a UUID stable for the run).
//
// Contract of every backend: all calls and signals happen on the main thread; a signal that an
// operation causes is never emitted from inside that call but later from the event loop; each
// writeValue() is answered by exactly one valueWritten(); connectPeripheral() by exactly one of
// connected() or failedToConnect() (or nothing, while the device cannot be reached, until the
// connection is cancelled). Callbacks of a connection that was cancelled are not delivered once
// a new connection to the same peripheral has been asked for.
class BleCentral : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual BluetoothState state() const = 0;
    virtual bool isScanning() const = 0;

    // Scans without a service filter and reports every advertisement received, duplicates
    // included, through discovered() until stopScan().
    virtual void scanForPeripherals() = 0;
    virtual void stopScan() = 0;

    // Whether the central knows a peripheral with this identifier, so that it can connect to it.
    virtual bool retrievePeripheral(const QUuid& peripheral) = 0;
    virtual PeripheralState peripheralState(const QUuid& peripheral) const = 0;

    virtual void connectPeripheral(const QUuid& peripheral) = 0;
    virtual void cancelPeripheralConnection(const QUuid& peripheral) = 0;

    virtual void discoverServices(const QUuid& peripheral,
                                  const QList<QBluetoothUuid>& services) = 0;
    // The services discovered so far.
    virtual QList<QBluetoothUuid> services(const QUuid& peripheral) const = 0;
    virtual void discoverCharacteristics(const QUuid& peripheral, const QBluetoothUuid& service,
                                         const QList<QBluetoothUuid>& characteristics) = 0;
    // The characteristics of the service discovered so far.
    virtual QList<QBluetoothUuid> characteristics(const QUuid& peripheral,
                                                  const QBluetoothUuid& service) const = 0;

    virtual void setNotifyValue(const QUuid& peripheral, const GattCharacteristic& characteristic,
                                bool enabled) = 0;
    // A write with response.
    virtual void writeValue(const QUuid& peripheral, const GattCharacteristic& characteristic,
                            const QByteArray& value) = 0;
    // The largest value a write with response may carry on the link, or nothing when the stack
    // cannot tell.
    virtual std::optional<qint64> maximumWriteLength(const QUuid& peripheral) const = 0;

Q_SIGNALS:
    void stateChanged();
    void scanningChanged();
    // One advertisement. `localName` is the advertised local name, `peripheralName` the name the
    // stack knows the device by; either is a null QString when absent. `rssi` 127 means no
    // reading.
    void discovered(const QUuid& peripheral, const QString& localName,
                    const QString& peripheralName, int rssi);
    void connected(const QUuid& peripheral);
    // `error` is a null QString when the stack gives no reason.
    void failedToConnect(const QUuid& peripheral, const QString& error);
    void disconnected(const QUuid& peripheral, const QString& error);
    void servicesDiscovered(const QUuid& peripheral);
    void characteristicsDiscovered(const QUuid& peripheral, const QBluetoothUuid& service);
    void notificationStateUpdated(const QUuid& peripheral, const GattCharacteristic& characteristic,
                                  const QString& error);
    // The acknowledgement of one write; `error` is a null QString on success.
    void valueWritten(const QUuid& peripheral, const GattCharacteristic& characteristic,
                      const QString& error);
    // A notification; `value` is absent when the stack delivers none.
    void valueUpdated(const QUuid& peripheral, const GattCharacteristic& characteristic,
                      const std::optional<QByteArray>& value);
};

} // namespace vantrel
