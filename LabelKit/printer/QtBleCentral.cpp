#include "LabelKit/printer/QtBleCentral.h"

#include <QBluetoothDeviceDiscoveryAgent>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QLowEnergyController>
#include <QLowEnergyService>
#include <QTimer>

namespace vantrel {

namespace {

using InterfaceMap = QMap<QString, QVariantMap>;
using ObjectMap = QMap<QDBusObjectPath, InterfaceMap>;

const QString bluezService = QStringLiteral("org.bluez");
const QString adapterInterface = QStringLiteral("org.bluez.Adapter1");
const QString objectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
// A namespace for identifiers made from device addresses.
const QUuid addressNamespace(QStringLiteral("{6f3c2a0e-7a51-4b8e-9a4d-2f61c0b2d7a1}"));
// How long a stack that never reports a cancelled connection is waited for.
constexpr int cancelGraceMs = 2000;

const QString notConnected = QStringLiteral("The printer is not connected.");
const QString rejected = QStringLiteral("The printer rejected the data.");

} // namespace

QtBleCentral::QtBleCentral(QObject* parent) : BleCentral(parent) {
    qDBusRegisterMetaType<InterfaceMap>();
    qDBusRegisterMetaType<ObjectMap>();
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected()) {
        auto* owner = new QDBusServiceWatcher(bluezService, bus,
                                              QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(owner, &QDBusServiceWatcher::serviceOwnerChanged, this, &QtBleCentral::probeState);
        bus.connect(bluezService, QString(), objectManager, QStringLiteral("InterfacesAdded"), this,
                    SLOT(bluezObjectsChanged(QDBusMessage)));
        bus.connect(bluezService, QString(), objectManager, QStringLiteral("InterfacesRemoved"),
                    this, SLOT(bluezObjectsChanged(QDBusMessage)));
        bus.connect(bluezService, QString(), QStringLiteral("org.freedesktop.DBus.Properties"),
                    QStringLiteral("PropertiesChanged"), {adapterInterface}, QString(), this,
                    SLOT(probeState()));
    }
    QMetaObject::invokeMethod(this, &QtBleCentral::probeState, Qt::QueuedConnection);
}

QtBleCentral::~QtBleCentral() {
    if (m_agent) {
        QObject::disconnect(m_agent, nullptr, this, nullptr);
    }
    for (Link& link : m_links) {
        dropController(link);
    }
}

BluetoothState QtBleCentral::stateFor(const QString& dbusError,
                                      const QList<bool>& adaptersPowered) {
    if (!dbusError.isEmpty()) {
        static const QStringList refusals = {
            QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
            QStringLiteral("org.freedesktop.DBus.Error.AuthFailed"),
            QStringLiteral("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"),
            QStringLiteral("org.bluez.Error.NotAuthorized"),
            QStringLiteral("org.bluez.Error.NotPermitted"),
        };
        static const QStringList stalls = {
            QStringLiteral("org.freedesktop.DBus.Error.NoReply"),
            QStringLiteral("org.freedesktop.DBus.Error.Timeout"),
            QStringLiteral("org.freedesktop.DBus.Error.TimedOut"),
        };
        if (refusals.contains(dbusError)) {
            return BluetoothState::unauthorized;
        }
        // A daemon that does not answer may yet; waiting callers time out on their own.
        if (stalls.contains(dbusError)) {
            return BluetoothState::unknown;
        }
        return BluetoothState::unsupported;
    }
    if (adaptersPowered.isEmpty()) {
        return BluetoothState::unsupported;
    }
    // QtBluetooth uses the first adapter.
    return adaptersPowered.first() ? BluetoothState::poweredOn : BluetoothState::poweredOff;
}

void QtBleCentral::probeState() {
    if (m_probing) {
        m_probeAgain = true;
        return;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        setState(stateFor(QStringLiteral("org.freedesktop.DBus.Error.NoServer"), {}));
        return;
    }
    m_probing = true;
    const QDBusMessage call = QDBusMessage::createMethodCall(
        bluezService, QStringLiteral("/"), objectManager, QStringLiteral("GetManagedObjects"));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &QtBleCentral::probeFinished);
}

void QtBleCentral::probeFinished(QDBusPendingCallWatcher* call) {
    call->deleteLater();
    m_probing = false;
    const QDBusPendingReply<ObjectMap> reply = *call;
    if (reply.isError()) {
        setState(stateFor(reply.error().name(), {}));
    } else {
        QList<bool> powered;
        const ObjectMap objects = reply.value();
        for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
            if (it.value().contains(adapterInterface)) {
                powered.append(
                    it.value().value(adapterInterface).value(QStringLiteral("Powered")).toBool());
            }
        }
        setState(stateFor(QString(), powered));
    }
    if (std::exchange(m_probeAgain, false)) {
        probeState();
    }
}

void QtBleCentral::bluezObjectsChanged(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2) {
        return;
    }
    bool adapter = false;
    if (message.member() == QStringLiteral("InterfacesRemoved")) {
        adapter = arguments.at(1).toStringList().contains(adapterInterface);
    } else {
        adapter = qdbus_cast<InterfaceMap>(arguments.at(1)).contains(adapterInterface);
    }
    if (adapter) {
        probeState();
    }
}

void QtBleCentral::setState(BluetoothState state) {
    if (state == m_state) {
        return;
    }
    m_state = state;
    if (state != BluetoothState::poweredOn) {
        for (Link& link : m_links) {
            ++link.generation;
            link.state = PeripheralState::disconnected;
            dropController(link);
        }
        if (m_scanning) {
            m_scanning = false;
            if (m_agent && m_agent->isActive()) {
                m_agent->stop();
            }
            Q_EMIT scanningChanged();
        }
    }
    Q_EMIT stateChanged();
}

void QtBleCentral::post(std::function<void()> callback) {
    QMetaObject::invokeMethod(this, std::move(callback), Qt::QueuedConnection);
}

void QtBleCentral::post(const QUuid& peripheral, quint64 generation,
                        std::function<void()> callback) {
    post([this, peripheral, generation, callback = std::move(callback)] {
        if (m_links.value(peripheral).generation == generation) {
            callback();
        }
    });
}

QUuid QtBleCentral::identifierFor(const QBluetoothDeviceInfo& info) {
    if (!info.deviceUuid().isNull()) {
        return info.deviceUuid();
    }
    return QUuid::createUuidV5(addressNamespace, info.address().toString());
}

// Scanning

void QtBleCentral::ensureAgent() {
    if (m_agent) {
        return;
    }
    m_agent = new QBluetoothDeviceDiscoveryAgent(this);
    m_agent->setLowEnergyDiscoveryTimeout(0);
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::deviceDiscovered, this,
            [this](const QBluetoothDeviceInfo& info) { post([this, info] { deviceSeen(info); }); });
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::deviceUpdated, this,
            [this](const QBluetoothDeviceInfo& info, QBluetoothDeviceInfo::Fields) {
                post([this, info] { deviceSeen(info); });
            });
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::errorOccurred, this,
            [this](QBluetoothDeviceDiscoveryAgent::Error error) {
                post([this, error] {
                    if (m_scanning) {
                        m_scanning = false;
                        Q_EMIT scanningChanged();
                    }
                    if (error == QBluetoothDeviceDiscoveryAgent::MissingPermissionsError) {
                        setState(BluetoothState::unauthorized);
                    } else {
                        probeState();
                    }
                });
            });
    // A scan asked for while the previous one was still stopping starts once it has stopped.
    const auto ended = [this] {
        post([this] {
            if (m_scanning && m_agent && !m_agent->isActive()) {
                m_agent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
            }
        });
    };
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::canceled, this, ended);
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::finished, this, ended);
}

void QtBleCentral::scanForPeripherals() {
    if (m_state != BluetoothState::poweredOn || m_scanning) {
        return;
    }
    ensureAgent();
    m_scanning = true;
    if (!m_agent->isActive()) {
        m_agent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
    }
    post([this] { Q_EMIT scanningChanged(); });
}

void QtBleCentral::stopScan() {
    if (!m_scanning) {
        return;
    }
    m_scanning = false;
    if (m_agent && m_agent->isActive()) {
        m_agent->stop();
    }
    post([this] { Q_EMIT scanningChanged(); });
}

void QtBleCentral::deviceSeen(const QBluetoothDeviceInfo& info) {
    if (!m_scanning ||
        !(info.coreConfigurations() & QBluetoothDeviceInfo::LowEnergyCoreConfiguration)) {
        return;
    }
    const QUuid id = identifierFor(info);
    m_devices.insert(id, info);
    // QtBluetooth reports 0 when it has no reading.
    const int rssi = info.rssi() == 0 ? 127 : info.rssi();
    const QString name = info.name().isEmpty() ? QString() : info.name();
    Q_EMIT discovered(id, name, name, rssi);
}

bool QtBleCentral::retrievePeripheral(const QUuid& peripheral) {
    return m_devices.contains(peripheral);
}

PeripheralState QtBleCentral::peripheralState(const QUuid& peripheral) const {
    return m_links.value(peripheral).state;
}

// Connection

void QtBleCentral::dropController(Link& link) {
    for (const QPointer<QLowEnergyService>& service : std::as_const(link.services)) {
        if (service) {
            QObject::disconnect(service, nullptr, this, nullptr);
        }
    }
    link.services.clear();
    link.discoveredServices.clear();
    link.pendingWrites.clear();
    link.pendingNotify.clear();
    if (link.controller) {
        QObject::disconnect(link.controller, nullptr, this, nullptr);
        link.controller->deleteLater();
        link.controller = nullptr;
    }
}

void QtBleCentral::connectPeripheral(const QUuid& peripheral) {
    Link& link = m_links[peripheral];
    ++link.generation;
    dropController(link);
    link.state = PeripheralState::connecting;
    const quint64 generation = link.generation;
    if (!m_devices.contains(peripheral) || m_state != BluetoothState::poweredOn) {
        post(peripheral, generation, [this, peripheral] {
            m_links[peripheral].state = PeripheralState::disconnected;
            Q_EMIT failedToConnect(peripheral,
                                   QStringLiteral("The device is not known to Bluetooth."));
        });
        return;
    }
    QLowEnergyController* controller =
        QLowEnergyController::createCentral(m_devices.value(peripheral), this);
    link.controller = controller;
    watchController(peripheral, controller);
    controller->connectToDevice();
}

void QtBleCentral::watchController(const QUuid& peripheral, QLowEnergyController* controller) {
    const quint64 generation = m_links.value(peripheral).generation;
    connect(controller, &QLowEnergyController::connected, this, [=, this] {
        post(peripheral, generation, [this, peripheral] {
            Link& link = m_links[peripheral];
            if (link.state == PeripheralState::connecting) {
                link.state = PeripheralState::connected;
                Q_EMIT connected(peripheral);
            }
        });
    });
    connect(controller, &QLowEnergyController::errorOccurred, this, [=, this] {
        const QString reason = controller->errorString();
        post(peripheral, generation, [this, peripheral, reason] {
            Link& link = m_links[peripheral];
            if (link.state == PeripheralState::connecting) {
                link.state = PeripheralState::disconnected;
                dropController(link);
                Q_EMIT failedToConnect(peripheral, reason.isEmpty() ? QString() : reason);
            }
        });
    });
    connect(controller, &QLowEnergyController::disconnected, this, [=, this] {
        post(peripheral, generation, [this, peripheral] {
            Link& link = m_links[peripheral];
            const PeripheralState was = link.state;
            if (was == PeripheralState::disconnected) {
                return;
            }
            link.state = PeripheralState::disconnected;
            dropController(link);
            if (was == PeripheralState::connecting) {
                Q_EMIT failedToConnect(peripheral,
                                       QStringLiteral("The printer closed the connection."));
            } else {
                Q_EMIT disconnected(peripheral, QString());
            }
        });
    });
    connect(controller, &QLowEnergyController::discoveryFinished, this, [=, this] {
        post(peripheral, generation, [this, peripheral] {
            Link& link = m_links[peripheral];
            if (link.controller) {
                link.discoveredServices = link.controller->services();
            }
            Q_EMIT servicesDiscovered(peripheral);
        });
    });
}

void QtBleCentral::cancelPeripheralConnection(const QUuid& peripheral) {
    if (!m_links.contains(peripheral)) {
        return;
    }
    Link& link = m_links[peripheral];
    if (link.state == PeripheralState::disconnected ||
        link.state == PeripheralState::disconnecting) {
        return;
    }
    link.state = PeripheralState::disconnecting;
    const quint64 generation = link.generation;
    const auto finish = [this, peripheral] {
        Link& current = m_links[peripheral];
        if (current.state == PeripheralState::disconnecting) {
            current.state = PeripheralState::disconnected;
            dropController(current);
            Q_EMIT disconnected(peripheral, QString());
        }
    };
    if (!link.controller || link.controller->state() == QLowEnergyController::UnconnectedState) {
        post(peripheral, generation, finish);
        return;
    }
    link.controller->disconnectFromDevice();
    QTimer::singleShot(cancelGraceMs, this, [this, peripheral, generation, finish] {
        if (m_links.value(peripheral).generation == generation) {
            finish();
        }
    });
}

void QtBleCentral::discoverServices(const QUuid& peripheral, const QList<QBluetoothUuid>&) {
    Link& link = m_links[peripheral];
    if (link.state != PeripheralState::connected || !link.controller) {
        return;
    }
    if (link.controller->state() == QLowEnergyController::DiscoveredState) {
        post(peripheral, link.generation, [this, peripheral] {
            Link& current = m_links[peripheral];
            if (current.controller) {
                current.discoveredServices = current.controller->services();
            }
            Q_EMIT servicesDiscovered(peripheral);
        });
        return;
    }
    link.controller->discoverServices();
}

QList<QBluetoothUuid> QtBleCentral::services(const QUuid& peripheral) const {
    return m_links.value(peripheral).discoveredServices;
}

void QtBleCentral::discoverCharacteristics(const QUuid& peripheral, const QBluetoothUuid& service,
                                           const QList<QBluetoothUuid>&) {
    Link& link = m_links[peripheral];
    if (link.state != PeripheralState::connected || !link.controller) {
        return;
    }
    const quint64 generation = link.generation;
    const auto report = [this, peripheral, service] {
        Q_EMIT characteristicsDiscovered(peripheral, service);
    };
    QLowEnergyService* object = link.services.value(service);
    if (!object) {
        object = link.controller->createServiceObject(service, link.controller);
        if (!object) {
            post(peripheral, generation, report);
            return;
        }
        link.services.insert(service, object);
        watchService(peripheral, object);
    }
    if (object->state() == QLowEnergyService::RemoteServiceDiscovered) {
        post(peripheral, generation, report);
    } else if (object->state() == QLowEnergyService::RemoteService) {
        object->discoverDetails(QLowEnergyService::SkipValueDiscovery);
    }
}

QList<QBluetoothUuid> QtBleCentral::characteristics(const QUuid& peripheral,
                                                    const QBluetoothUuid& service) const {
    const QLowEnergyService* object = m_links.value(peripheral).services.value(service);
    QList<QBluetoothUuid> list;
    if (object && object->state() == QLowEnergyService::RemoteServiceDiscovered) {
        for (const QLowEnergyCharacteristic& characteristic : object->characteristics()) {
            list.append(characteristic.uuid());
        }
    }
    return list;
}

void QtBleCentral::watchService(const QUuid& peripheral, QLowEnergyService* object) {
    const quint64 generation = m_links.value(peripheral).generation;
    const QBluetoothUuid service = object->serviceUuid();
    connect(object, &QLowEnergyService::stateChanged, this,
            [=, this](QLowEnergyService::ServiceState state) {
                if (state == QLowEnergyService::RemoteServiceDiscovered) {
                    post(peripheral, generation, [this, peripheral, service] {
                        Q_EMIT characteristicsDiscovered(peripheral, service);
                    });
                }
            });
    connect(object, &QLowEnergyService::characteristicWritten, this,
            [=, this](const QLowEnergyCharacteristic& characteristic, const QByteArray&) {
                const QBluetoothUuid uuid = characteristic.uuid();
                post(peripheral, generation, [this, peripheral, service, uuid] {
                    answerWrite(peripheral, service, uuid, QString());
                });
            });
    connect(object, &QLowEnergyService::characteristicChanged, this,
            [=, this](const QLowEnergyCharacteristic& characteristic, const QByteArray& value) {
                const GattCharacteristic changed{service, characteristic.uuid()};
                post(peripheral, generation, [this, peripheral, changed, value] {
                    Q_EMIT valueUpdated(peripheral, changed, value);
                });
            });
    connect(
        object, &QLowEnergyService::descriptorWritten, this,
        [=, this](const QLowEnergyDescriptor& descriptor, const QByteArray&) {
            if (descriptor.uuid() !=
                QBluetoothUuid(QBluetoothUuid::DescriptorType::ClientCharacteristicConfiguration)) {
                return;
            }
            post(peripheral, generation, [this, peripheral, service] {
                const QBluetoothUuid uuid = m_links[peripheral].pendingNotify.take(service);
                Q_EMIT notificationStateUpdated(peripheral, GattCharacteristic{service, uuid},
                                                QString());
            });
        });
    connect(object, &QLowEnergyService::errorOccurred, this,
            [=, this](QLowEnergyService::ServiceError error) {
                post(peripheral, generation, [this, peripheral, service, error] {
                    Link& link = m_links[peripheral];
                    switch (error) {
                    case QLowEnergyService::DescriptorWriteError:
                        Q_EMIT notificationStateUpdated(
                            peripheral,
                            GattCharacteristic{service, link.pendingNotify.take(service)},
                            QStringLiteral("Notifications could not be switched on."));
                        break;
                    case QLowEnergyService::CharacteristicWriteError:
                    case QLowEnergyService::OperationError:
                    case QLowEnergyService::UnknownError:
                        if (!link.pendingWrites.value(service).isEmpty()) {
                            answerWrite(peripheral, service, QBluetoothUuid(), rejected);
                        } else if (error != QLowEnergyService::CharacteristicWriteError) {
                            // A failed discovery: what was found is all there is.
                            Q_EMIT characteristicsDiscovered(peripheral, service);
                        }
                        break;
                    default:
                        break;
                    }
                });
            });
}

void QtBleCentral::answerWrite(const QUuid& peripheral, const QBluetoothUuid& service,
                               const QBluetoothUuid& characteristic, const QString& error) {
    QList<QBluetoothUuid>& pending = m_links[peripheral].pendingWrites[service];
    QBluetoothUuid written = characteristic;
    if (!pending.isEmpty()) {
        const QBluetoothUuid oldest = pending.takeFirst();
        if (written.isNull()) {
            written = oldest;
        }
    }
    Q_EMIT valueWritten(peripheral, GattCharacteristic{service, written}, error);
}

void QtBleCentral::setNotifyValue(const QUuid& peripheral, const GattCharacteristic& characteristic,
                                  bool enabled) {
    Link& link = m_links[peripheral];
    QLowEnergyService* object = link.services.value(characteristic.service);
    const QLowEnergyDescriptor configuration =
        object ? object->characteristic(characteristic.uuid).clientCharacteristicConfiguration()
               : QLowEnergyDescriptor();
    if (link.state != PeripheralState::connected || !configuration.isValid()) {
        post(peripheral, link.generation, [this, peripheral, characteristic] {
            Q_EMIT notificationStateUpdated(peripheral, characteristic,
                                            QStringLiteral("The characteristic does not notify."));
        });
        return;
    }
    link.pendingNotify.insert(characteristic.service, characteristic.uuid);
    object->writeDescriptor(configuration, enabled
                                               ? QLowEnergyCharacteristic::CCCDEnableNotification
                                               : QLowEnergyCharacteristic::CCCDDisable);
}

void QtBleCentral::writeValue(const QUuid& peripheral, const GattCharacteristic& characteristic,
                              const QByteArray& value) {
    Link& link = m_links[peripheral];
    QLowEnergyService* object = link.services.value(characteristic.service);
    const QLowEnergyCharacteristic target =
        object ? object->characteristic(characteristic.uuid) : QLowEnergyCharacteristic();
    if (link.state != PeripheralState::connected || !target.isValid()) {
        const QString reason = link.state != PeripheralState::connected
                                   ? notConnected
                                   : QStringLiteral("The characteristic cannot be written.");
        post(peripheral, link.generation, [this, peripheral, characteristic, reason] {
            Q_EMIT valueWritten(peripheral, characteristic, reason);
        });
        return;
    }
    link.pendingWrites[characteristic.service].append(characteristic.uuid);
    object->writeCharacteristic(target, value, QLowEnergyService::WriteWithResponse);
}

std::optional<qint64> QtBleCentral::maximumWriteLength(const QUuid& peripheral) const {
    const QLowEnergyController* controller = m_links.value(peripheral).controller;
    // BlueZ's D-Bus backend does not tell the MTU (-1); the ATT header takes 3 bytes of it.
    if (!controller || controller->mtu() <= 3) {
        return std::nullopt;
    }
    return controller->mtu() - 3;
}

} // namespace vantrel
