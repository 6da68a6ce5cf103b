#include "LabelKit/printer/VirtualPrinter.h"

#include "LabelKit/platform/FileWriter.h"
#include "LabelKit/printer/PrinterManager.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QRegularExpression>

namespace vantrel {

VirtualPrinter::VirtualPrinter(const QString& name, const QString& folder, QObject* parent)
    : QObject(parent)
    , m_id(QUuid::createUuid())
    , m_localName(name)
    , m_peripheralName(name)
    , m_folder(folder)
    , m_infoReply(QByteArrayLiteral("CT221B") + '\0' + QByteArrayLiteral("V1.0.7"))
    , m_decoder({PrinterManager::infoRequest}) {}

void VirtualPrinter::setFolder(const QString& folder) {
    m_folder = folder;
    m_nextNumber.reset();
}

QList<QBluetoothUuid> VirtualPrinter::services() const {
    if (m_faults.serviceMissing) {
        return {};
    }
    return {PrinterManager::serviceUUID};
}

QList<QBluetoothUuid> VirtualPrinter::characteristics(const QBluetoothUuid& service) const {
    if (m_faults.serviceMissing || service != PrinterManager::serviceUUID) {
        return {};
    }
    QList<QBluetoothUuid> list;
    if (!m_faults.writeCharacteristicMissing) {
        list.append(PrinterManager::txUUID);
    }
    if (!m_faults.notifyCharacteristicMissing) {
        list.append(PrinterManager::rxUUID);
    }
    return list;
}

void VirtualPrinter::clearRecord() {
    m_writeSizes.clear();
    m_received.clear();
    m_pagesPrinted = 0;
    m_connectionRequests = 0;
    m_maxWritesInFlight = 0;
    m_savedFiles.clear();
    m_errors.clear();
}

bool VirtualPrinter::receive(const QByteArray& bytes) {
    m_writeSizes.append(bytes.size());
    m_received.append(bytes);
    bool infoRequested = false;
    handle(m_decoder.feed(bytes), &infoRequested);
    return infoRequested;
}

void VirtualPrinter::linkDropped() {
    m_writesInFlight = 0;
    handle(m_decoder.reset(), nullptr);
}

void VirtualPrinter::handle(const QList<TsplDecoder::Event>& events, bool* infoRequested) {
    for (const TsplDecoder::Event& event : events) {
        switch (event.kind) {
        case TsplDecoder::Event::Kind::binary:
            // The info request is the only binary command the decoder knows.
            if (infoRequested) {
                *infoRequested = true;
            }
            break;
        case TsplDecoder::Event::Kind::error:
            reportError(event.error);
            break;
        case TsplDecoder::Event::Kind::page:
            save(event);
            break;
        }
    }
}

void VirtualPrinter::reportError(const QString& message) {
    m_errors.append(message);
    Q_EMIT streamError(message);
}

qint64 VirtualPrinter::nextNumber() {
    if (!m_nextNumber) {
        static const QRegularExpression numbered(QStringLiteral("^(\\d{4,18})\\.(tspl|png)$"));
        qint64 highest = 0;
        for (const QString& file : QDir(m_folder).entryList(QDir::Files)) {
            if (const auto match = numbered.match(file); match.hasMatch()) {
                highest = std::max(highest, match.captured(1).toLongLong());
            }
        }
        m_nextNumber = highest + 1;
    }
    return (*m_nextNumber)++;
}

void VirtualPrinter::save(const TsplDecoder::Event& page) {
    ++m_pagesPrinted;
    if (m_folder.isEmpty()) {
        Q_EMIT printed(QString(), page.copies);
        return;
    }
    const QDir dir(m_folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        reportError(QStringLiteral("Couldn't create the folder %1.").arg(m_folder));
        return;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buffer, "png").write(page.label.image())) {
        reportError(QStringLiteral("Couldn't encode the printed label."));
        return;
    }
    // Several printers (processes) may share the folder: each pair of files claims its number
    // by creating both names exclusively, and a number taken by anyone is skipped.
    for (;;) {
        const QString stem = QStringLiteral("%1").arg(nextNumber(), 4, 10, QLatin1Char('0'));
        const QString tsplPath = dir.filePath(stem + QStringLiteral(".tspl"));
        const QString pngPath = dir.filePath(stem + QStringLiteral(".png"));
        bool taken = false;
        if (const auto failure = FileWriter::create(tsplPath, page.bytes, &taken)) {
            reportError(QStringLiteral("Couldn't save %1: %2").arg(tsplPath, *failure));
            return;
        }
        if (taken) {
            continue;
        }
        const auto failure = FileWriter::create(pngPath, png, &taken);
        if (failure || taken) {
            QFile::remove(tsplPath);
        }
        if (failure) {
            reportError(QStringLiteral("Couldn't save %1: %2").arg(pngPath, *failure));
            return;
        }
        if (taken) {
            continue;
        }
        m_savedFiles.append(pngPath);
        Q_EMIT printed(pngPath, page.copies);
        return;
    }
}

} // namespace vantrel
