# A BlueZ stand-in with one CT221B for the QtBluetooth backend's tests: dbusmock's bluez5
# template (load it with `python3 -m dbusmock --system --template ct221b_bluez.py`), where
# AddPrinter() of org.vantrel.StandIn adds an adapter, the printer and its GATT objects. The
# printer connects, records every write, answers the info request with a notification, and
# misbehaves on demand through the same interface.

import dbus
from gi.repository import GLib

from dbusmock import OBJECT_MANAGER_IFACE, mockobject
from dbusmock.templates import bluez5
from dbusmock.templates.bluez5 import *  # noqa: F401,F403  (the template's load, names, methods)


STANDIN_IFACE = 'org.vantrel.StandIn'
GATT_SERVICE_IFACE = 'org.bluez.GattService1'
GATT_CHAR_IFACE = 'org.bluez.GattCharacteristic1'

ADAPTER = 'hci0'
DEVICE_PATH = '/org/bluez/hci0/dev_C2_21_B0_00_00_01'
SERVICE_PATH = DEVICE_PATH + '/service0010'
TX_PATH = SERVICE_PATH + '/char0011'
RX_PATH = SERVICE_PATH + '/char0013'
CCCD_PATH = RX_PATH + '/desc0014'


INFO_REQUEST = bytes.fromhex('DD0005040000E5DD')
INFO_REPLY = b'CT221B\x00V1.0.7'


def device():
    return mockobject.objects[DEVICE_PATH]


def emit_changed(obj, iface, changes):
    obj.EmitSignal(dbus.PROPERTIES_IFACE, 'PropertiesChanged', 'sa{sv}as', [iface, changes, []])


def set_connected(connected):
    dev = device()
    dev.connected = connected
    changes = {'ServicesResolved': dbus.Boolean(connected, variant_level=1),
               'Connected': dbus.Boolean(connected, variant_level=1)}
    dev.props[bluez5.DEVICE_IFACE].update(changes)
    if not connected:
        mockobject.objects[RX_PATH].props[GATT_CHAR_IFACE]['Notifying'] = dbus.Boolean(False, variant_level=1)
    if connected:  # two steps, as with BlueZ
        emit_changed(dev, bluez5.DEVICE_IFACE, {'Connected': changes['Connected']})
        emit_changed(dev, bluez5.DEVICE_IFACE, {'ServicesResolved': changes['ServicesResolved']})
    else:
        emit_changed(dev, bluez5.DEVICE_IFACE, changes)


def DeviceConnect(dev):
    if dev.faults.get('refuse'):
        raise dbus.exceptions.DBusException('Connection refused', name='org.bluez.Error.Failed')
    if not dev.connected:
        set_connected(True)


def DeviceDisconnect(dev):
    if dev.connected:
        set_connected(False)


def notify(value):
    rx = mockobject.objects[RX_PATH]
    if not rx.props[GATT_CHAR_IFACE]['Notifying']:
        return False
    data = dbus.Array([dbus.Byte(b) for b in value], signature='y', variant_level=1)
    rx.props[GATT_CHAR_IFACE]['Value'] = data
    emit_changed(rx, GATT_CHAR_IFACE, {'Value': data})
    return False


def WriteValue(char, value, options):
    dev = device()
    data = bytes(value)
    dev.writes.append(data)
    chunk = len(dev.writes)
    if not dev.connected or options.get('type') != 'request':  # every write is with response
        raise dbus.exceptions.DBusException('Write refused', name='org.bluez.Error.Failed')
    if dev.faults.get('failWrite') == chunk:
        raise dbus.exceptions.DBusException('Write rejected', name='org.bluez.Error.Failed')
    if dev.faults.get('dropAfter') == chunk:
        # The link drops before the write is answered, as when the printer goes out of range.
        set_connected(False)
    if data == INFO_REQUEST:
        GLib.timeout_add(20, notify, INFO_REPLY)


def set_notifying(char, on):
    char.props[GATT_CHAR_IFACE]['Notifying'] = dbus.Boolean(on, variant_level=1)
    emit_changed(char, GATT_CHAR_IFACE, {'Notifying': dbus.Boolean(on, variant_level=1)})


def add_gatt_object(mock, path, iface, props, methods):
    mock.AddObject(path, iface, props, methods)
    mockobject.objects['/'].EmitSignal(OBJECT_MANAGER_IFACE, 'InterfacesAdded', 'oa{sa{sv}}',
                                       [dbus.ObjectPath(path), {iface: props}])


def characteristic(uuid, flags):
    return {
        'UUID': dbus.String(uuid, variant_level=1),
        'Service': dbus.ObjectPath(SERVICE_PATH, variant_level=1),
        'Value': dbus.Array([], signature='y', variant_level=1),
        'Notifying': dbus.Boolean(False, variant_level=1),
        'Flags': dbus.Array(flags, signature='s', variant_level=1),
    }


CHAR_METHODS = [
    ('WriteValue', 'aya{sv}', '', WriteValue),
    ('StartNotify', '', '', lambda char: set_notifying(char, True)),
]


@dbus.service.method(STANDIN_IFACE, in_signature='', out_signature='')
def AddPrinter(mock):
    '''Adds the adapter, the printer and its GATT objects (once the mock is on the bus).'''
    bluez5.AddAdapter(mock, ADAPTER, 'Vantrel test')
    bluez5.AddDevice(mock, ADAPTER, 'C2:21:B0:00:00:01', 'CT221B-MOCK')
    dev = device()
    dev.AddMethods(bluez5.DEVICE_IFACE, [
        ('Connect', '', '', DeviceConnect),
        ('Disconnect', '', '', DeviceDisconnect),
    ])
    Reset(mock)

    add_gatt_object(mock, SERVICE_PATH, GATT_SERVICE_IFACE, {
        'UUID': dbus.String('49535343-fe7d-4ae5-8fa9-9fafd205e455', variant_level=1),
        'Device': dbus.ObjectPath(DEVICE_PATH, variant_level=1),
        'Primary': dbus.Boolean(True, variant_level=1),
        'Includes': dbus.Array([], signature='o', variant_level=1),
    }, [])
    add_gatt_object(mock, TX_PATH, GATT_CHAR_IFACE, characteristic('49535343-8841-43f4-a8d4-ecbe34729bb3', ['write']), CHAR_METHODS)
    add_gatt_object(mock, RX_PATH, GATT_CHAR_IFACE, characteristic('49535343-1e4d-4bd9-ba61-23c647249616', ['notify']), CHAR_METHODS)
    add_gatt_object(mock, CCCD_PATH, 'org.bluez.GattDescriptor1', {  # notification switch
        'UUID': dbus.String('00002902-0000-1000-8000-00805f9b34fb', variant_level=1),
        'Characteristic': dbus.ObjectPath(RX_PATH, variant_level=1),
        'Value': dbus.Array([], signature='y', variant_level=1),
        'Flags': dbus.Array(['read', 'write'], signature='s', variant_level=1),
    }, [])


@dbus.service.method(STANDIN_IFACE, in_signature='si', out_signature='')
def SetFault(self, name, value):
    '''failWrite N, dropAfter N (chunk numbers from 1), refuse 1, until Reset.'''
    device().faults[str(name)] = int(value)


@dbus.service.method(STANDIN_IFACE, in_signature='', out_signature='')
def Reset(self):
    dev = device()
    dev.faults, dev.writes = {}, []
    if dev.connected:
        set_connected(False)


@dbus.service.method(STANDIN_IFACE, in_signature='', out_signature='aay')
def Writes(self):
    return dbus.Array([dbus.ByteArray(w) for w in device().writes], signature='ay')


@dbus.service.method(STANDIN_IFACE, in_signature='n', out_signature='')
def SetRssi(self, rssi):
    dev = device()
    dev.props[bluez5.DEVICE_IFACE]['RSSI'] = dbus.Int16(rssi, variant_level=1)
    emit_changed(dev, bluez5.DEVICE_IFACE, {'RSSI': dbus.Int16(rssi, variant_level=1)})


@dbus.service.method(STANDIN_IFACE, in_signature='b', out_signature='')
def SetPowered(self, powered):
    adapter = mockobject.objects['/org/bluez/' + ADAPTER]
    adapter.props[bluez5.ADAPTER_IFACE]['Powered'] = dbus.Boolean(powered, variant_level=1)
    emit_changed(adapter, bluez5.ADAPTER_IFACE, {'Powered': dbus.Boolean(powered, variant_level=1)})
