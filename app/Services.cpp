#include "app/Services.h"

#include "LabelKit/platform/Clock.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/printer/PrinterManager.h"
#include "LabelKit/printer/QtBleCentral.h"
#include "LabelKit/printer/VirtualCentral.h"
#include "LabelKit/printer/VirtualPrinter.h"
#include "LabelKit/store/LabelStore.h"

#include <QDir>

namespace vantrel {

Services::Config Services::fromEnvironment(const std::optional<QString>& virtualOption) {
    Config config;
    config.virtualPrinterFolder = virtualOption;
    if (!config.virtualPrinterFolder && qEnvironmentVariableIsSet("VANTREL_VIRTUAL_PRINTER")) {
        config.virtualPrinterFolder = qEnvironmentVariable("VANTREL_VIRTUAL_PRINTER");
    }
    return config;
}

std::optional<QString> Services::problem(const Config& config) {
    if ((config.libraryDirectory.isEmpty() && !LabelStore::defaultDirectory()) ||
        (config.settingsPath.isEmpty() && !FileSettingsStore::defaultPath())) {
        return QStringLiteral("HOME is not set, so there is no place for the label library and "
                              "the settings. Set HOME and start Vantrel again.");
    }
    if (config.virtualPrinterFolder) {
        const QString& folder = *config.virtualPrinterFolder;
        if (folder.isEmpty() || !QDir().mkpath(folder)) {
            return QStringLiteral("Couldn't create the folder %1 for the virtual printer.")
                .arg(folder);
        }
    }
    return std::nullopt;
}

Services::Services(Config config, QObject* parent) : QObject(parent), m_config(std::move(config)) {}

Services::~Services() {
    if (m_printers) {
        m_printers->dropLink();
    }
    if (m_settings) {
        m_settings->sync();
    }
}

QString Services::virtualPrinterName() {
    return QStringLiteral("CT221B-VIRTUAL");
}

SettingsStore& Services::settings() {
    if (!m_settings) {
        // Without a home (problem() says so) the path is empty, and nothing is written.
        const QString path = m_config.settingsPath.isEmpty()
                                 ? FileSettingsStore::defaultPath().value_or(QString())
                                 : m_config.settingsPath;
        m_settings = std::make_unique<FileSettingsStore>(path);
    }
    return *m_settings;
}

LabelStore& Services::store() {
    if (!m_store) {
        const QString folder = m_config.libraryDirectory.isEmpty()
                                   ? LabelStore::defaultDirectory().value_or(QString())
                                   : m_config.libraryDirectory;
        m_store = std::make_unique<LabelStore>(folder, m_config.seedIfEmpty);
    }
    return *m_store;
}

PrinterManager& Services::printers() {
    if (!m_printers) {
        BleCentral* central = nullptr;
        if (m_config.virtualPrinterFolder) {
            auto* virtualCentral = new VirtualCentral();
            m_virtualPrinter = virtualCentral->addPrinter(new VirtualPrinter(
                virtualPrinterName(), QDir(*m_config.virtualPrinterFolder).absolutePath()));
            m_virtualPrinter->setLatency(Clock::duration(0));
            // A factor such as 0.01 speeds up the printer's pauses for tests and demonstrations.
            bool ok = false;
            const double scale = qEnvironmentVariable("VANTREL_TIME_SCALE").toDouble(&ok);
            if (ok && scale > 0) {
                Clock::setTimeScale(scale);
            }
            central = virtualCentral;
        } else {
            central = new QtBleCentral();
        }
        m_printers = std::make_unique<PrinterManager>(&settings(), central);
    }
    return *m_printers;
}

VirtualPrinter* Services::virtualPrinter() {
    printers();
    return m_virtualPrinter;
}

} // namespace vantrel
