#include "app/CommandHub.h"

namespace vantrel {

CommandHub::CommandHub(QObject* parent) : QObject(parent) {}

void CommandHub::post(const QString& name) {
    if (name == Notifications::newLabel) {
        Q_EMIT newLabel();
    } else if (name == Notifications::importLabel) {
        Q_EMIT importLabel();
    } else if (name == Notifications::importList) {
        Q_EMIT importList();
    } else if (name == Notifications::printLabel) {
        Q_EMIT printLabel();
    } else if (name == Notifications::showSettings) {
        Q_EMIT showSettings();
    }
}

} // namespace vantrel
