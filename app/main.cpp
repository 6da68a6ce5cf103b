#include "app/Application.h"
#include "app/AutomationAdaptor.h"
#include "app/CommandHub.h"
#include "app/SingleInstance.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QThread>

#include <cstdio>

using namespace vantrel;

namespace {

struct Options {
    std::optional<QString> virtualPrinter;
    std::optional<QString> virtualPrinters;
    QStringList open; // URLs and files
    bool help = false;
    bool version = false;
};

const char* const usage =
    "usage: vantrel [--virtual DIR [--virtual-printers N|NAME[@RSSI],...]] [URL|FILE]...\n"
    "       vantrel --help | --version\n";

const char* const help =
    "\n"
    "Designs labels and prints them on a CT221B label printer.\n"
    "\n"
    "  --virtual DIR      print on a virtual printer that saves each label in DIR\n"
    "  --virtual-printers N|NAME[@RSSI],...\n"
    "                     several virtual printers, each saving into DIR/NAME: N of them\n"
    "                     (CT221B-A, CT221B-B, ...), or the names given, with their signal\n"
    "                     in dBm (default: VANTREL_VIRTUAL_PRINTERS)\n"
    "  --help             show this help\n"
    "  --version          show the version\n"
    "\n"
    "URL is a print link (vantrel://print?label=NAME&copies=N&FIELD=VALUE), FILE a label\n"
    "file to import. When Vantrel already runs, it is handed the URLs and files.\n";

// Takes the value of an option given as "--name VALUE" or "--name=VALUE"; false when `arg` is
// another option, or the value is missing.
bool takeValue(const QString& name, const QString& arg, QStringList& args,
               std::optional<QString>& value) {
    if (arg == name && !args.isEmpty()) {
        value = args.takeFirst();
        return true;
    }
    if (arg.startsWith(name + u'=')) {
        value = arg.mid(name.size() + 1);
        return true;
    }
    return false;
}

// --virtual DIR, --virtual-printers SPEC, --help, --version, then URLs and label files.
std::optional<Options> parse(QStringList args) {
    Options options;
    bool optionsEnded = false;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (!optionsEnded && arg == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (!optionsEnded &&
                   (takeValue(QStringLiteral("--virtual"), arg, args, options.virtualPrinter) ||
                    takeValue(QStringLiteral("--virtual-printers"), arg, args,
                              options.virtualPrinters))) {
            continue;
        } else if (!optionsEnded && arg == QStringLiteral("--help")) {
            options.help = true;
        } else if (!optionsEnded && arg == QStringLiteral("--version")) {
            options.version = true;
        } else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1) {
            return std::nullopt;
        } else {
            options.open.append(arg);
        }
    }
    return options;
}

// Hands the request to a running Vantrel; the exit status when that ends this start.
std::optional<int> handOver(const SingleInstance::Channels& channels, const QStringList& uris,
                            bool retry) {
    using HandOver = SingleInstance::HandOver;
    HandOver outcome = SingleInstance::handOver(channels, uris);
    // An instance that won a race with this one may not be listening yet.
    for (int attempt = 0; retry && outcome == HandOver::noInstance && attempt < 40; ++attempt) {
        QThread::msleep(50);
        outcome = SingleInstance::handOver(channels, uris);
    }
    switch (outcome) {
    case HandOver::done:
        return 0;
    case HandOver::failed:
        std::fputs("vantrel: Vantrel is running but did not answer.\n", stderr);
        return 1;
    case HandOver::noInstance:
        break;
    }
    if (retry) {
        std::fputs("vantrel: another Vantrel is starting and could not be reached.\n", stderr);
        return 1;
    }
    return std::nullopt;
}

// Before the display is reached: --help and --version need none, and a running Vantrel takes
// the request at once. The exit status when that ends this start. Arguments that do not parse
// here may be Qt's own, which the QApplication takes out later.
std::optional<int> beforeTheDisplay(int& argc, char** argv) {
    QCoreApplication probe(argc, argv);
    const std::optional<Options> options = parse(probe.arguments().mid(1));
    if (!options) {
        return std::nullopt;
    }
    if (options->help || options->version) {
        std::fputs(options->help ? usage : "vantrel " VANTREL_VERSION "\n", stdout);
        if (options->help) {
            std::fputs(help, stdout);
        }
        return 0;
    }
    const QStringList uris = SingleInstance::urisFor(options->open, QDir::currentPath());
    const QString connection = QStringLiteral("vantrel-hand-over");
    const std::optional<int> status =
        handOver(SingleInstance::Channels::ofSession(connection), uris, false);
    QDBusConnection::disconnectFromBus(connection);
    if (status && (options->virtualPrinter || options->virtualPrinters)) {
        std::fputs("vantrel: Vantrel already runs; --virtual and --virtual-printers apply only "
                   "to a new start.\n",
                   stderr);
    }
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> status = beforeTheDisplay(argc, argv)) {
        return *status;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(QStringLiteral(VANTREL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.vantrel.Vantrel"));

    const std::optional<Options> options = parse(app.arguments().mid(1));
    if (!options) {
        std::fputs(usage, stderr);
        return 2;
    }
    const QStringList uris = SingleInstance::urisFor(options->open, QDir::currentPath());
    const Services::Config config =
        Services::fromEnvironment(options->virtualPrinter, options->virtualPrinters);
    if (const auto problem = Services::problem(config)) {
        std::fprintf(stderr, "vantrel: %s\n", qPrintable(*problem));
        return 1;
    }

    Application vantrel(config);
    SingleInstance instance(SingleInstance::Channels::ofSession());
    new AutomationAdaptor(
        &instance, [&vantrel]() -> LabelStore& { return vantrel.services().store(); },
        [&vantrel]() -> PrinterManager& { return vantrel.services().printers(); });
    QObject::connect(&instance, &SingleInstance::activateRequested, &vantrel,
                     [&vantrel] { vantrel.activate(); });
    QObject::connect(&instance, &SingleInstance::openRequested, &vantrel,
                     [&vantrel](const QStringList& list) {
                         for (const QString& uri : list) {
                             vantrel.open(uri);
                         }
                     });
    QObject::connect(&instance, &SingleInstance::actionRequested, &vantrel,
                     [&vantrel](const QString& notification) {
                         vantrel.activate();
                         vantrel.hub().post(notification);
                     });
    if (!instance.claim()) {
        // Another Vantrel started at the same moment and won.
        return handOver(SingleInstance::Channels::ofSession(), uris, true).value_or(1);
    }

    vantrel.activate();
    for (const QString& uri : uris) {
        vantrel.open(uri);
    }
    return app.exec();
}
