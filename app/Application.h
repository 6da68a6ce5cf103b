#pragma once

#include "app/Services.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

namespace vantrel {

class CommandHub;
class MainWindow;
class QuitSignals;
class SaveOnQuit;
class SettingsWindow;

// The desktop application: its services, the notification hub, the main window, and an
// orderly end. Quitting in any way (Quit, closing the window, SIGTERM or SIGINT) runs every
// registered editor flush before the event loop returns. Create it after the QApplication.
class Application : public QObject {
    Q_OBJECT
public:
    explicit Application(Services::Config config, QObject* parent = nullptr);
    ~Application() override;

    Services& services() { return *m_services; }
    CommandHub& hub() { return *m_hub; }
    SaveOnQuit& saveOnQuit() { return *m_saveOnQuit; }
    // The main window, created on first use (not shown).
    MainWindow& mainWindow();

    // Shows the main window and brings it to the front.
    void activate();
    // Shows the settings window, creating it on first use, and brings it to the front. Posting
    // Notifications::showSettings on the hub does the same (the Preferences command, the
    // editor's printer status link).
    void showSettings();
    // The settings window, if it has been opened.
    SettingsWindow* settingsWindow() const;
    // What the command line or another instance hands over: a print link or any URL as
    // written, or a file path (relative to `workingDirectory`), which is imported. Shows the
    // main window first.
    void open(const QString& argument, const QString& workingDirectory = {});

private:
    std::unique_ptr<Services> m_services;
    std::unique_ptr<CommandHub> m_hub;
    std::unique_ptr<SaveOnQuit> m_saveOnQuit;
    std::unique_ptr<QuitSignals> m_quitSignals;
    std::unique_ptr<MainWindow> m_mainWindow;
    QPointer<SettingsWindow> m_settingsWindow; // a child of the main window
};

} // namespace vantrel
