#include <QGuiApplication>

#include <gtest/gtest.h>

// Every test program runs inside a GUI application on the offscreen platform: rendering needs
// fonts, and asynchronous code needs an event loop.
int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
