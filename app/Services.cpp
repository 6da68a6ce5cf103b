#include "app/Services.h"

#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/printer/PrinterManager.h"
#include "LabelKit/printer/QtBleCentral.h"
#include "LabelKit/printer/VirtualCentral.h"
#include "LabelKit/printer/VirtualPrinter.h"
#include "LabelKit/printer/VirtualPrinterSet.h"
#include "LabelKit/store/LabelStore.h"

namespace vantrel {

Services::Config Services::fromEnvironment(const std::optional<QString>& virtualOption,
                                           const std::optional<QString>& printersOption) {
    Config config;
    config.virtualPrinterFolder = virtualOption;
    if (!config.virtualPrinterFolder && qEnvironmentVariableIsSet("VANTREL_VIRTUAL_PRINTER")) {
        config.virtualPrinterFolder = qEnvironmentVariable("VANTREL_VIRTUAL_PRINTER");
    }
    config.virtualPrinters =
        printersOption.value_or(qEnvironmentVariable("VANTREL_VIRTUAL_PRINTERS"));
    return config;
}

std::optional<QString> Services::problem(const Config& config) {
    if ((config.libraryDirectory.isEmpty() && !LabelStore::defaultDirectory()) ||
        (config.settingsPath.isEmpty() && !FileSettingsStore::defaultPath())) {
        return QStringLiteral("HOME is not set, so there is no place for the label library and "
                              "the settings. Set HOME and start Vantrel again.");
    }
    if (!config.virtualPrinterFolder) {
        if (!config.virtualPrinters.trimmed().isEmpty()) {
            return QStringLiteral("Virtual printers need a folder: give --virtual DIR too.");
        }
        return std::nullopt;
    }
    try {
        VirtualPrinterSet::parse(*config.virtualPrinterFolder, config.virtualPrinters)
            .createFolders();
    } catch (const UserError& error) {
        return error.message();
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
            m_virtualCentral = new VirtualCentral();
            // problem() has refused a description that does not parse; should one get here
            // all the same, the radio simply finds no printer.
            try {
                m_virtualPrinters = VirtualPrinterSet::parse(*m_config.virtualPrinterFolder,
                                                             m_config.virtualPrinters)
                                        .addTo(*m_virtualCentral);
            } catch (const UserError&) {
            }
            // A factor such as 0.01 speeds up the printer's pauses for tests and demonstrations.
            bool ok = false;
            const double scale = qEnvironmentVariable("VANTREL_TIME_SCALE").toDouble(&ok);
            if (ok && scale > 0) {
                Clock::setTimeScale(scale);
            }
            central = m_virtualCentral;
        } else {
            central = new QtBleCentral();
        }
        m_printers = std::make_unique<PrinterManager>(&settings(), central);
    }
    return *m_printers;
}

VirtualCentral* Services::virtualCentral() {
    printers();
    return m_virtualCentral;
}

QList<VirtualPrinter*> Services::virtualPrinters() {
    printers();
    return m_virtualPrinters;
}

VirtualPrinter* Services::virtualPrinter() {
    const QList<VirtualPrinter*> all = virtualPrinters();
    return all.isEmpty() ? nullptr : all.first();
}

} // namespace vantrel
