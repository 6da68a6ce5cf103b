#pragma once

#include <QDBusAbstractAdaptor>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

namespace vantrel {

class SingleInstance;

// The standard org.freedesktop.Application interface of the running instance, through which
// the desktop starts and activates applications whose .desktop file says DBusActivatable, and
// later starts hand over their arguments. Each call is answered at once and acted on from the
// event loop, so that a dialog it opens never holds up the caller.
class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationAdaptor(SingleInstance* instance);

    static QString interfaceName();

public Q_SLOTS:
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    // One of SingleInstance::actions(); no action takes a parameter.
    void ActivateAction(const QString& name, const QVariantList& parameter,
                        const QVariantMap& platformData);

private:
    SingleInstance* m_instance;
};

} // namespace vantrel
