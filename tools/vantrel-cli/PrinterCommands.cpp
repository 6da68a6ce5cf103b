// print, print-label, print-text, printers, info, printer-settings: printing through the
// printer manager, over Bluetooth or to the virtual printer of --virtual DIR. print-label and
// print-text hand their print to the desktop application while it runs.
#include "tools/vantrel-cli/BatchOptions.h"
#include "tools/vantrel-cli/Cli.h"
#include "tools/vantrel-cli/LabelSource.h"
#include "tools/vantrel-cli/RunningApp.h"

#include "LabelKit/merge/Placeholders.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/print/PrintBatch.h"
#include "LabelKit/print/SerialClaim.h"
#include "LabelKit/printer/PrintActions.h"
#include "LabelKit/printer/PrinterManager.h"
#include "LabelKit/printer/PrinterRegistry.h"
#include "LabelKit/printer/QtBleCentral.h"
#include "LabelKit/printer/VirtualCentral.h"
#include "LabelKit/printer/VirtualPrinterSet.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <exception>
#include <memory>

namespace vantrel {

namespace {

// Runs the event loop until the predicate holds or the real time is up.
bool waitUntil(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < milliseconds) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

template <typename T>
struct Finished {
    bool done = false;
    std::optional<std::conditional_t<std::is_void_v<T>, std::monostate, T>> value;
    std::exception_ptr error;
};

template <typename T>
QCoro::Task<> finish(QCoro::Task<T> task, std::shared_ptr<Finished<T>> result, QEventLoop* loop) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await task;
            result->value.emplace();
        } else {
            result->value = co_await task;
        }
    } catch (...) {
        result->error = std::current_exception();
    }
    result->done = true;
    loop->quit();
}

// Runs the operation to its end on the event loop; its error is thrown here.
template <typename T>
auto await(QCoro::Task<T> task) {
    const auto result = std::make_shared<Finished<T>>();
    QEventLoop loop;
    finish(std::move(task), result, &loop);
    if (!result->done) {
        loop.exec();
    }
    if (result->error) {
        std::rethrow_exception(result->error);
    }
    if constexpr (!std::is_void_v<T>) {
        return *result->value;
    }
}

// The printer manager of one command: over Bluetooth, or over the virtual printers whose
// labels go under --virtual DIR. Virtual printers answer at once, and VANTREL_TIME_SCALE
// (a factor such as 0.01) speeds up their waits and pauses for tests.
class Session {
public:
    Session(const Cli& cli, SettingsStore& settings) : m_settings(settings) {
        BleCentral* central = nullptr;
        if (cli.virtualPrinter) {
            const VirtualPrinterSet set =
                VirtualPrinterSet::parse(*cli.virtualPrinter, cli.virtualPrinters);
            set.createFolders();
            auto* virtualCentral = new VirtualCentral();
            m_printers = set.addTo(*virtualCentral);
            for (VirtualPrinter* printer : std::as_const(m_printers)) {
                QObject::connect(printer, &VirtualPrinter::printed, [](const QString& png) {
                    Cli::errLine(QStringLiteral("Saved ") + png);
                });
            }
            bool ok = false;
            const double scale = qEnvironmentVariable("VANTREL_TIME_SCALE").toDouble(&ok);
            if (ok && scale > 0) {
                Clock::setTimeScale(scale);
            }
            central = virtualCentral;
            m_virtual = true;
        } else {
            central = new QtBleCentral();
        }
        m_manager = std::make_unique<PrinterManager>(&m_settings, central);
    }

    ~Session() {
        m_manager->dropLink();
        if (!m_virtual) {
            // Let the stack take the link down cleanly before the process ends.
            waitUntil([&] { return m_manager->activity() == PrinterActivity::idle(); }, 1000);
        }
    }

    PrinterManager& manager() { return *m_manager; }

    // Waits for the radio to report its state; a radio that cannot be used is an error.
    void requireRadio() {
        waitUntil(
            [&] {
                const BluetoothState state = m_manager->bluetoothState();
                return state != BluetoothState::unknown && state != BluetoothState::resetting;
            },
            5000);
        const BluetoothState state = m_manager->bluetoothState();
        if (const auto error = PrinterError::forState(state)) {
            throw *error;
        }
        if (state != BluetoothState::poweredOn) {
            throw PrinterError::timeout(QStringLiteral("waiting for Bluetooth"));
        }
    }

    // Scans for the given real time and returns the printers heard.
    QList<DiscoveredPrinter> scan(int milliseconds) {
        requireRadio();
        m_manager->startScanning();
        waitUntil([] { return false; }, milliseconds);
        m_manager->stopScanning();
        return m_manager->printers();
    }

    // The printer to use: the one named; with one virtual printer, that one; else the default
    // printer; with several virtual printers, none; else the only printer that a short scan
    // finds (none when it finds several).
    std::optional<QString> target(const std::optional<QString>& named) {
        if (named) {
            return named;
        }
        if (m_printers.size() == 1) {
            return m_printers.first()->localName();
        }
        if (const auto& chosen = m_manager->registry()->defaultPrinter()) {
            return chosen;
        }
        if (m_virtual) {
            return std::nullopt;
        }
        requireRadio();
        m_manager->startScanning();
        // Once one printer is heard, a second longer, in case there are others.
        if (waitUntil([&] { return !m_manager->printers().isEmpty(); }, 5000)) {
            waitUntil([] { return false; }, 1000);
        }
        m_manager->stopScanning();
        return m_manager->registry()->preferredPrinter();
    }

    // Problems the virtual printers found in what they received.
    void requireCleanStream() const {
        for (const VirtualPrinter* printer : m_printers) {
            if (!printer->errors().isEmpty()) {
                throw UserError(QStringLiteral("The virtual printer could not print everything: ") +
                                printer->errors().join(QStringLiteral(" ")));
            }
        }
    }

private:
    SettingsStore& m_settings;
    bool m_virtual = false;
    QList<VirtualPrinter*> m_printers; // the virtual ones
    std::unique_ptr<PrinterManager> m_manager;
};

std::optional<QString> printerOption(Arguments& args) {
    const std::optional<QString> printer = args.option(QStringLiteral("printer"));
    if (printer && printer->isEmpty()) {
        throw UsageError(QStringLiteral("--printer needs a printer's name"));
    }
    return printer;
}

QString labelsSent(qint64 count) {
    return QStringLiteral("Sent %1 label%2")
        .arg(count)
        .arg(count == 1 ? QString() : QStringLiteral("s"));
}

int print(Arguments& args, Cli& cli) {
    const BatchOptions options = BatchOptions::take(args);
    const std::optional<QString> printer = printerOption(args);
    const QString label = args.positional(QStringLiteral("FILE|NAME"));
    args.finish();

    // The batch is built, and refused if need be, before a printer is reached.
    const LabelSource source = LabelSource::resolve(label, cli);
    const std::unique_ptr<FileSettingsStore> settings = openSettings();
    QList<PrintItem> items = options.items(source);
    if (items.isEmpty()) {
        throw UserError(QStringLiteral("Nothing to print: no rows of the list were chosen."));
    }

    Session session(cli, *settings);
    PrinterManager& manager = session.manager();
    QObject::connect(&manager, &PrinterManager::activityChanged, [&manager] {
        const PrinterActivity& activity = manager.activity();
        if (activity.kind == PrinterActivity::Kind::printing) {
            Cli::errLine(
                QStringLiteral("Printing %1 of %2").arg(activity.done + 1).arg(activity.total));
        }
    });
    // The numbers are taken just before the printer is reached, so that prints running at the
    // same time never share one.
    std::optional<SerialClaim> claim;
    if (Placeholders::usesSerial(source.document)) {
        claim = SerialClaim::take(*settings, source.document.id, options.serialStart, items.size());
        claim->number(items);
    }
    qint64 sent = 0;
    const PrinterManager::Progress progress = [&sent](qint64 done, qint64) { sent = done; };
    try {
        await(manager.print(items, session.target(printer), progress));
        session.requireCleanStream();
    } catch (...) {
        if (claim) {
            claim->finish(sent);
        }
        throw;
    }
    Cli::outLine(labelsSent(PrintBatch::labelCount(items)));
    return 0;
}

// The answer of the running application to an automation call, when the command may hand its
// print over: no library, printer or virtual printer of its own was named. Nothing means the
// command prints itself.
std::optional<QString> viaRunningApp(const Cli& cli, const std::optional<QString>& printer,
                                     const QString& method, const QVariantList& arguments) {
    if (cli.library || cli.virtualPrinter || printer) {
        return std::nullopt;
    }
    const std::optional<RunningApp> app = RunningApp::find();
    return app ? app->call(method, arguments) : std::nullopt;
}

int printLabel(Arguments& args, Cli& cli) {
    const qint64 copies = args.integer(QStringLiteral("copies"), 1, 200).value_or(1);
    const std::optional<QString> text = args.option(QStringLiteral("text"));
    const std::optional<QString> printer = printerOption(args);
    const QString name = args.positional(QStringLiteral("NAME"));
    args.finish();

    if (const auto answer = viaRunningApp(cli, printer, QStringLiteral("PrintLabel"),
                                          {name, int(copies), text.value_or(QString())})) {
        Cli::outLine(*answer);
        return 0;
    }

    const std::unique_ptr<LabelStore> store = openLibrary(cli);
    if (!store->labelNamed(name)) {
        throw UserError(PrintActions::missingLabel(name));
    }
    const std::unique_ptr<FileSettingsStore> settings = openSettings();
    Session session(cli, *settings);
    const std::optional<QString> target = session.target(printer);
    const QString confirmation = await(PrintActions::printLabel(
        [&store](const QString& wanted) { return store->labelNamed(wanted); }, session.manager(),
        name, copies, text, target));
    session.requireCleanStream();
    Cli::outLine(confirmation);
    return 0;
}

int printText(Arguments& args, Cli& cli) {
    const qint64 copies = args.integer(QStringLiteral("copies"), 1, 200).value_or(1);
    const std::optional<QString> printer = printerOption(args);
    const QString text = args.positional(QStringLiteral("TEXT"));
    args.finish();
    if (text.trimmed().isEmpty()) {
        throw UserError(QStringLiteral("There is no text to print."));
    }

    if (const auto answer =
            viaRunningApp(cli, printer, QStringLiteral("PrintText"), {text, int(copies)})) {
        Cli::outLine(*answer);
        return 0;
    }
    const std::unique_ptr<FileSettingsStore> settings = openSettings();
    Session session(cli, *settings);
    const std::optional<QString> target = session.target(printer);
    const QString confirmation =
        await(PrintActions::printText(session.manager(), text, copies, target));
    session.requireCleanStream();
    Cli::outLine(confirmation);
    return 0;
}

int printers(Arguments& args, Cli& cli) {
    const double seconds = args.real(QStringLiteral("seconds"), 0.1, 600).value_or(4.0);
    args.finish();

    const std::unique_ptr<FileSettingsStore> settings = openSettings();
    Session session(cli, *settings);
    const QList<DiscoveredPrinter> found = session.scan(int(seconds * 1000));
    if (found.isEmpty()) {
        Cli::outLine(QStringLiteral("No printers found."));
        return 0;
    }
    const PrinterRegistry& registry = *session.manager().registry();
    qsizetype nameWidth = 0;
    qsizetype advertisedWidth = 0;
    for (const DiscoveredPrinter& printer : found) {
        nameWidth = std::max(nameWidth, registry.displayName(printer.advertisedName).size());
        advertisedWidth = std::max(advertisedWidth, printer.advertisedName.size());
    }
    for (const DiscoveredPrinter& printer : found) {
        const bool isDefault = registry.defaultPrinter() == printer.advertisedName;
        Cli::outLine(QStringLiteral("%1 %2  %3  %4 dBm%5")
                         .arg(QChar(isDefault ? u'*' : u' '))
                         .arg(registry.displayName(printer.advertisedName), -int(nameWidth))
                         .arg(printer.advertisedName, -int(advertisedWidth))
                         .arg(printer.rssi, 4)
                         .arg(isDefault ? QStringLiteral("  (default)") : QString()));
    }
    return 0;
}

int info(Arguments& args, Cli& cli) {
    const QString name = args.positional(QStringLiteral("PRINTER"));
    args.finish();

    const std::unique_ptr<FileSettingsStore> settings = openSettings();
    Session session(cli, *settings);
    const PrinterInfo answer = await(session.manager().readInfo(name));
    Cli::outLine(QStringLiteral("Model: ") + answer.name);
    Cli::outLine(QStringLiteral("Firmware: ") + answer.firmware);
    return 0;
}

int printerSettings(Arguments& args, Cli&) {
    const std::optional<QString> defaultPrinter = args.option(QStringLiteral("default"));
    const bool noDefault = args.flag(QStringLiteral("no-default"));
    const QStringList nicknames = args.options(QStringLiteral("nickname"));
    const std::optional<qint64> chunkSize = args.integer(QStringLiteral("chunk-size"), 20, 237);
    const std::optional<double> pause = args.real(QStringLiteral("pause"), 0.2, 5.0);
    args.finish();
    if (defaultPrinter && noDefault) {
        throw UsageError(QStringLiteral("--default and --no-default exclude each other"));
    }
    if (defaultPrinter && defaultPrinter->trimmed().isEmpty()) {
        throw UsageError(QStringLiteral("--default needs a printer's name"));
    }

    const std::unique_ptr<FileSettingsStore> settings = openSettings();
    // The settings need no radio and no printers.
    PrinterRegistry registry(settings.get(), {});
    TextMap nicknameMap = registry.nicknames();
    for (const QString& entry : nicknames) {
        const auto [name, nickname] = keyValue(entry, QStringLiteral("--nickname"));
        if (name.isEmpty()) {
            throw UsageError(QStringLiteral("--nickname needs a printer's name before “=”"));
        }
        // Spaces and tabs around a nickname are dropped, as in the printers list.
        static const QRegularExpression ends(QStringLiteral("^[ \\t]+|[ \\t]+$"));
        nicknameMap.insert(name, QString(nickname).remove(ends));
    }
    // Saved together or not at all; what is shown below is what was saved.
    const bool saved = settings->transact([&] {
        if (defaultPrinter) {
            registry.setDefaultPrinter(*defaultPrinter);
        } else if (noDefault) {
            registry.setDefaultPrinter(std::nullopt);
        }
        if (!nicknames.isEmpty()) {
            registry.setNicknames(nicknameMap);
        }
        if (chunkSize) {
            registry.setChunkSize(*chunkSize);
        }
        if (pause) {
            registry.setInterLabelDelay(*pause);
        }
    });
    if (!saved) {
        throw UserError(
            settings->lastError().value_or(QStringLiteral("Couldn't save the settings.")));
    }

    Cli::outLine(QStringLiteral("Default printer: ") +
                 registry.defaultPrinter().value_or(QStringLiteral("none")));
    Cli::outLine(QStringLiteral("Write size: %1 bytes").arg(registry.chunkSize()));
    Cli::outLine(
        QStringLiteral("Pause between labels: %1 s").arg(registry.interLabelDelay(), 0, 'f', 1));
    if (registry.nicknames().isEmpty()) {
        Cli::outLine(QStringLiteral("Nicknames: none"));
    } else {
        Cli::outLine(QStringLiteral("Nicknames:"));
        for (auto it = registry.nicknames().cbegin(); it != registry.nicknames().cend(); ++it) {
            Cli::outLine(QStringLiteral("  %1 = %2").arg(it.key(), it.value()));
        }
    }
    return 0;
}

const CommandRegistration printCommand({QStringLiteral("print"),
                                        QStringLiteral("print FILE|NAME [--printer P] ") +
                                            BatchOptions::synopsis(),
                                        print});
const CommandRegistration printLabelCommand(
    {QStringLiteral("print-label"),
     QStringLiteral("print-label NAME [--copies N] [--text T] [--printer P]"), printLabel});
const CommandRegistration
    printTextCommand({QStringLiteral("print-text"),
                      QStringLiteral("print-text TEXT [--copies N] [--printer P]"), printText});
const CommandRegistration printersCommand({QStringLiteral("printers"),
                                           QStringLiteral("printers [--seconds S]"), printers});
const CommandRegistration infoCommand({QStringLiteral("info"), QStringLiteral("info PRINTER"),
                                       info});
const CommandRegistration printerSettingsCommand(
    {QStringLiteral("printer-settings"),
     QStringLiteral("printer-settings [--default NAME|--no-default] [--nickname NAME=NICK]... "
                    "[--chunk-size N] [--pause SECONDS]"),
     printerSettings});

} // namespace

} // namespace vantrel
