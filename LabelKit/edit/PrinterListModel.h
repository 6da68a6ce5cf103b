#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QString>

namespace vantrel {

class PrinterManager;
class Timer;
struct DiscoveredPrinter;

// The printers the manager has seen, one row each in its order (by advertised name), with
// what a row of the printers list shows. Rows are inserted, removed and changed one by one as
// the manager, its registry (nicknames, default) and the link change; never reset.
//
// A printer stays available for PrinterManager::availabilityWindow after it was last heard:
// the model turns AvailableRole (and the subtitle) false when that time runs out on the clock,
// without waiting for another event.
class PrinterListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role {
        NameRole = Qt::UserRole + 1, // QString: the advertised name, the key of every printer call
        DisplayNameRole,             // QString: the nickname, else the name; also Qt::DisplayRole
        SubtitleRole,  // "<name> · firmware <version>" after a firmware read, else the name
                       // when a nickname is shown, else "Nearby" or "Not seen recently"
        IsDefaultRole, // bool
        ConnectedRole, // bool
        AvailableRole, // bool: connected, or heard less than the availability window ago
        RssiRole,      // int, dBm
        FirmwareRole,  // QString, empty until read
    };

    explicit PrinterListModel(PrinterManager* manager, QObject* parent = nullptr);

    PrinterManager* manager() const { return m_manager; }
    // The row of the printer, or an invalid index.
    QModelIndex indexOf(const QString& name) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    struct Row {
        QString name;
        QString displayName;
        QString subtitle;
        QString firmware;
        bool isDefault = false;
        bool connected = false;
        bool available = false;
        int rssi = 0;
        friend bool operator==(const Row&, const Row&) = default;
    };

    Row rowFor(const DiscoveredPrinter& printer) const;
    // Brings the rows up to date with the manager, announcing each difference.
    void refresh();
    // Arms the timer for the next printer whose availability runs out.
    void scheduleExpiry();

    PrinterManager* m_manager;
    QList<Row> m_rows;
    Timer* m_expiry;
};

} // namespace vantrel
