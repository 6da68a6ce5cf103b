#include "app/Application.h"

#include <QApplication>

#include <cstdio>

using namespace vantrel;

namespace {

struct Options {
    std::optional<QString> virtualPrinter;
    QStringList open; // URLs and files
};

// --virtual DIR (or --virtual=DIR), then URLs and label files.
std::optional<Options> parse(QStringList args) {
    Options options;
    bool optionsEnded = false;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (!optionsEnded && arg == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && arg == QStringLiteral("--virtual")) {
            if (args.isEmpty()) {
                return std::nullopt;
            }
            options.virtualPrinter = args.takeFirst();
        } else if (!optionsEnded && arg.startsWith(QStringLiteral("--virtual="))) {
            options.virtualPrinter = arg.mid(10);
        } else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1) {
            return std::nullopt;
        } else {
            options.open.append(arg);
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantrel"));

    const std::optional<Options> options = parse(app.arguments().mid(1));
    if (!options) {
        std::fputs("usage: vantrel [--virtual DIR] [URL|FILE]...\n", stderr);
        return 2;
    }
    const Services::Config config = Services::fromEnvironment(options->virtualPrinter);
    if (const auto problem = Services::problem(config)) {
        std::fprintf(stderr, "vantrel: %s\n", qPrintable(*problem));
        return 1;
    }

    Application vantrel(config);
    vantrel.activate();
    for (const QString& argument : options->open) {
        vantrel.open(argument);
    }
    return app.exec();
}
