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
    for (const QStringList& c :
         testsupport::dataTable(QStringLiteral("virtual-printer-sets.txt"))) {
        QStringList parts;
        try {
            const VirtualPrinterSet set = VirtualPrinterSet::parse(base.path(), c[0]);
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
        EXPECT_EQ(parts.join(u' '), c.value(1)) << c[0].toStdString();
    }
}
