#pragma once

#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/printer/DiscoveredPrinter.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace vantrel {

// The user's printer settings: nicknames, the default printer and the two transfer settings,
// read from the settings store once and written back on every real change, plus the idle time
// before a link is dropped, which lasts one run. It also says how a printer is named on screen
// and which printer serves when none is chosen. Printers are keyed by their advertised name.
// Lives on the main thread; the printer manager owns one and exposes it.
//
// No range check is made on assignment (the settings views limit the values, the write path
// limits the chunk length again), except that a value that is not a finite number is refused:
// it could not be stored or slept.
class PrinterRegistry : public QObject {
    Q_OBJECT
public:
    // The printers listed now, in list order (the manager's printers()).
    using PrinterList = std::function<QList<DiscoveredPrinter>()>;

    static constexpr qint64 defaultChunkSize = 237;
    static constexpr double defaultInterLabelDelay = 1.5;
    static constexpr double defaultIdleDisconnectSeconds = 15.0;

    // Loads the settings from `defaults`, which must outlive the registry. A stored value of the
    // wrong type, a chunk size below 1 or a pause not above 0 reads as the default; a nickname
    // map with any value that is not text reads as empty.
    PrinterRegistry(SettingsStore* defaults, PrinterList listed, QObject* parent = nullptr);

    const TextMap& nicknames() const { return m_nicknames; }
    void setNicknames(const TextMap& nicknames);
    const std::optional<QString>& defaultPrinter() const { return m_defaultPrinter; }
    // Nothing removes the stored default.
    void setDefaultPrinter(const std::optional<QString>& name);
    // The most bytes written to the printer at once.
    qint64 chunkSize() const { return m_chunkSize; }
    void setChunkSize(qint64 bytes);
    // The pause after each label of a batch, in seconds.
    double interLabelDelay() const { return m_interLabelDelay; }
    void setInterLabelDelay(double seconds);
    // How long an unused link stays up; not stored.
    double idleDisconnectSeconds() const { return m_idleDisconnectSeconds; }
    void setIdleDisconnectSeconds(double seconds);

    // The nickname of the printer if it has a non-empty one, else its advertised name.
    QString displayName(const QString& name) const;
    // The default printer, listed or not; else the only printer listed; else nothing.
    std::optional<QString> preferredPrinter() const;

    // The printer list changed: announces preferredPrinterChanged when that moves the choice.
    void printersChanged();

Q_SIGNALS:
    void nicknamesChanged();
    void defaultPrinterChanged();
    void chunkSizeChanged();
    void interLabelDelayChanged();
    void idleDisconnectSecondsChanged();
    void preferredPrinterChanged();

private:
    void notePreferred();

    SettingsStore* m_defaults;
    PrinterList m_listed;
    TextMap m_nicknames;
    std::optional<QString> m_defaultPrinter;
    qint64 m_chunkSize = defaultChunkSize;
    double m_interLabelDelay = defaultInterLabelDelay;
    double m_idleDisconnectSeconds = defaultIdleDisconnectSeconds;
    std::optional<QString> m_preferred; // last announced
};

} // namespace vantrel
