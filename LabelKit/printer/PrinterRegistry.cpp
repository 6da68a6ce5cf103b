#include "LabelKit/printer/PrinterRegistry.h"

#include <cmath>

namespace vantrel {

namespace {

const QString nicknamesKey = QStringLiteral("printer.nicknames");
const QString defaultKey = QStringLiteral("printer.default");
const QString chunkSizeKey = QStringLiteral("printer.chunkSize");
const QString delayKey = QStringLiteral("printer.interLabelDelay");

} // namespace

PrinterRegistry::PrinterRegistry(SettingsStore* defaults, PrinterList listed, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_listed(std::move(listed)) {
    m_nicknames = m_defaults->textMap(nicknamesKey).value_or(TextMap{});
    m_defaultPrinter = m_defaults->text(defaultKey);
    if (m_defaultPrinter && m_defaultPrinter->isEmpty()) {
        m_defaultPrinter.reset();
    }
    // An absent key reads as 0, which the rules below turn into the default.
    const qint64 chunk = m_defaults->integer(chunkSizeKey).value_or(0);
    m_chunkSize = chunk < 1 ? defaultChunkSize : chunk;
    const double delay = m_defaults->real(delayKey).value_or(0);
    m_interLabelDelay = delay > 0 && std::isfinite(delay) ? delay : defaultInterLabelDelay;
    m_preferred = preferredPrinter();
}

void PrinterRegistry::setNicknames(const TextMap& nicknames) {
    if (nicknames == m_nicknames) {
        return;
    }
    m_nicknames = nicknames;
    m_defaults->setTextMap(nicknamesKey, m_nicknames);
    Q_EMIT nicknamesChanged();
}

void PrinterRegistry::setDefaultPrinter(const std::optional<QString>& name) {
    if (name == m_defaultPrinter) {
        return;
    }
    m_defaultPrinter = name;
    if (m_defaultPrinter) {
        m_defaults->setText(defaultKey, *m_defaultPrinter);
    } else {
        m_defaults->remove(defaultKey);
    }
    Q_EMIT defaultPrinterChanged();
    notePreferred();
}

void PrinterRegistry::setChunkSize(qint64 bytes) {
    if (bytes == m_chunkSize) {
        return;
    }
    m_chunkSize = bytes;
    m_defaults->setInteger(chunkSizeKey, bytes);
    Q_EMIT chunkSizeChanged();
}

void PrinterRegistry::setInterLabelDelay(double seconds) {
    if (!std::isfinite(seconds) || seconds == m_interLabelDelay) {
        return;
    }
    m_interLabelDelay = seconds;
    m_defaults->setReal(delayKey, seconds);
    Q_EMIT interLabelDelayChanged();
}

void PrinterRegistry::setIdleDisconnectSeconds(double seconds) {
    if (!std::isfinite(seconds) || seconds == m_idleDisconnectSeconds) {
        return;
    }
    m_idleDisconnectSeconds = seconds;
    Q_EMIT idleDisconnectSecondsChanged();
}

QString PrinterRegistry::displayName(const QString& name) const {
    const QString nickname = m_nicknames.value(name);
    return nickname.isEmpty() ? name : nickname;
}

std::optional<QString> PrinterRegistry::preferredPrinter() const {
    if (m_defaultPrinter) {
        return m_defaultPrinter;
    }
    const QList<DiscoveredPrinter> printers = m_listed ? m_listed() : QList<DiscoveredPrinter>();
    if (printers.size() == 1) {
        return printers.first().advertisedName;
    }
    return std::nullopt;
}

void PrinterRegistry::printersChanged() {
    notePreferred();
}

void PrinterRegistry::notePreferred() {
    std::optional<QString> now = preferredPrinter();
    if (now != m_preferred) {
        m_preferred = std::move(now);
        Q_EMIT preferredPrinterChanged();
    }
}

} // namespace vantrel
