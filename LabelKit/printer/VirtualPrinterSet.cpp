#include "LabelKit/printer/VirtualPrinterSet.h"

#include "LabelKit/model/UserError.h"
#include "LabelKit/printer/PrinterManager.h"
#include "LabelKit/printer/VirtualCentral.h"

#include <QDir>
#include <QSet>

#include <array>

namespace vantrel {

namespace {

constexpr int maxCount = 26;
// Well inside their bands of the signal bars, so that the advertised jitter keeps the bars.
constexpr std::array spreadRssi{-52, -64, -74, -86};

int spread(qsizetype index) {
    return spreadRssi[size_t(index) % spreadRssi.size()];
}

QString printerName(QString name) {
    name = name.trimmed();
    const QString& prefix = PrinterManager::namePrefixes.first();
    return name.startsWith(prefix) ? name : prefix + u'-' + name;
}

// The name becomes a folder: no separators, nothing that climbs or hides.
void checkName(const QString& name, const QString& written) {
    if (name.contains(u'/') || name.contains(u'\\') || name.startsWith(u'.')) {
        throw UserError(
            QStringLiteral("“%1” can't name a virtual printer: its name is also its folder's.")
                .arg(written));
    }
}

} // namespace

const QString VirtualPrinterSet::defaultName = QStringLiteral("CT221B-VIRTUAL");
const QString VirtualPrinterSet::synopsis = QStringLiteral("N|NAME[@RSSI],...");

VirtualPrinterSet VirtualPrinterSet::parse(const QString& folder, const QString& description) {
    const QDir base(QDir(folder).absolutePath());
    VirtualPrinterSet set;
    set.folder = folder.isEmpty() ? QString() : base.path();
    const QString text = description.trimmed();
    if (text.isEmpty()) {
        set.members.append({defaultName, -58, base.path()});
        return set;
    }

    bool isCount = false;
    const int count = text.toInt(&isCount);
    if (isCount) {
        if (count < 0 || count > maxCount) {
            throw UserError(QStringLiteral("There can be 0 to %1 virtual printers, not %2.")
                                .arg(maxCount)
                                .arg(text));
        }
        for (int i = 0; i < count; ++i) {
            const QString name = printerName(QString(QChar(u'A' + i)));
            set.members.append({name, spread(i), base.filePath(name)});
        }
        return set;
    }

    QSet<QString> names;
    const QStringList entries = text.split(u',');
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString& entry = entries[i];
        const qsizetype at = entry.lastIndexOf(u'@');
        const QString written = (at < 0 ? entry : entry.left(at)).trimmed();
        if (written.isEmpty()) {
            throw UserError(QStringLiteral("A virtual printer needs a name: “%1”.").arg(text));
        }
        const QString name = printerName(written);
        checkName(name, written);
        if (names.contains(name)) {
            throw UserError(QStringLiteral("Two virtual printers are named %1.").arg(name));
        }
        names.insert(name);

        int rssi = spread(i);
        if (at >= 0) {
            bool ok = false;
            rssi = entry.mid(at + 1).trimmed().toInt(&ok);
            if (!ok || rssi < -100 || rssi > 0) {
                throw UserError(QStringLiteral("The signal of %1 must be a whole number of dBm "
                                               "from -100 to 0, not “%2”.")
                                    .arg(name, entry.mid(at + 1).trimmed()));
            }
        }
        set.members.append({name, rssi, base.filePath(name)});
    }
    return set;
}

void VirtualPrinterSet::createFolders() const {
    QStringList folders{folder};
    for (const Member& member : members) {
        folders.append(member.folder);
    }
    for (const QString& path : folders) {
        if (path.isEmpty() || !QDir().mkpath(path)) {
            throw UserError(
                QStringLiteral("Couldn't create the folder %1 for the virtual printer.").arg(path));
        }
    }
}

QList<VirtualPrinter*> VirtualPrinterSet::addTo(VirtualCentral& central) const {
    QList<VirtualPrinter*> added;
    for (const Member& member : members) {
        auto* printer = central.addPrinter(new VirtualPrinter(member.name, member.folder));
        printer->setRssi(member.rssi);
        printer->setLatency(Clock::duration(0));
        added.append(printer);
    }
    return added;
}

} // namespace vantrel
