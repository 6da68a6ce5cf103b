#pragma once

#include <QDBusConnection>
#include <QString>

namespace vantrel {

// Shows a file in the desktop's file manager.
namespace FileManager {

// Asks the file manager that provides org.freedesktop.FileManager1 on the bus to show the file
// selected; without one, opens the folder that holds it. Returns whether the file manager was
// asked (rather than the folder opened). Never waits for an answer.
bool reveal(const QString& path, const QDBusConnection& bus = QDBusConnection::sessionBus());

} // namespace FileManager

} // namespace vantrel
