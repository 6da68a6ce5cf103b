#include "LabelKit/print/SerialClaim.h"

#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/print/PrintBatch.h"

#include <algorithm>

namespace vantrel {

SerialClaim::SerialClaim(SettingsStore& settings, QString key, qint64 start, qint64 count)
    : m_settings(&settings)
    , m_key(std::move(key))
    , m_start(start)
    , m_count(std::max<qint64>(count, 0)) {}

SerialClaim SerialClaim::take(SettingsStore& settings, const QUuid& labelID,
                              std::optional<qint64> start, qint64 count) {
    SerialClaim claim(settings, PrintBatch::nextSerialKey(labelID), 0, count);
    const bool stored = settings.transact([&] {
        claim.m_before = settings.integer(claim.m_key);
        const qint64 counter = PrintBatch::storedSerialStart(settings, labelID);
        claim.m_start = start.value_or(counter);
        if (claim.next() > counter || !claim.m_before) {
            claim.m_after = std::max(counter, claim.next());
            settings.setInteger(claim.m_key, *claim.m_after);
        }
    });
    if (!stored) {
        throw UserError(settings.lastError().value_or(
            QStringLiteral("Couldn't store the next serial number.")));
    }
    return claim;
}

void SerialClaim::number(QList<PrintItem>& items) const {
    for (qsizetype k = 0; k < items.size(); ++k) {
        items[k].context.serial = m_start + k;
    }
}

void SerialClaim::finish(qint64 sent) {
    if (!m_after || sent >= m_count) {
        return;
    }
    // A failure to store leaves the counter past the whole run: numbers skipped, none repeated.
    m_settings->transact([&] {
        if (m_settings->integer(m_key) != m_after) {
            return; // another print claimed numbers after ours
        }
        if (sent > 0) {
            const qint64 counter = m_before && *m_before >= 1 ? *m_before : 1;
            m_settings->setInteger(m_key, std::max(counter, m_start + sent));
        } else if (m_before) {
            m_settings->setInteger(m_key, *m_before); // nothing went out
        } else {
            m_settings->remove(m_key);
        }
    });
    m_after.reset();
}

} // namespace vantrel
