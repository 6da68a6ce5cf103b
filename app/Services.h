#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace vantrel {

class LabelStore;
class PrinterManager;
class SettingsStore;
class VirtualPrinter;

// The two services every window shares: the label store and the printer manager, each created
// once, on first use, and kept until the object goes. The settings store they read is created
// with the first of them.
class Services : public QObject {
    Q_OBJECT
public:
    struct Config {
        QString libraryDirectory; // empty: the store's default folder
        bool seedIfEmpty = true;
        QString settingsPath; // empty: the settings file in the user's configuration folder
        // Labels go to a simulated printer that saves what it prints in this folder, instead of
        // a printer over Bluetooth.
        std::optional<QString> virtualPrinterFolder;
    };

    // The configuration of a normal run: `--virtual DIR` when given, else the folder named by
    // VANTREL_VIRTUAL_PRINTER, else Bluetooth.
    static Config fromEnvironment(const std::optional<QString>& virtualOption);
    // Why the configuration cannot be used (no home folder for the default library or
    // settings, or the virtual printer's folder cannot be created), or nothing.
    static std::optional<QString> problem(const Config& config);

    explicit Services(Config config, QObject* parent = nullptr);
    ~Services() override;

    const Config& config() const { return m_config; }
    LabelStore& store();
    PrinterManager& printers();
    SettingsStore& settings();
    // The simulated printer when the configuration asks for one (created with the manager).
    VirtualPrinter* virtualPrinter();

    // The name the simulated printer advertises.
    static QString virtualPrinterName();

private:
    Config m_config;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<LabelStore> m_store;
    std::unique_ptr<PrinterManager> m_printers;
    VirtualPrinter* m_virtualPrinter = nullptr;
};

} // namespace vantrel
