#pragma once

#include "LabelKit/merge/LabelContext.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace vantrel {

class FileSettingsStore;

// A mistake in how the tool was called: exit status 2 with the usage text.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

// The arguments of one subcommand. Declare the options first (each call takes its occurrences
// out of the list), then take the positionals, then call finish(), which refuses whatever is
// left: an unknown option or an extra argument. "--" ends the options.
class Arguments {
public:
    explicit Arguments(QStringList arguments);

    // --name VALUE or --name=VALUE; the last occurrence wins. A name given with its own dash
    // ("-o") is matched as written.
    std::optional<QString> option(const QString& name);
    // Every occurrence, in order.
    QStringList options(const QString& name);
    // --name without a value.
    bool flag(const QString& name);
    // Typed options; a value that does not parse is a usage error.
    std::optional<qint64> integer(const QString& name, qint64 min, qint64 max);
    std::optional<double> real(const QString& name, double min, double max);

    // The next positional argument; a usage error naming `what` when there is none.
    QString positional(const QString& what);
    std::optional<QString> optionalPositional();
    void finish();

private:
    QStringList m_arguments;
    qsizetype m_end; // index of "--", or the size
};

// What every command reaches: output, the global options.
struct Cli {
    std::optional<QString> library;        // --library DIR
    std::optional<QString> virtualPrinter; // --virtual DIR, or VANTREL_VIRTUAL_PRINTER
    // --virtual-printers N|NAME[@RSSI],..., or VANTREL_VIRTUAL_PRINTERS: several of them.
    QString virtualPrinters;

    static void out(const QByteArray& bytes);
    static void outLine(const QString& line);
    static void errLine(const QString& line);
};

// A subcommand: its name, the synopsis shown in the usage text, and its body. The body returns
// the exit status, or throws UserError (status 1, message on stderr) or UsageError (status 2).
struct Command {
    QString name;
    QString synopsis;
    std::function<int(Arguments&, Cli&)> run;
};

// Each command file registers its commands with a static CommandRegistration.
struct CommandRegistration {
    explicit CommandRegistration(Command command);
};

const QList<Command>& commands();
// The command of that name, or nothing.
const Command* findCommand(const QString& name);
QString usageText();
// One command's usage: its synopsis, and the merge options when it takes them.
QString usageText(const Command& command);
// "vantrel-cli 1.2.3"
QString versionText();

// --serial N, --digits D, --field NAME=VALUE (repeatable), --date ISO (default now).
LabelContext mergeOptions(Arguments& args);
// Parses NAME=VALUE, split at the first "=".
std::pair<QString, QString> keyValue(const QString& text, const QString& option);

// The user's settings file, shared with the application. A damaged file that was set aside is
// reported on stderr as a warning. Throws UserError when there is no home folder for it.
std::unique_ptr<FileSettingsStore> openSettings();

} // namespace vantrel
