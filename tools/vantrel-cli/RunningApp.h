#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariantList>

#include <optional>

namespace vantrel {

// The desktop application, when it runs in this session. It holds the printer link while it
// runs, so the printing commands hand their work to it instead of opening a second link.
class RunningApp {
public:
    // The application when it owns its name on the session bus. Never starts it.
    static std::optional<RunningApp> find();

    // Calls one of its automation methods and returns the confirmation. Nothing when the
    // application has quit meanwhile. Throws UserError with the application's own message when
    // it refuses or fails, or when it does not answer in time.
    std::optional<QString> call(const QString& method, const QVariantList& arguments) const;

private:
    RunningApp(QDBusConnection bus, QString owner);

    QDBusConnection m_bus;
    QString m_owner; // the unique name, so that the call reaches this very process
};

} // namespace vantrel
