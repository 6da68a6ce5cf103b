#include "app/AutomationAdaptor.h"

#include "app/SingleInstance.h"

#include "LabelKit/merge/TextSearch.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/platform/SessionBus.h"
#include "LabelKit/printer/PrintActions.h"
#include "LabelKit/printer/PrinterRegistry.h"
#include "LabelKit/store/LabelStore.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>

namespace vantrel {

QDBusArgument& operator<<(QDBusArgument& argument, const LabelEntry& entry) {
    argument.beginStructure();
    argument << entry.id << entry.name;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, LabelEntry& entry) {
    argument.beginStructure();
    argument >> entry.id >> entry.name;
    argument.endStructure();
    return argument;
}

namespace {

LabelEntries entriesOf(const QList<LabelDocument>& labels) {
    LabelEntries entries;
    entries.reserve(labels.size());
    for (const LabelDocument& label : labels) {
        entries.append({label.id.toString(QUuid::WithoutBraces).toUpper(), label.name});
    }
    return entries;
}

// Automation names no printer, so the manager's preferred one prints: the default printer, else
// the only printer listed. The list fills only while something scans, so when no window has
// scanned, look around first, as the command line does, rather than fail for want of a list.
QCoro::Task<> lookAround(PrinterManager& printers) {
    if (printers.registry()->preferredPrinter() ||
        PrinterError::forState(printers.bluetoothState())) {
        co_return; // the print itself says what is wrong with the radio
    }
    printers.startScanning();
    const Clock::time_point giveUp = Clock::now() + Clock::duration(5);
    while (printers.printers().isEmpty() && Clock::now() < giveUp) {
        co_await Clock::sleep(Clock::duration(0.1), &printers);
    }
    if (!printers.printers().isEmpty()) {
        // Once one printer is heard, a second longer, in case there are others.
        co_await Clock::sleep(Clock::duration(1), &printers);
    }
    printers.stopScanning();
}

// The stored label with this id, else the one of this name.
std::optional<LabelDocument> stored(const LabelStore& store, const QString& label) {
    const QUuid id = QUuid::fromString(label);
    if (!id.isNull()) {
        if (std::optional<LabelDocument> found = store.label(id)) {
            return found;
        }
    }
    return store.labelNamed(label);
}

// `label` is what the caller named it by, for the error when it is deleted meanwhile.
QCoro::Task<QString> printLabelTask(LabelStore& store, PrinterManager& printers, QUuid id,
                                    QString label, int copies, std::optional<QString> text) {
    co_await lookAround(printers);
    co_return co_await PrintActions::printLabel(
        [&store](const QUuid& wanted) { return store.label(wanted); }, printers, id,
        std::move(label), copies, std::move(text));
}

QCoro::Task<QString> printTextTask(PrinterManager& printers, QString text, int copies) {
    co_await lookAround(printers);
    co_return co_await PrintActions::printText(printers, std::move(text), copies);
}

// Sends the outcome of a print as the reply to the call that asked for it.
QCoro::Task<> answer(QDBusConnection bus, QDBusMessage call, QCoro::Task<QString> print) {
    QDBusMessage reply;
    try {
        reply = call.createReply(co_await std::move(print));
    } catch (const UserError& e) {
        reply = call.createErrorReply(SessionBus::failedError, e.message());
    } catch (const std::exception& e) {
        // Every call gets its answer, even from a failure nobody foresaw.
        reply = call.createErrorReply(SessionBus::failedError,
                                      QStringLiteral("Printing failed: %1").arg(e.what()));
    }
    bus.send(reply);
}

} // namespace

AutomationAdaptor::AutomationAdaptor(SingleInstance* instance, std::function<LabelStore&()> store,
                                     std::function<PrinterManager&()> printers)
    : QDBusAbstractAdaptor(instance)
    , m_instance(instance)
    , m_store(std::move(store))
    , m_printers(std::move(printers)) {
    qDBusRegisterMetaType<LabelEntry>();
    qDBusRegisterMetaType<LabelEntries>();
}

bool AutomationAdaptor::refuseCopies(int copies) {
    if (copies >= 1 && copies <= maxCopies) {
        return false;
    }
    m_instance->callContext().sendErrorReply(
        QDBusError::InvalidArgs,
        QStringLiteral("Copies must be from 1 to %1, not %2.").arg(maxCopies).arg(copies));
    return true;
}

QString AutomationAdaptor::PrintLabel(const QString& label, int copies, const QString& text) {
    if (refuseCopies(copies)) {
        return {};
    }
    LabelStore& store = m_store();
    const std::optional<LabelDocument> found = stored(store, label);
    if (!found) {
        // Refused before any printer is looked for.
        m_instance->callContext().sendErrorReply(SessionBus::failedError,
                                                 PrintActions::missingLabel(label));
        return {};
    }
    QDBusContext& call = m_instance->callContext();
    call.setDelayedReply(true);
    answer(call.connection(), call.message(),
           printLabelTask(store, m_printers(), found->id, label, copies,
                          text.isEmpty() ? std::nullopt : std::optional(text)));
    return {};
}

QString AutomationAdaptor::PrintText(const QString& text, int copies) {
    if (refuseCopies(copies)) {
        return {};
    }
    if (text.trimmed().isEmpty()) {
        m_instance->callContext().sendErrorReply(QDBusError::InvalidArgs,
                                                 QStringLiteral("There is no text to print."));
        return {};
    }
    QDBusContext& call = m_instance->callContext();
    call.setDelayedReply(true);
    answer(call.connection(), call.message(), printTextTask(m_printers(), text, copies));
    return {};
}

LabelEntries AutomationAdaptor::Labels() {
    return entriesOf(m_store().labels());
}

LabelEntries AutomationAdaptor::FindLabels(const QString& query) {
    const TextSearch search(query);
    QList<LabelDocument> found;
    for (const LabelDocument& label : m_store().labels()) {
        if (search.matches(label.name)) {
            found.append(label);
        }
    }
    return entriesOf(found);
}

} // namespace vantrel
