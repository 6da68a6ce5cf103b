#include "LabelKit/printer/PrinterManager.h"

#include <QPointer>

#include <algorithm>
#include <cmath>

namespace vantrel {

using namespace std::chrono_literals;

namespace {

constexpr qint64 minimumChunk = 20;
constexpr double perCopyPause = 0.8;
constexpr auto churnWindow = 2.0s;
constexpr auto presenceWindow = 10.0s;
constexpr Clock::duration searchPoll{0.2};
constexpr int searchPolls = 40;
constexpr int noRssi = 127;
constexpr int rssiFloor = -100;
constexpr int rssiTolerance = 4;

} // namespace

const QBluetoothUuid PrinterManager::serviceUUID{
    QStringLiteral("49535343-FE7D-4AE5-8FA9-9FAFD205E455")};
const QBluetoothUuid PrinterManager::txUUID{QStringLiteral("49535343-8841-43F4-A8D4-ECBE34729BB3")};
const QBluetoothUuid PrinterManager::rxUUID{QStringLiteral("49535343-1E4D-4BD9-BA61-23C647249616")};
const QStringList PrinterManager::namePrefixes{QStringLiteral("CT221B")};
const QByteArray PrinterManager::infoRequest =
    QByteArray::fromHex(QByteArrayLiteral("DD0005040000E5DD"));

// Fails every pending wait with a timeout unless it is destroyed first. Owned by the waiting
// coroutine; the timer is the manager's child, so it dies with the manager.
class PrinterManager::Watchdog {
public:
    Watchdog(PrinterManager* manager, double seconds, const QString& what)
        : m_timer(new Timer(manager)) {
        QObject::connect(m_timer, &Timer::timeout, manager,
                         [manager, what] { manager->failPending(PrinterError::timeout(what)); });
        m_timer->start(Clock::duration(seconds));
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
    ~Watchdog() {
        if (m_timer) {
            m_timer->stop();
            m_timer->deleteLater();
        }
    }

private:
    QPointer<Timer> m_timer;
};

// Hands the queue on to the next operation however the current one ends.
class PrinterManager::QueueTurn {
public:
    explicit QueueTurn(PrinterManager* manager) : m_manager(manager) {}
    QueueTurn(const QueueTurn&) = delete;
    QueueTurn& operator=(const QueueTurn&) = delete;
    ~QueueTurn() { m_manager->releaseTurn(); }

private:
    PrinterManager* m_manager;
};

PrinterManager::PrinterManager(SettingsStore* defaults, BleCentral* central, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_registry(new PrinterRegistry(
          defaults, [this] { return m_printers; }, this))
    , m_central(central)
    , m_poweredWaiters(this)
    , m_readyCont(this)
    , m_writeCont(this)
    , m_notifyCont(this)
    , m_idleTimer(new Timer(this)) {
    connect(this, &PrinterManager::printersChanged, m_registry, &PrinterRegistry::printersChanged);

    m_central->setParent(this);
    m_bluetoothState = m_central->state();
    m_isScanning = m_central->isScanning();
    connect(m_central, &BleCentral::stateChanged, this, &PrinterManager::centralDidUpdateState);
    connect(m_central, &BleCentral::scanningChanged, this,
            [this] { setIsScanning(m_central->isScanning()); });
    connect(m_central, &BleCentral::discovered, this, &PrinterManager::didDiscover);
    connect(m_central, &BleCentral::connected, this, &PrinterManager::didConnect);
    connect(m_central, &BleCentral::failedToConnect, this, &PrinterManager::didFailToConnect);
    connect(m_central, &BleCentral::disconnected, this,
            [this](const QUuid& peripheral) { didDisconnect(peripheral); });
    connect(m_central, &BleCentral::servicesDiscovered, this, &PrinterManager::didDiscoverServices);
    connect(m_central, &BleCentral::characteristicsDiscovered, this,
            &PrinterManager::didDiscoverCharacteristics);
    connect(m_central, &BleCentral::notificationStateUpdated, this,
            [this](const QUuid& peripheral) { didUpdateNotificationState(peripheral); });
    connect(m_central, &BleCentral::valueWritten, this,
            [this](const QUuid&, const GattCharacteristic&, const QString& error) {
                didWriteValue(error);
            });
    connect(m_central, &BleCentral::valueUpdated, this,
            [this](const QUuid&, const GattCharacteristic&,
                   const std::optional<QByteArray>& value) { didUpdateValue(value); });

    connect(m_idleTimer, &Timer::timeout, this, &PrinterManager::dropLink);
}

PrinterManager::~PrinterManager() {
    // The central goes first, while the members its signals reach still exist.
    QObject::disconnect(m_central, nullptr, this, nullptr);
    delete m_central;
}

bool PrinterManager::isAvailable(const DiscoveredPrinter& printer) const {
    return isConnected(printer.advertisedName) ||
           Clock::now() - printer.lastSeen < availabilityWindow;
}

// Observable fields

void PrinterManager::setActivity(const PrinterActivity& activity) {
    if (activity == m_activity) {
        return;
    }
    m_activity = activity;
    Q_EMIT activityChanged();
}

void PrinterManager::setIsScanning(bool scanning) {
    if (scanning == m_isScanning) {
        return;
    }
    m_isScanning = scanning;
    Q_EMIT isScanningChanged();
}

// Scanning and the radio

void PrinterManager::startScanning() {
    ++m_scanRequests;
    updateScan();
}

void PrinterManager::stopScanning() {
    m_scanRequests = std::max(0, m_scanRequests - 1);
    updateScan();
}

void PrinterManager::updateScan() {
    const bool wanted = m_scanRequests >= 1 || m_searching >= 1;
    if (wanted && m_bluetoothState == BluetoothState::poweredOn) {
        if (!m_central->isScanning()) {
            m_central->scanForPeripherals();
        }
    } else if (m_central->isScanning()) {
        m_central->stopScan();
    }
    setIsScanning(m_central->isScanning());
}

void PrinterManager::centralDidUpdateState() {
    const BluetoothState state = m_central->state();
    if (state != m_bluetoothState) {
        m_bluetoothState = state;
        Q_EMIT bluetoothStateChanged();
    }
    if (state == BluetoothState::poweredOn) {
        m_poweredWaiters.resumeAll();
    } else if (const auto error = PrinterError::forState(state)) {
        failPending(*error);
    }
    if (state != BluetoothState::poweredOn) {
        m_link.reset();
        m_linkName.reset();
        m_tx.reset();
        m_linkReady = false;
        setActivity(PrinterActivity::idle());
    }
    updateScan();
}

QCoro::Task<> PrinterManager::waitPoweredOn() {
    const BluetoothState state = m_central->state();
    if (state == BluetoothState::poweredOn) {
        co_return;
    }
    if (const auto error = PrinterError::forState(state)) {
        throw *error;
    }
    const auto dog = watchdog(5.0, QStringLiteral("waiting for Bluetooth"));
    co_await m_poweredWaiters.wait();
}

void PrinterManager::didDiscover(const QUuid& peripheral, const QString& localName,
                                 const QString& peripheralName, int rssi) {
    const QString name = !localName.isNull()        ? localName
                         : !peripheralName.isNull() ? peripheralName
                                                    : QString();
    const bool qualifies =
        std::any_of(namePrefixes.cbegin(), namePrefixes.cend(),
                    [&](const QString& prefix) { return name.startsWith(prefix); });
    if (!qualifies) {
        return;
    }
    m_peripherals.insert(peripheral);
    const int signal = rssi == noRssi ? rssiFloor : rssi;
    const Clock::time_point now = Clock::now();

    const auto entry =
        std::find_if(m_printers.begin(), m_printers.end(),
                     [&](const DiscoveredPrinter& p) { return p.advertisedName == name; });
    if (entry != m_printers.end()) {
        if (std::abs(signal - entry->rssi) <= rssiTolerance &&
            now - entry->lastSeen <= churnWindow && entry->peripheralID == peripheral) {
            return;
        }
        entry->rssi = signal;
        entry->lastSeen = now;
        entry->peripheralID = peripheral;
    } else {
        m_printers.append(DiscoveredPrinter{name, peripheral, signal, now});
        std::stable_sort(m_printers.begin(), m_printers.end(),
                         [](const DiscoveredPrinter& a, const DiscoveredPrinter& b) {
                             return a.advertisedName < b.advertisedName;
                         });
    }
    Q_EMIT printersChanged();
}

std::optional<QUuid> PrinterManager::knownPeripheral(const QString& name) {
    const auto entry =
        std::find_if(m_printers.cbegin(), m_printers.cend(),
                     [&](const DiscoveredPrinter& p) { return p.advertisedName == name; });
    if (entry == m_printers.cend() || Clock::now() - entry->lastSeen >= presenceWindow) {
        return std::nullopt;
    }
    if (m_peripherals.contains(entry->peripheralID) ||
        m_central->retrievePeripheral(entry->peripheralID)) {
        return entry->peripheralID;
    }
    return std::nullopt;
}

QCoro::Task<QUuid> PrinterManager::findPeripheral(QString name) {
    if (const auto known = knownPeripheral(name)) {
        co_return *known;
    }
    ++m_searching;
    updateScan();
    // Polls keep to their schedule, so the search gives up after 8 s however late each wakes.
    const Clock::time_point started = Clock::now();
    for (int poll = 1; poll <= searchPolls; ++poll) {
        co_await Clock::sleep(started + searchPoll * poll - Clock::now(), this);
        if (const auto known = knownPeripheral(name)) {
            --m_searching;
            updateScan();
            co_return *known;
        }
    }
    --m_searching;
    updateScan();
    throw PrinterError::notFound(m_registry->displayName(name));
}

// Connection

bool PrinterManager::linkIsConnected() const {
    return m_link && m_central->peripheralState(*m_link) == PeripheralState::connected;
}

bool PrinterManager::isConnected(const QString& name) const {
    return m_linkName == name && linkIsConnected();
}

QCoro::Task<> PrinterManager::connectPrinter(QString name) {
    co_await waitPoweredOn();
    // Only a ready link is reused: one whose notifications never came on is torn down.
    if (m_linkName == name && linkIsConnected() && m_tx && m_linkReady) {
        co_return;
    }
    if (m_link) {
        m_central->cancelPeripheralConnection(*m_link);
        m_link.reset();
    }
    m_linkName.reset();
    m_tx.reset();
    m_rx.reset();
    m_linkReady = false;
    setActivity(PrinterActivity::connecting(name));

    const QUuid peripheral = co_await findPeripheral(name);
    m_link = peripheral;
    m_linkName = name;
    const auto dog =
        watchdog(12.0, QStringLiteral("connecting to ") + m_registry->displayName(name));
    co_await m_readyCont.wait([this, peripheral] { m_central->connectPeripheral(peripheral); });
}

void PrinterManager::didConnect(const QUuid& peripheral) {
    if (peripheral != m_link) {
        return;
    }
    m_central->discoverServices(peripheral, {serviceUUID});
}

void PrinterManager::didDiscoverServices(const QUuid& peripheral) {
    if (peripheral != m_link) {
        return;
    }
    if (!m_central->services(peripheral).contains(serviceUUID)) {
        m_readyCont.fail(std::make_exception_ptr(PrinterError::serviceMissing()));
        return;
    }
    m_central->discoverCharacteristics(peripheral, serviceUUID, {txUUID, rxUUID});
}

void PrinterManager::didDiscoverCharacteristics(const QUuid& peripheral,
                                                const QBluetoothUuid& service) {
    if (peripheral != m_link) {
        return;
    }
    const QList<QBluetoothUuid> found = m_central->characteristics(peripheral, service);
    m_tx.reset();
    m_rx.reset();
    if (found.contains(txUUID)) {
        m_tx = GattCharacteristic{service, txUUID};
    }
    if (found.contains(rxUUID)) {
        m_rx = GattCharacteristic{service, rxUUID};
    }
    if (!m_tx) {
        m_readyCont.fail(std::make_exception_ptr(PrinterError::serviceMissing()));
    } else if (m_rx) {
        m_central->setNotifyValue(peripheral, *m_rx, true);
    }
}

void PrinterManager::didUpdateNotificationState(const QUuid& peripheral) {
    if (peripheral != m_link) {
        return;
    }
    m_linkReady = true;
    m_readyCont.resume();
    if (m_linkName) {
        setActivity(PrinterActivity::connected(*m_linkName));
    }
}

void PrinterManager::didFailToConnect(const QUuid& peripheral, const QString& error) {
    // A failure of an attempt that was already given up belongs to no one.
    if (peripheral != m_link) {
        return;
    }
    m_link.reset();
    m_linkName.reset();
    m_linkReady = false;
    m_readyCont.fail(std::make_exception_ptr(
        PrinterError::connectFailed(error.isNull() ? QStringLiteral("unknown error") : error)));
    setActivity(PrinterActivity::idle());
}

void PrinterManager::didDisconnect(const QUuid& peripheral) {
    if (peripheral != m_link) {
        return;
    }
    m_link.reset();
    m_linkName.reset();
    m_tx.reset();
    m_rx.reset();
    m_linkReady = false;
    failPending(PrinterError::disconnected());
    setActivity(PrinterActivity::idle());
    // A printer that just dropped still counts as present for the next connect.
    bool touched = false;
    for (DiscoveredPrinter& printer : m_printers) {
        if (printer.peripheralID == peripheral) {
            printer.lastSeen = Clock::now();
            touched = true;
            break;
        }
    }
    if (touched) {
        Q_EMIT printersChanged();
    }
}

void PrinterManager::dropLink() {
    m_idleTimer->stop();
    if (m_link) {
        m_central->cancelPeripheralConnection(*m_link);
    }
}

void PrinterManager::scheduleIdleDisconnect() {
    m_idleTimer->stop();
    m_idleTimer->start(Clock::duration(m_registry->idleDisconnectSeconds()));
}

// Write path

void PrinterManager::checkLink() const {
    if (!m_tx || !linkIsConnected()) {
        throw PrinterError::disconnected();
    }
}

std::unique_ptr<PrinterManager::Watchdog> PrinterManager::watchdog(double seconds,
                                                                   const QString& what) {
    return std::make_unique<Watchdog>(this, seconds, what);
}

void PrinterManager::failPending(const PrinterError& error) {
    const std::exception_ptr failure = std::make_exception_ptr(error);
    m_readyCont.fail(failure);
    m_writeCont.fail(failure);
    m_notifyCont.fail(failure);
    m_poweredWaiters.failAll(failure);
}

QCoro::Task<> PrinterManager::write(QByteArray data) {
    checkLink();
    const qint64 chunkSize = m_registry->chunkSize();
    const qint64 limit = m_central->maximumWriteLength(*m_link).value_or(chunkSize);
    const qint64 chunkLength = std::max(minimumChunk, std::min(limit, chunkSize));
    for (qint64 offset = 0; offset < data.size(); offset += chunkLength) {
        // The link may have dropped between an acknowledgement and this chunk.
        checkLink();
        const QByteArray chunk = data.mid(offset, chunkLength);
        const auto dog = watchdog(5.0, QStringLiteral("sending to the printer"));
        try {
            co_await m_writeCont.wait(
                [this, &chunk] { m_central->writeValue(*m_link, *m_tx, chunk); });
        } catch (const PrinterError& error) {
            // The printer may now hold part of a job and would misread the next one sent on
            // this link, so the link goes and the next operation connects afresh.
            const bool partial = error.kind() == PrinterError::Kind::timeout ||
                                 (error.kind() == PrinterError::Kind::writeFailed && offset > 0);
            if (partial) {
                dropLink();
            }
            throw;
        }
    }
}

void PrinterManager::didWriteValue(const QString& error) {
    if (error.isNull()) {
        m_writeCont.resume();
    } else {
        m_writeCont.fail(std::make_exception_ptr(PrinterError::writeFailed(error)));
    }
}

QCoro::Task<QByteArray> PrinterManager::request(QByteArray data) {
    checkLink();
    const auto dog = watchdog(3.0, QStringLiteral("waiting for the printer's reply"));
    co_return co_await m_notifyCont.wait(
        [this, &data] { m_central->writeValue(*m_link, *m_tx, data); });
}

void PrinterManager::didUpdateValue(const std::optional<QByteArray>& value) {
    if (value) {
        m_notifyCont.resume(*value);
    }
}

PrinterInfo PrinterManager::parseInfo(const QByteArray& reply, const QString& name) {
    QStringList texts;
    for (const QByteArray& segment : reply.split('\0')) {
        QString text;
        for (const char byte : segment) {
            const auto code = static_cast<unsigned char>(byte);
            if (code >= 32 && code <= 126) {
                text.append(QChar(code));
            }
        }
        if (text.size() >= 4) {
            texts.append(text);
        }
    }
    PrinterInfo info{QStringLiteral("unknown"), name};
    for (const QString& text : texts) {
        if (text.startsWith(u'V') || text.contains(QStringLiteral("V1"))) {
            info.firmware = text.mid(text.indexOf(u'V'));
            break;
        }
    }
    for (const QString& text : texts) {
        if (text.startsWith(QStringLiteral("CT"))) {
            info.name = text;
            break;
        }
    }
    return info;
}

// The queue and its operations

QCoro::Task<> PrinterManager::awaitTurn() {
    if (!m_queueBusy) {
        m_queueBusy = true;
        co_return;
    }
    co_await Waiter<void>(this, [this](Waiter<void>* waiter) { m_queue.push_back(waiter); });
}

void PrinterManager::releaseTurn() {
    if (m_queue.empty()) {
        m_queueBusy = false;
        return;
    }
    Waiter<void>* next = m_queue.front();
    m_queue.pop_front();
    next->resume();
}

void PrinterManager::finishOperation(const QString& name, bool succeeded) {
    if (succeeded) {
        setActivity(PrinterActivity::connected(name));
    } else if (linkIsConnected()) {
        setActivity(PrinterActivity::connected(m_linkName.value_or(name)));
    } else {
        setActivity(PrinterActivity::idle());
    }
    scheduleIdleDisconnect();
}

QCoro::Task<> PrinterManager::print(QList<PrintItem> items, std::optional<QString> printer,
                                    Progress progress) {
    co_await awaitTurn();
    const QueueTurn turn(this);
    co_await printBody(std::move(items), std::move(printer), std::move(progress));
}

QCoro::Task<> PrinterManager::printBody(QList<PrintItem> items, std::optional<QString> printer,
                                        Progress progress) {
    const std::optional<QString> name =
        printer && !printer->isEmpty() ? printer : m_registry->preferredPrinter();
    if (!name) {
        throw PrinterError::noPrinterSelected();
    }
    m_idleTimer->stop();
    try {
        co_await connectPrinter(*name);
        co_await sendItems(items, *name, progress);
    } catch (...) {
        finishOperation(*name, false);
        throw;
    }
    finishOperation(*name, true);
}

QCoro::Task<> PrinterManager::sendItems(const QList<PrintItem>& items, const QString& name,
                                        const Progress& progress) {
    const qint64 total = items.size();
    for (qint64 i = 0; i < total; ++i) {
        setActivity(PrinterActivity::printing(name, i, total));
        // One job at a time: a long batch never holds more than the label being sent.
        co_await write(items[i].job());
        if (progress) {
            progress(i + 1, total);
        }
        if (i < total - 1) {
            const double copies = double(items[i].copies);
            co_await Clock::sleep(
                Clock::duration(m_registry->interLabelDelay() + perCopyPause * (copies - 1)), this);
        }
    }
}

QCoro::Task<> PrinterManager::sendRaw(QByteArray data, QString printer) {
    co_await awaitTurn();
    const QueueTurn turn(this);
    m_idleTimer->stop();
    try {
        co_await connectPrinter(printer);
        co_await write(std::move(data));
    } catch (...) {
        finishOperation(printer, false);
        throw;
    }
    finishOperation(printer, true);
}

QCoro::Task<PrinterInfo> PrinterManager::readInfo(QString name) {
    co_await awaitTurn();
    const QueueTurn turn(this);
    m_idleTimer->stop();
    PrinterInfo result;
    try {
        co_await connectPrinter(name);
        result = parseInfo(co_await request(infoRequest), name);
    } catch (...) {
        finishOperation(name, false);
        throw;
    }
    if (m_info.value(name) != result || !m_info.contains(name)) {
        m_info.insert(name, result);
        Q_EMIT infoChanged();
    }
    finishOperation(name, true);
    co_return result;
}

} // namespace vantrel
