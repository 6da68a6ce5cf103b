#pragma once

#include "LabelKit/platform/Clock.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/print/PrintItem.h"
#include "LabelKit/printer/BleCentral.h"
#include "LabelKit/printer/Completion.h"
#include "LabelKit/printer/DiscoveredPrinter.h"
#include "LabelKit/printer/PrinterActivity.h"
#include "LabelKit/printer/PrinterError.h"
#include "LabelKit/printer/PrinterInfo.h"
#include "LabelKit/printer/PrinterRegistry.h"

#include <QBluetoothUuid>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>

#include <qcoro/qcorotask.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace vantrel {

// The one object through which the application talks to label printers: it follows the radio,
// scans while asked to, keeps the sorted list of printers seen, connects to one printer at a
// time by its advertised name, writes jobs in acknowledged chunks, runs print, raw-send and
// info-read operations strictly one after another, and drops an idle link after a while. The
// printer settings live in its registry(). Lives on the main thread; every field announces its
// real changes.
//
// Destroying the manager while an operation runs abandons that operation: it never completes.
class PrinterManager : public QObject {
    Q_OBJECT
public:
    static const QBluetoothUuid serviceUUID;
    static const QBluetoothUuid txUUID;
    static const QBluetoothUuid rxUUID;
    static const QStringList namePrefixes;
    // The request whose reply carries the model name and the firmware version.
    static const QByteArray infoRequest;

    // Called after each item with (items finished, items in total).
    using Progress = std::function<void(qint64 done, qint64 total)>;

    // Loads the settings from `defaults`, then takes `central` as its child and follows it.
    PrinterManager(SettingsStore* defaults, BleCentral* central, QObject* parent = nullptr);
    ~PrinterManager() override;

    BluetoothState bluetoothState() const { return m_bluetoothState; }
    const QList<DiscoveredPrinter>& printers() const { return m_printers; }
    const PrinterActivity& activity() const { return m_activity; }
    bool isScanning() const { return m_isScanning; }
    const QMap<QString, PrinterInfo>& info() const { return m_info; }

    // The printer settings, display names and the preferred printer; owned by the manager.
    PrinterRegistry* registry() const { return m_registry; }

    SettingsStore* defaults() const { return m_defaults; }
    BleCentral* central() const { return m_central; }
    // The advertised name of the printer being connected or connected, if any.
    const std::optional<QString>& linkName() const { return m_linkName; }

    // Views that show printers ask for scanning while they are on screen.
    void startScanning();
    void stopScanning();
    int scanRequests() const { return m_scanRequests; }

    // Drops the link now (the stack reports the disconnection later).
    void dropLink();
    bool isConnected(const QString& name) const;

    // How long a printer counts as available after it was last heard.
    static constexpr Clock::duration availabilityWindow{30.0};
    // Connected, or heard less than availabilityWindow ago.
    bool isAvailable(const DiscoveredPrinter& printer) const;

    // Prints the items in order on the named printer (the registry's preferred one when none is
    // named).
    // Throws PrinterError, or the UserError of an item that cannot be printed.
    QCoro::Task<> print(QList<PrintItem> items, std::optional<QString> printer,
                        Progress progress = {});
    // Writes the bytes unchanged to the named printer.
    QCoro::Task<> sendRaw(QByteArray data, QString printer);
    // Asks the printer for its model and firmware and keeps the answer in info().
    QCoro::Task<PrinterInfo> readInfo(QString name);

    // The printer's reply to infoRequest: the first text of at least four printable characters
    // that starts with "V" or contains "V1" gives the firmware (from its first "V"), the first
    // that starts with "CT" the model; `name` stands in for a missing model.
    static PrinterInfo parseInfo(const QByteArray& reply, const QString& name);

Q_SIGNALS:
    void bluetoothStateChanged();
    void printersChanged();
    void activityChanged();
    void isScanningChanged();
    void infoChanged();

private:
    class Watchdog;
    class QueueTurn;

    QCoro::Task<> waitPoweredOn();
    QCoro::Task<> connectPrinter(QString name);
    QCoro::Task<QUuid> findPeripheral(QString name);
    std::optional<QUuid> knownPeripheral(const QString& name);
    void updateScan();
    void scheduleIdleDisconnect();

    QCoro::Task<> write(QByteArray data);
    QCoro::Task<QByteArray> request(QByteArray data);
    void checkLink() const;
    std::unique_ptr<Watchdog> watchdog(double seconds, const QString& what);
    void failPending(const PrinterError& error);

    QCoro::Task<> awaitTurn();
    void releaseTurn();
    QCoro::Task<> printBody(QList<PrintItem> items, std::optional<QString> printer,
                            Progress progress);
    QCoro::Task<> sendItems(const QList<PrintItem>& items, const QString& name,
                            const Progress& progress);
    void finishOperation(const QString& name, bool succeeded);
    bool linkIsConnected() const;

    void centralDidUpdateState();
    void didDiscover(const QUuid& peripheral, const QString& localName,
                     const QString& peripheralName, int rssi);
    void didConnect(const QUuid& peripheral);
    void didFailToConnect(const QUuid& peripheral, const QString& error);
    void didDisconnect(const QUuid& peripheral);
    void didDiscoverServices(const QUuid& peripheral);
    void didDiscoverCharacteristics(const QUuid& peripheral, const QBluetoothUuid& service);
    void didUpdateNotificationState(const QUuid& peripheral);
    void didWriteValue(const QString& error);
    void didUpdateValue(const std::optional<QByteArray>& value);

    void setActivity(const PrinterActivity& activity);
    void setIsScanning(bool scanning);

    BluetoothState m_bluetoothState = BluetoothState::unknown;
    QList<DiscoveredPrinter> m_printers;
    PrinterActivity m_activity;
    bool m_isScanning = false;
    QMap<QString, PrinterInfo> m_info;
    SettingsStore* m_defaults;
    PrinterRegistry* m_registry;
    BleCentral* m_central;
    QSet<QUuid> m_peripherals;
    std::optional<QUuid> m_link;
    std::optional<QString> m_linkName;
    std::optional<GattCharacteristic> m_tx;
    std::optional<GattCharacteristic> m_rx;
    bool m_linkReady = false; // notifications confirmed on the current link
    WaiterList m_poweredWaiters;
    Completion<void> m_readyCont;
    Completion<void> m_writeCont;
    Completion<QByteArray> m_notifyCont;
    int m_searching = 0;
    Timer* m_idleTimer;
    bool m_queueBusy = false;
    std::deque<Waiter<void>*> m_queue;
    int m_scanRequests = 0;
};

} // namespace vantrel
