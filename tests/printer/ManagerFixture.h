#pragma once

#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/printer/PrinterManager.h"
#include "LabelKit/printer/VirtualCentral.h"
#include "LabelKit/tspl/TSPL.h"

#include "tests/printer/AsyncSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace vantrel {
inline void PrintTo(const PrinterActivity& activity, std::ostream* os) {
    *os << activity.toString().toStdString();
}
} // namespace vantrel

using namespace vantrel;

// The virtual printer's faults with one set: faultWith(&VirtualPrinter::Faults::dropAfter, 2).
template <typename T, typename V>
VirtualPrinter::Faults faultWith(T VirtualPrinter::Faults::*member, V value) {
    VirtualPrinter::Faults faults;
    faults.*member = value;
    return faults;
}

// A printer manager over a virtual central with one virtual printer, "CT221B-VIRTUAL", on a
// clock running 50 times faster than real time, so every wait of the protocol is short but
// keeps its nominal length on the clock.
class ManagerFixture : public ::testing::Test {
public:
    // A job of about `size` bytes as the encoder writes it: a white label 8 dots wide.
    static QByteArray jobOfSize(qsizetype size) {
        auto job = [](qsizetype rows) {
            RenderedLabel label{8, rows, QByteArray(rows * 8, char(255))};
            return TSPL::job(label, LabelDocument(QStringLiteral("Blank"), 1, double(rows) / 8), 1);
        };
        return job(std::max<qsizetype>(1, size - (job(1).size() - 1)));
    }

protected:
    explicit ManagerFixture(double scale = 0.02) : m_scale(scale) {}

    void SetUp() override {
        central = new VirtualCentral();
        printer = addPrinter(name());
        manager = std::make_unique<PrinterManager>(&settings, central);
        QObject::connect(manager.get(), &PrinterManager::activityChanged, manager.get(),
                         [this] { activities.append(manager->activity()); });
        asyncsupport::runUntil(
            [this] { return manager->bluetoothState() != BluetoothState::unknown; });
    }

    void TearDown() override { manager.reset(); }

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

    QString name() const { return QStringLiteral("CT221B-VIRTUAL"); }

    asyncsupport::TimeScale m_scale;
    MemorySettingsStore settings;
    VirtualCentral* central = nullptr; // owned by the manager
    VirtualPrinter* printer = nullptr;
    std::unique_ptr<PrinterManager> manager;
    QList<PrinterActivity> activities;
};
