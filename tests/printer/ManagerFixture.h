#pragma once

#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/printer/PrinterManager.h"
#include "LabelKit/printer/VirtualCentral.h"

#include "tests/printer/AsyncSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace vantrel {
inline void PrintTo(const PrinterActivity& activity, std::ostream* os) {
    *os << activity.toString().toStdString();
}
} // namespace vantrel

using namespace vantrel;

// A printer manager over a virtual central with one virtual printer, "CT221B-VIRTUAL", on a
// clock running 50 times faster than real time, so every wait of the protocol is short but
// keeps its nominal length on the clock.
class ManagerFixture : public ::testing::Test {
protected:
    static constexpr const char* printerName = "CT221B-VIRTUAL";

    explicit ManagerFixture(double scale = 0.02) : m_scale(scale) {}

    void SetUp() override {
        central = new VirtualCentral();
        printer = addPrinter(QString::fromLatin1(printerName));
        createManager();
    }

    void TearDown() override { manager.reset(); }

    void createManager() {
        manager = std::make_unique<PrinterManager>(&settings, central);
        QObject::connect(manager.get(), &PrinterManager::activityChanged, manager.get(),
                         [this] { activities.append(manager->activity()); });
        asyncsupport::runUntil(
            [this] { return manager->bluetoothState() != BluetoothState::unknown; });
    }

    VirtualPrinter* addPrinter(const QString& name) {
        auto* added = central->addPrinter(new VirtualPrinter(name));
        added->setRssiJitter(0);
        return added;
    }

    // Scans until every present printer is listed.
    void discoverAll() {
        manager->startScanning();
        asyncsupport::runUntil([this] {
            qsizetype present = 0;
            for (const VirtualPrinter* p : central->printers()) {
                present += p->faults().absent ? 0 : 1;
            }
            return manager->printers().size() >= present;
        });
        manager->stopScanning();
    }

    void setRadio(BluetoothState state) {
        central->setState(state);
        asyncsupport::runUntil([&] { return manager->bluetoothState() == state; });
    }

    QString name() const { return QString::fromLatin1(printerName); }

    asyncsupport::TimeScale m_scale;
    MemorySettingsStore settings;
    VirtualCentral* central = nullptr; // owned by the manager
    VirtualPrinter* printer = nullptr;
    std::unique_ptr<PrinterManager> manager;
    QList<PrinterActivity> activities;
};
