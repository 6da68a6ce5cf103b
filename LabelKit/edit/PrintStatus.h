#pragma once

#include <QString>

namespace vantrel {

// Where a print panel's print stands: ready, printing (items done of total), done (labels
// sent), or failed with the message the user sees.
struct PrintStatus {
    enum class Kind { ready, printing, done, failed };

    Kind kind = Kind::ready;
    qint64 done = 0;
    qint64 total = 0;
    qint64 sent = 0;
    QString message;

    static PrintStatus ready() { return {}; }
    static PrintStatus printing(qint64 done, qint64 total) {
        return {Kind::printing, done, total, 0, {}};
    }
    static PrintStatus finished(qint64 sent) { return {Kind::done, 0, 0, sent, {}}; }
    static PrintStatus failed(const QString& message) { return {Kind::failed, 0, 0, 0, message}; }

    // "Sent 6 labels", the failure's message, "Printing 2 of 3", or nothing when ready.
    QString text() const;

    friend bool operator==(const PrintStatus&, const PrintStatus&) = default;
};

} // namespace vantrel
