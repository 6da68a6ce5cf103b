#include "LabelKit/printer/VirtualPrinterSet.h"
#include "LabelKit/model/UserError.h"
#include "tests/support/TestSupport.h"

#include <QDir>

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
