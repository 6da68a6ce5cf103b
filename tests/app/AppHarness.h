#pragma once

#include "app/Application.h"
#include "app/MainWindow.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace apptest {

// A whole application over a temporary library, settings file and virtual printers (one, or
// those of a VirtualPrinterSet description).
struct AppHarness {
    QTemporaryDir dir;
    std::unique_ptr<vantrel::Application> app;

    // `settings`: the settings file's bytes before the start, when there should be one;
    // `printers`: a VirtualPrinterSet description.
    explicit AppHarness(bool seed = false, const QByteArray& settings = {},
                        const QString& printers = {}) {
        if (!settings.isEmpty()) {
            QFile file(dir.filePath(QStringLiteral("settings.json")));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(settings) == settings.size());
        }
        vantrel::Services::Config config;
        config.libraryDirectory = dir.filePath(QStringLiteral("Labels"));
        config.seedIfEmpty = seed;
        config.settingsPath = dir.filePath(QStringLiteral("settings.json"));
        config.virtualPrinterFolder = dir.filePath(QStringLiteral("printer"));
        config.virtualPrinters = printers;
        app = std::make_unique<vantrel::Application>(config);
    }

    // The main window, shown and active, so that its shortcuts take keys.
    vantrel::MainWindow& shown() {
        app->activate();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&app->mainWindow()));
        return app->mainWindow();
    }
};

// The action of a menu or tool bar with this text or tool tip.
inline QAction* action(const QList<QAction*>& actions, const QString& text) {
    const auto found = std::find_if(actions.cbegin(), actions.cend(), [&](const QAction* a) {
        return a->text() == text || a->toolTip() == text;
    });
    EXPECT_NE(found, actions.cend()) << text.toStdString();
    return found == actions.cend() ? nullptr : *found;
}

} // namespace apptest
