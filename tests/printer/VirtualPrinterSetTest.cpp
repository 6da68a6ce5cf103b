#include "LabelKit/printer/VirtualPrinterSet.h"
#include "LabelKit/model/UserError.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vantrel;

// Each printer gets a name the manager takes for a printer, a signal and a folder of its own;
// what cannot be simulated is refused with its reason.
TEST(VirtualPrinterSet, DescriptionsGiveNamesSignalsAndFolders) {
    const QDir base(QDir::temp().filePath(QStringLiteral("printed")));
    const QString cases = QString::fromUtf8(
        testsupport::readBytes(testsupport::dataPath(QStringLiteral("virtual-printer-sets.txt"))));
    for (const QString& line : cases.split(u'\n', Qt::SkipEmptyParts)) {
        if (line.startsWith(u'#')) {
            continue;
        }
        QStringList parts;
        try {
            const VirtualPrinterSet set =
                VirtualPrinterSet::parse(base.path(), line.section(u'|', 0, 0).trimmed());
            EXPECT_EQ(set.folder, base.path());
            for (const VirtualPrinterSet::Member& m : set.members) {
                parts.append(QStringLiteral("%1@%2:%3")
                                 .arg(m.name)
                                 .arg(m.rssi)
                                 .arg(base.relativeFilePath(m.folder)));
            }
        } catch (const UserError& error) {
            parts = QStringList{error.message()};
        }
        EXPECT_EQ(parts.join(u' '), line.section(u'|', 1).trimmed()) << line.toStdString();
    }
}

// The folders made are seen through the command line, which prints into them.
TEST(VirtualPrinterSet, NamesTheFolderItCannotCreate) {
    QTemporaryDir temp;
    const QString file = temp.filePath(QStringLiteral("file"));
    QFile(file).open(QIODevice::WriteOnly);
    try {
        VirtualPrinterSet::parse(file, QStringLiteral("1")).createFolders();
        ADD_FAILURE() << "a folder inside a file";
    } catch (const UserError& error) {
        EXPECT_EQ(
            error.message(),
            QStringLiteral("Couldn't create the folder %1 for the virtual printer.").arg(file));
    }
}
