#pragma once

#include "LabelKit/model/UserError.h"

#include <QString>

#include <optional>

namespace vantrel {

enum class BluetoothState;

// A failure of the printer manager, with the message the user sees. Thrown by every printer
// operation; comparable so that tests and views can tell the cases apart.
class PrinterError : public UserError {
public:
    enum class Kind {
        notFound,      // payload: the printer's display name
        connectFailed, // payload: the stack's reason
        writeFailed,   // payload: the stack's reason
        timeout,       // payload: what was awaited
        bluetoothOff,
        bluetoothUnauthorized,
        bluetoothUnsupported,
        noPrinterSelected,
        disconnected,
        serviceMissing,
    };

    static PrinterError notFound(const QString& displayName);
    static PrinterError connectFailed(const QString& reason);
    static PrinterError writeFailed(const QString& reason);
    static PrinterError timeout(const QString& what);
    static PrinterError bluetoothOff();
    static PrinterError bluetoothUnauthorized();
    static PrinterError bluetoothUnsupported();
    static PrinterError noPrinterSelected();
    static PrinterError disconnected();
    static PrinterError serviceMissing();

    // The error that a radio in this state gives an operation, or nothing when the state is
    // powered on or may still become so (unknown, resetting).
    static std::optional<PrinterError> forState(BluetoothState state);

    Kind kind() const { return m_kind; }
    const QString& payload() const { return m_payload; }

    friend bool operator==(const PrinterError& a, const PrinterError& b) {
        return a.m_kind == b.m_kind && a.m_payload == b.m_payload;
    }

private:
    PrinterError(Kind kind, QString payload);

    Kind m_kind;
    QString m_payload;
};

} // namespace vantrel
