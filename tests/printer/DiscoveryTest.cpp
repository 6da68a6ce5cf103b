#include "tests/printer/ManagerFixture.h"

#include <QSignalSpy>

using namespace vantrel;

using namespace Qt::StringLiterals;

using asyncsupport::runFor;
using asyncsupport::runUntil;

class Discovery : public ManagerFixture {};

// Listed are the advertised local name, or without one the device name, when it starts with
// the printer prefix, sorted by name.
TEST_F(Discovery, ListsOnlyNamesStartingWithThePrinterPrefix) {
    const struct {
        QString localName;
        QString peripheralName;
        QString listedAs; // empty: not listed
    } cases[] = {
        {u"CT221B-A"_s, QString(), u"CT221B-A"_s}, {u"CT221B"_s, QString(), u"CT221B"_s},
        {QString(), u"CT221B-P"_s, u"CT221B-P"_s}, {u"Printer"_s, u"CT221B-Q"_s, QString()},
        {u"Printer"_s, u"Printer"_s, QString()},   {QString(), QString(), QString()},
        {u""_s, u"CT221B-R"_s, QString()},         {u"ct221b-x"_s, QString(), QString()},
        {u"XCT221B"_s, QString(), QString()},
    };
    for (const auto& c : cases) {
        VirtualPrinter* p = addPrinter(u"CT221B-Z"_s);
        p->setLocalName(c.localName);
        p->setPeripheralName(c.peripheralName);
        central->advertise(p, -60);
        QString listed;
        for (const DiscoveredPrinter& d : manager->printers()) {
            listed += d.peripheralID == p->id() ? d.advertisedName : QString();
        }
        EXPECT_EQ(listed, c.listedAs)
            << c.localName.toStdString() << c.peripheralName.toStdString();
    }
    central->advertise(printer, 127);
    QStringList names;
    for (const DiscoveredPrinter& d : manager->printers()) {
        names.append(d.advertisedName);
    }
    EXPECT_EQ(names, (QStringList{u"CT221B"_s, u"CT221B-A"_s, u"CT221B-P"_s, name()}));
    EXPECT_EQ(manager->printers().last().rssi, -100) << "no reading is stored as -100 dBm";
}

// The flood of duplicate advertisements changes nothing unless the signal moves by more than
// 4 dB, 2 s have passed, or another peripheral carries the name.
TEST_F(Discovery, DuplicateAdvertisementsDoNotChurn) {
    QSignalSpy changes(manager.get(), &PrinterManager::printersChanged);
    central->advertise(printer, -61);
    ASSERT_EQ(changes.count(), 1);
    const DiscoveredPrinter first = manager->printers()[0];

    central->advertise(printer, -63);
    central->advertise(printer, -57);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(manager->printers()[0], first);

    central->advertise(printer, -66);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(manager->printers()[0].rssi, -66);
    EXPECT_GT(manager->printers()[0].lastSeen, first.lastSeen);

    runFor(2.2);
    central->advertise(printer, -66);
    EXPECT_EQ(changes.count(), 3) << "a steady printer is still seen again after 2 s";

    VirtualPrinter* twin = addPrinter(name());
    central->advertise(twin, -66);
    EXPECT_EQ(changes.count(), 4);
    ASSERT_EQ(manager->printers().size(), 1) << "one entry per advertised name";
    EXPECT_EQ(manager->printers()[0].peripheralID, twin->id());
}

TEST_F(Discovery, ScansWhileAskedAndWhileTheRadioIsOn) {
    QSignalSpy scanning(manager.get(), &PrinterManager::isScanningChanged);
    manager->startScanning();
    manager->startScanning();
    EXPECT_TRUE(manager->isScanning());
    EXPECT_TRUE(central->isScanning());
    EXPECT_TRUE(runUntil([&] { return !manager->printers().isEmpty(); }))
        << "the printer advertises while scanning";

    manager->stopScanning();
    EXPECT_TRUE(manager->isScanning()) << "one view still asks";
    manager->stopScanning();
    manager->stopScanning();
    EXPECT_EQ(manager->scanRequests(), 0);
    EXPECT_FALSE(manager->isScanning());
    EXPECT_FALSE(central->isScanning());

    manager->startScanning();
    setRadio(BluetoothState::poweredOff);
    EXPECT_FALSE(manager->isScanning());
    setRadio(BluetoothState::poweredOn);
    EXPECT_TRUE(manager->isScanning()) << "scanning resumes with the radio";
    EXPECT_EQ(scanning.count(), 5) << "the field announces real changes only";
}
