#include "LabelKit/printer/VirtualPrinterSet.h"
#include "LabelKit/model/UserError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vantrel;

// Each printer gets a name the manager takes for a printer, a signal and a folder of its own;
// what cannot be simulated is refused with its reason.
TEST(VirtualPrinterSet, DescriptionsGiveNamesSignalsAndFolders) {
    const QDir base(QDir::temp().filePath(QStringLiteral("printed")));
    const struct {
        const char* description;
        const char* printersOrError;
    } cases[] = {
        {"", "CT221B-VIRTUAL@-58:."},
        {" 0 ", ""},
        {"3", "CT221B-A@-52:CT221B-A CT221B-B@-64:CT221B-B CT221B-C@-74:CT221B-C"},
        {"Back@-70, CT221B-Front ,X@0",
         "CT221B-Back@-70:CT221B-Back CT221B-Front@-64:CT221B-Front CT221B-X@0:CT221B-X"},
        {"a,b,c,d,e", "CT221B-a@-52:CT221B-a CT221B-b@-64:CT221B-b CT221B-c@-74:CT221B-c "
                      "CT221B-d@-86:CT221B-d CT221B-e@-52:CT221B-e"},
        {"27", "There can be 0 to 26 virtual printers, not 27."},
        {"-1", "There can be 0 to 26 virtual printers, not -1."},
        {"A,,B", "A virtual printer needs a name: “A,,B”."},
        {"A,CT221B-A", "Two virtual printers are named CT221B-A."},
        {"../up", "“../up” can't name a virtual printer: its name is also its folder's."},
        {"A@-101", "The signal of CT221B-A must be a whole number of dBm from -100 to 0, not "
                   "“-101”."},
        {"A@strong", "The signal of CT221B-A must be a whole number of dBm from -100 to 0, not "
                     "“strong”."},
    };
    for (const auto& c : cases) {
        QStringList parts;
        try {
            const VirtualPrinterSet set =
                VirtualPrinterSet::parse(base.path(), QString::fromUtf8(c.description));
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
        EXPECT_EQ(parts.join(u' '), QString::fromUtf8(c.printersOrError)) << c.description;
    }
}

TEST(VirtualPrinterSet, CreatesEveryFolderOrNamesTheOneItCannot) {
    QTemporaryDir temp;
    const QString base = temp.filePath(QStringLiteral("printed"));
    VirtualPrinterSet::parse(base, QStringLiteral("2")).createFolders();
    EXPECT_TRUE(QDir(base).exists(QStringLiteral("CT221B-A")));
    EXPECT_TRUE(QDir(base).exists(QStringLiteral("CT221B-B")));

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
