#pragma once

#include "LabelKit/print/PrintItem.h"

#include <QList>
#include <QUuid>

#include <optional>

namespace vantrel {

class SettingsStore;

// The serial numbers of one print, reserved so that no other print of the design uses them, in
// this process or another (the application and the command line share the settings and their
// lock). The design's counter ("serial.next." + id) moves past the run before any label goes
// out; when the print ends early, finish() moves it back to just after the last label that went
// out, unless another print has claimed numbers since: unsent numbers may be skipped, never
// printed twice. A process that is killed mid-print leaves the rest of its run skipped.
class SerialClaim {
public:
    // Reserves `count` numbers from `start`, or from the counter when no start is given. An
    // explicit start never moves the counter back. Throws UserError with the settings' own
    // message when the counter cannot be stored: then nothing may print.
    static SerialClaim take(SettingsStore& settings, const QUuid& labelID,
                            std::optional<qint64> start, qint64 count);

    qint64 start() const { return m_start; }
    // Where the next print continues when this one goes out whole.
    qint64 next() const { return m_start + m_count; }

    // Gives the items the claimed numbers in order: item k gets start + k.
    void number(QList<PrintItem>& items) const;

    // The print ended after its first `sent` items went out (all of them on success).
    void finish(qint64 sent);

private:
    SerialClaim(SettingsStore& settings, QString key, qint64 start, qint64 count);

    SettingsStore* m_settings;
    QString m_key;
    qint64 m_start;
    qint64 m_count;
    std::optional<qint64> m_before; // the counter as it stood before the claim
    std::optional<qint64> m_after;  // the counter the claim stored, if it moved it
};

} // namespace vantrel
