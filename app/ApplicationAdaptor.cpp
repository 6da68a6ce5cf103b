#include "app/ApplicationAdaptor.h"

#include "app/SingleInstance.h"

#include <QDBusError>
#include <QMetaObject>

namespace vantrel {

ApplicationAdaptor::ApplicationAdaptor(SingleInstance* instance)
    : QDBusAbstractAdaptor(instance), m_instance(instance) {}

QString ApplicationAdaptor::interfaceName() {
    return QStringLiteral("org.freedesktop.Application");
}

void ApplicationAdaptor::Activate(const QVariantMap&) {
    QMetaObject::invokeMethod(
        m_instance, [instance = m_instance] { Q_EMIT instance->activateRequested(); },
        Qt::QueuedConnection);
}

void ApplicationAdaptor::Open(const QStringList& uris, const QVariantMap&) {
    QMetaObject::invokeMethod(
        m_instance, [instance = m_instance, uris] { Q_EMIT instance->openRequested(uris); },
        Qt::QueuedConnection);
}

void ApplicationAdaptor::ActivateAction(const QString& name, const QVariantList& parameter,
                                        const QVariantMap&) {
    const auto& actions = SingleInstance::actions();
    const auto found = std::find_if(actions.cbegin(), actions.cend(),
                                    [&](const auto& action) { return action.first == name; });
    if (found == actions.cend()) {
        m_instance->callContext().sendErrorReply(
            QDBusError::InvalidArgs, QStringLiteral("Vantrel has no action “%1”.").arg(name));
        return;
    }
    if (!parameter.isEmpty()) {
        m_instance->callContext().sendErrorReply(
            QDBusError::InvalidArgs,
            QStringLiteral("The action “%1” takes no parameter.").arg(name));
        return;
    }
    QMetaObject::invokeMethod(
        m_instance,
        [instance = m_instance, notification = found->second] {
            Q_EMIT instance->actionRequested(notification);
        },
        Qt::QueuedConnection);
}

} // namespace vantrel
