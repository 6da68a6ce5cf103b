#include "app/Application.h"

#include "app/CommandHub.h"
#include "app/MainWindow.h"
#include "app/QuitSignals.h"
#include "app/SaveOnQuit.h"
#include "app/SettingsWindow.h"
#include "views/Icons.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace vantrel {

Application::Application(Services::Config config, QObject* parent)
    : QObject(parent)
    , m_services(std::make_unique<Services>(std::move(config)))
    , m_hub(std::make_unique<CommandHub>())
    , m_saveOnQuit(std::make_unique<SaveOnQuit>())
    , m_quitSignals(std::make_unique<QuitSignals>()) {
    Icons::install();
    connect(qApp, &QCoreApplication::aboutToQuit, m_saveOnQuit.get(), &SaveOnQuit::flushAll);
    connect(m_quitSignals.get(), &QuitSignals::quitRequested, qApp, &QCoreApplication::quit);
    connect(m_hub.get(), &CommandHub::showSettings, this, &Application::showSettings);
}

Application::~Application() {
    // Windows go first: editors flush and unregister while the services still exist.
    m_mainWindow.reset();
}

MainWindow& Application::mainWindow() {
    if (!m_mainWindow) {
        m_mainWindow = std::make_unique<MainWindow>(*m_services, *m_hub, *m_saveOnQuit);
    }
    return *m_mainWindow;
}

void Application::activate() {
    MainWindow& window = mainWindow();
    window.show();
    window.raise();
    window.activateWindow();
}

SettingsWindow* Application::settingsWindow() const {
    return m_settingsWindow;
}

void Application::showSettings() {
    if (!m_settingsWindow) {
        m_settingsWindow = new SettingsWindow(m_services->printers(), &mainWindow());
    }
    m_settingsWindow->show();
    m_settingsWindow->raise();
    m_settingsWindow->activateWindow();
}

void Application::open(const QString& argument, const QString& workingDirectory) {
    activate();
    const QDir base(workingDirectory.isEmpty() ? QDir::currentPath() : workingDirectory);
    const QString path = base.absoluteFilePath(argument);
    // A file that exists is a file, even when its name looks like "scheme:rest".
    if (QUrl(argument).scheme().isEmpty() || QFileInfo::exists(path)) {
        mainWindow().openURL(QUrl::fromLocalFile(path).toString());
    } else {
        mainWindow().openURL(argument);
    }
}

} // namespace vantrel
