#pragma once

#include <QString>

namespace vantrel {

// What the printer manager is doing. `printer` names the printer for every kind but idle;
// `done` and `total` count the items of the batch being printed.
struct PrinterActivity {
    enum class Kind { idle, connecting, printing, connected };

    Kind kind = Kind::idle;
    QString printer;
    qint64 done = 0;
    qint64 total = 0;

    static PrinterActivity idle() { return {}; }
    static PrinterActivity connecting(const QString& name) {
        return {Kind::connecting, name, 0, 0};
    }
    static PrinterActivity connected(const QString& name) { return {Kind::connected, name, 0, 0}; }
    static PrinterActivity printing(const QString& name, qint64 done, qint64 total) {
        return {Kind::printing, name, done, total};
    }

    // A short English description, for logs of tests and tools ("printing CT221B-A 1/3").
    QString toString() const;

    friend bool operator==(const PrinterActivity&, const PrinterActivity&) = default;
};

} // namespace vantrel
