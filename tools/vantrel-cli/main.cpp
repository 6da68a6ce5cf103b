#include "tools/vantrel-cli/Cli.h"

#include "LabelKit/model/UserError.h"

#include <QGuiApplication>

#include <cerrno>
#include <cstdio>

using namespace vantrel;

namespace {

// Qt's own diagnostics (fonts, platform plugins) are not for the tool's users.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("VANTREL_DEBUG")) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

// Takes a global option out of the argument list, wherever it stands before "--".
std::optional<QString> takeGlobal(QStringList& args, const QString& name) {
    std::optional<QString> value;
    const QString prefix = name + u'=';
    for (qsizetype i = 0; i < args.size();) {
        if (args[i] == QStringLiteral("--")) {
            break;
        }
        if (args[i] == name) {
            if (i + 1 >= args.size()) {
                throw UsageError(QStringLiteral("option %1 needs a value").arg(name));
            }
            value = args[i + 1];
            args.remove(i, 2);
        } else if (args[i].startsWith(prefix)) {
            value = args[i].mid(prefix.size());
            args.remove(i);
        } else {
            ++i;
        }
    }
    return value;
}

// "--help" anywhere among a command's options asks for its usage instead of running it.
bool wantsHelp(const QStringList& args) {
    const qsizetype end = args.indexOf(QStringLiteral("--"));
    const QStringList options = end < 0 ? args : args.first(end);
    return options.contains(QStringLiteral("--help"));
}

int usage(const QString& message) {
    if (!message.isEmpty()) {
        Cli::errLine(QStringLiteral("vantrel-cli: ") + message);
    }
    std::fputs(usageText().toUtf8().constData(), stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietMessages);
    // Rendering needs fonts, which need a GUI application, but never a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);

    Cli cli;
    try {
        cli.library = takeGlobal(args, QStringLiteral("--library"));
        cli.virtualPrinter = takeGlobal(args, QStringLiteral("--virtual"));
        if (!cli.virtualPrinter && qEnvironmentVariableIsSet("VANTREL_VIRTUAL_PRINTER")) {
            cli.virtualPrinter = qEnvironmentVariable("VANTREL_VIRTUAL_PRINTER");
        }
        cli.virtualPrinters = takeGlobal(args, QStringLiteral("--virtual-printers"))
                                  .value_or(qEnvironmentVariable("VANTREL_VIRTUAL_PRINTERS"));
        if (!cli.virtualPrinter && !cli.virtualPrinters.trimmed().isEmpty()) {
            throw UsageError(QStringLiteral("--virtual-printers needs --virtual DIR"));
        }
    } catch (const UsageError& e) {
        return usage(e.message());
    }
    if (args.isEmpty()) {
        return usage(QStringLiteral("missing command"));
    }
    if (args.first() == QStringLiteral("--help") || args.first() == QStringLiteral("help")) {
        const Command* command = args.size() > 1 ? findCommand(args[1]) : nullptr;
        if (args.size() > 1 && !command) {
            return usage(QStringLiteral("unknown command “%1”").arg(args[1]));
        }
        std::fputs((command ? usageText(*command) : usageText()).toUtf8().constData(), stdout);
        return 0;
    }
    if (args.first() == QStringLiteral("--version")) {
        Cli::outLine(versionText());
        return 0;
    }
    const QString name = args.takeFirst();
    const Command* command = findCommand(name);
    if (!command) {
        return usage(QStringLiteral("unknown command “%1”").arg(name));
    }
    if (wantsHelp(args)) {
        std::fputs(usageText(*command).toUtf8().constData(), stdout);
        return 0;
    }
    try {
        Arguments arguments(args);
        const int status = command->run(arguments, cli);
        // Output that did not arrive (a full disk behind a redirection) is a failure.
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            throw UserError(
                QStringLiteral("Couldn't write the output: %1").arg(qt_error_string(errno)));
        }
        return status;
    } catch (const UsageError& e) {
        Cli::errLine(QStringLiteral("vantrel-cli %1: %2").arg(name, e.message()));
        std::fputs(usageText(*command).toUtf8().constData(), stderr);
        return 2;
    } catch (const UserError& e) {
        Cli::errLine(e.message());
        return 1;
    }
}
