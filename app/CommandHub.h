#pragma once

#include <QObject>
#include <QString>

namespace vantrel {

// The names of the notifications the menu commands and links post.
namespace Notifications {
inline const QString newLabel = QStringLiteral("vtl.newLabel");
inline const QString importLabel = QStringLiteral("vtl.importLabel");
inline const QString importList = QStringLiteral("vtl.importList");
inline const QString printLabel = QStringLiteral("vtl.printLabel");
// Opens the settings window (the Preferences command, the editor's printer status link).
inline const QString showSettings = QStringLiteral("vtl.showSettings");
} // namespace Notifications

// The process's one notification centre. Menu commands do no work: they post a named
// notification, and whichever windows listen act on it; with nobody listening nothing happens,
// and with several editors open each of them reacts.
class CommandHub : public QObject {
    Q_OBJECT
public:
    explicit CommandHub(QObject* parent = nullptr);

    // Emits the signal of the named notification; a name the hub does not know does nothing.
    void post(const QString& name);

Q_SIGNALS:
    void newLabel();
    void importLabel();
    void importList();
    void printLabel();
    void showSettings();
};

} // namespace vantrel
