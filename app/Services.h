#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace vantrel {

class LabelStore;
class PrinterManager;
class SettingsStore;
class VirtualCentral;
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
        // Labels go to simulated printers that save what they print under this folder,
        // instead of printers over Bluetooth.
        std::optional<QString> virtualPrinterFolder;
        // Which simulated printers (VirtualPrinterSet): empty for one, CT221B-VIRTUAL.
        QString virtualPrinters;
    };

    // The configuration of a normal run: `--virtual DIR` when given, else the folder named by
    // VANTREL_VIRTUAL_PRINTER, else Bluetooth; the printers of `--virtual-printers` when
    // given, else of VANTREL_VIRTUAL_PRINTERS.
    static Config fromEnvironment(const std::optional<QString>& virtualOption,
                                  const std::optional<QString>& printersOption = {});
    // Why the configuration cannot be used (no home folder for the default library or
    // settings, printers asked for without a folder, a description that does not parse, a
    // folder that cannot be created), or nothing. Creates the virtual printers' folders.
    static std::optional<QString> problem(const Config& config);

    explicit Services(Config config, QObject* parent = nullptr);
    ~Services() override;

    const Config& config() const { return m_config; }
    LabelStore& store();
    PrinterManager& printers();
    SettingsStore& settings();
    // The simulated central and printers when the configuration asks for them (created with
    // the manager), else null and none.
    VirtualCentral* virtualCentral();
    QList<VirtualPrinter*> virtualPrinters();
    // The first simulated printer, if any.
    VirtualPrinter* virtualPrinter();

private:
    Config m_config;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<LabelStore> m_store;
    std::unique_ptr<PrinterManager> m_printers;
    VirtualCentral* m_virtualCentral = nullptr;
    QList<VirtualPrinter*> m_virtualPrinters;
};

} // namespace vantrel
