#include "LabelKit/edit/PrinterListModel.h"

#include "LabelKit/platform/Clock.h"
#include "LabelKit/printer/PrinterManager.h"

#include <QSet>

#include <optional>

namespace vantrel {

PrinterListModel::PrinterListModel(PrinterManager* manager, QObject* parent)
    : QAbstractListModel(parent), m_manager(manager), m_expiry(new Timer(this)) {
    for (const DiscoveredPrinter& printer : manager->printers()) {
        m_rows.append(rowFor(printer));
    }
    scheduleExpiry();
    const auto update = [this] { refresh(); };
    connect(manager, &PrinterManager::printersChanged, this, update);
    connect(manager, &PrinterManager::activityChanged, this, update); // the link came or went
    connect(manager, &PrinterManager::infoChanged, this, update);
    connect(manager->registry(), &PrinterRegistry::nicknamesChanged, this, update);
    connect(manager->registry(), &PrinterRegistry::defaultPrinterChanged, this, update);
    connect(m_expiry, &Timer::timeout, this, update);
}

QModelIndex PrinterListModel::indexOf(const QString& name) const {
    for (qsizetype row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].name == name) {
            return index(int(row));
        }
    }
    return {};
}

int PrinterListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant PrinterListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size()) {
        return {};
    }
    const Row& row = m_rows[index.row()];
    switch (role) {
    case NameRole:
        return row.name;
    case Qt::DisplayRole:
    case DisplayNameRole:
        return row.displayName;
    case SubtitleRole:
        return row.subtitle;
    case IsDefaultRole:
        return row.isDefault;
    case ConnectedRole:
        return row.connected;
    case AvailableRole:
        return row.available;
    case RssiRole:
        return row.rssi;
    case FirmwareRole:
        return row.firmware;
    default:
        return {};
    }
}

QHash<int, QByteArray> PrinterListModel::roleNames() const {
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(NameRole, "name");
    names.insert(DisplayNameRole, "displayName");
    names.insert(SubtitleRole, "subtitle");
    names.insert(IsDefaultRole, "isDefault");
    names.insert(ConnectedRole, "connected");
    names.insert(AvailableRole, "available");
    names.insert(RssiRole, "rssi");
    names.insert(FirmwareRole, "firmware");
    return names;
}

PrinterListModel::Row PrinterListModel::rowFor(const DiscoveredPrinter& printer) const {
    const PrinterRegistry& registry = *m_manager->registry();
    Row row;
    row.name = printer.advertisedName;
    row.displayName = registry.displayName(row.name);
    row.isDefault = registry.defaultPrinter() == row.name;
    row.connected = m_manager->isConnected(row.name);
    row.available = m_manager->isAvailable(printer);
    row.rssi = printer.rssi;
    const auto info = m_manager->info().constFind(row.name);
    if (info != m_manager->info().cend()) {
        row.firmware = info->firmware;
        row.subtitle = row.name + QStringLiteral(" · firmware ") + row.firmware;
    } else if (registry.nicknames().contains(row.name)) {
        row.subtitle = row.name;
    } else {
        row.subtitle =
            row.available ? QStringLiteral("Nearby") : QStringLiteral("Not seen recently");
    }
    return row;
}

void PrinterListModel::refresh() {
    QList<Row> next;
    for (const DiscoveredPrinter& printer : m_manager->printers()) {
        next.append(rowFor(printer));
    }
    QSet<QString> names;
    for (const Row& row : next) {
        names.insert(row.name);
    }
    for (qsizetype i = m_rows.size() - 1; i >= 0; --i) {
        if (!names.contains(m_rows[i].name)) {
            beginRemoveRows({}, int(i), int(i));
            m_rows.removeAt(i);
            endRemoveRows();
        }
    }
    // The manager keeps its list sorted by name, so what remains is in the new order already.
    for (qsizetype i = 0; i < next.size(); ++i) {
        if (i < m_rows.size() && m_rows[i].name == next[i].name) {
            if (m_rows[i] != next[i]) {
                m_rows[i] = next[i];
                Q_EMIT dataChanged(index(int(i)), index(int(i)));
            }
            continue;
        }
        beginInsertRows({}, int(i), int(i));
        m_rows.insert(i, next[i]);
        endInsertRows();
    }
    scheduleExpiry();
}

void PrinterListModel::scheduleExpiry() {
    const Clock::time_point now = Clock::now();
    std::optional<Clock::time_point> next;
    for (const DiscoveredPrinter& printer : m_manager->printers()) {
        const Clock::time_point expiry = printer.lastSeen + PrinterManager::availabilityWindow;
        if (expiry > now && !m_manager->isConnected(printer.advertisedName) &&
            (!next || expiry < *next)) {
            next = expiry;
        }
    }
    if (next) {
        m_expiry->start(*next - now);
    } else {
        m_expiry->stop();
    }
}

} // namespace vantrel
