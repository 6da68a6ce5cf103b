#pragma once

#include "LabelKit/platform/Clock.h"
#include "LabelKit/tspl/TsplDecoder.h"

#include <QBluetoothUuid>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace vantrel {

// A CT221B simulated in-process, reached through VirtualCentral. It advertises its name with a
// plausible signal, exposes the printer's GATT profile, acknowledges each write after a
// latency, answers the info request, and prints: every job it receives is checked like the
// printer reads it, and each PRINT saves the job as NNNN.tspl and what it burns as NNNN.png
// (8-bit grey, black 0, white 255) in its folder, numbered after the files already there. Each
// number is claimed by creating its files exclusively, so printers of several processes can
// share a folder without overwriting each other's labels.
// A malformed job is reported through streamError() and errors(), never saved.
class VirtualPrinter : public QObject {
    Q_OBJECT
public:
    // Misbehaviour on demand. Chunk numbers count the writes of one connection from 1.
    struct Faults {
        bool absent = false;           // neither advertises nor answers a connect
        bool refuseConnection = false; // the connect fails
        bool serviceMissing = false;   // no print service
        bool writeCharacteristicMissing = false;
        bool notifyCharacteristicMissing = false;
        std::optional<qint64> failWrite;   // this chunk's write is rejected
        std::optional<qint64> ignoreWrite; // this chunk is never acknowledged
        std::optional<qint64> dropAfter;   // the link drops after acknowledging this chunk
        bool silentInfo = false;           // the info request gets no reply
    };

    explicit VirtualPrinter(const QString& name = QStringLiteral("CT221B-VIRTUAL"),
                            const QString& folder = {}, QObject* parent = nullptr);

    QUuid id() const { return m_id; }
    // The advertised local name; a null QString advertises none.
    const QString& localName() const { return m_localName; }
    void setLocalName(const QString& name) { m_localName = name; }
    // The device name the stack reports besides the advertisement; null for none.
    const QString& peripheralName() const { return m_peripheralName; }
    void setPeripheralName(const QString& name) { m_peripheralName = name; }
    int rssi() const { return m_rssi; }
    void setRssi(int rssi) { m_rssi = rssi; }
    // Random variation of the advertised signal, in dB either way.
    int rssiJitter() const { return m_rssiJitter; }
    void setRssiJitter(int dB) { m_rssiJitter = dB; }
    Clock::duration latency() const { return m_latency; }
    void setLatency(Clock::duration latency) { m_latency = latency; }
    // The link's write limit; nothing when the stack cannot tell.
    std::optional<qint64> maximumWriteLength() const { return m_maximumWriteLength; }
    void setMaximumWriteLength(std::optional<qint64> bytes) { m_maximumWriteLength = bytes; }
    const Faults& faults() const { return m_faults; }
    void setFaults(const Faults& faults) { m_faults = faults; }
    // The notification that answers the info request.
    void setInfoReply(const QByteArray& reply) { m_infoReply = reply; }

    // Where labels are saved; without a folder they are only counted and announced.
    const QString& folder() const { return m_folder; }
    void setFolder(const QString& folder);

    QList<QBluetoothUuid> services() const;
    QList<QBluetoothUuid> characteristics(const QBluetoothUuid& service) const;

    // What arrived: the size of every write acknowledged, the bytes, the labels printed (the
    // files saved, PNG paths), and every problem found in the stream.
    const QList<qint64>& writeSizes() const { return m_writeSizes; }
    const QByteArray& received() const { return m_received; }
    qint64 pagesPrinted() const { return m_pagesPrinted; }
    const QStringList& savedFiles() const { return m_savedFiles; }
    const QStringList& errors() const { return m_errors; }
    // How often a central asked to connect to it.
    qint64 connectionRequests() const { return m_connectionRequests; }
    // The most writes that were awaiting their acknowledgement at one time.
    qint64 maxWritesInFlight() const { return m_maxWritesInFlight; }
    void clearRecord();

Q_SIGNALS:
    // A label printed; `png` is the saved picture, empty without a folder.
    void printed(const QString& png, qint64 copies);
    void streamError(const QString& message);

private:
    friend class VirtualCentral;

    // Bytes of one acknowledged write; returns whether the printer owes an info reply.
    bool receive(const QByteArray& bytes);
    void linkDropped();
    void handle(const QList<TsplDecoder::Event>& events, bool* infoRequested);
    void save(const TsplDecoder::Event& page);
    void reportError(const QString& message);
    qint64 nextNumber();

    QUuid m_id;
    QString m_localName;
    QString m_peripheralName;
    QString m_folder;
    int m_rssi = -58;
    int m_rssiJitter = 3;
    Clock::duration m_latency{0.015};
    std::optional<qint64> m_maximumWriteLength = 512;
    Faults m_faults;
    QByteArray m_infoReply;
    TsplDecoder m_decoder;
    std::optional<qint64> m_nextNumber;
    QList<qint64> m_writeSizes;
    QByteArray m_received;
    qint64 m_pagesPrinted = 0;
    qint64 m_connectionRequests = 0;
    qint64 m_writesInFlight = 0;
    qint64 m_maxWritesInFlight = 0;
    QStringList m_savedFiles;
    QStringList m_errors;
};

} // namespace vantrel
