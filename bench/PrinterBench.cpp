

// Sending jobs: the printer manager's own cost per acknowledged chunk, how close a job comes to
// the link's time, and the memory a long batch holds.
#include "LabelKit/model/Templates.h"
#include "LabelKit/platform/Clock.h"
#include "LabelKit/platform/SettingsStore.h"
#include "LabelKit/printer/PrinterManager.h"
#include "LabelKit/printer/VirtualCentral.h"
#include "LabelKit/tspl/TSPL.h"

#include <QEventLoop>
#include <QFile>

#include <benchmark/benchmark.h>

#include <exception>
#include <memory>

using namespace vantrel;

namespace {

const QString printerName = QStringLiteral("CT221B-VIRTUAL");

QCoro::Task<> finish(QCoro::Task<> task, bool* done, std::exception_ptr* error, QEventLoop* loop) {
    try {
        co_await task;
    } catch (...) {
        *error = std::current_exception();
    }
    *done = true;
    loop->quit();
}

// Runs the operation to its end on the event loop.
void await(QCoro::Task<> task) {
    bool done = false;
    std::exception_ptr error;
    QEventLoop loop;
    finish(std::move(task), &done, &error, &loop);
    if (!done) {
        loop.exec();
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

// A manager connected to a virtual printer that answers each write after `latency`.
struct Rig {
    MemorySettingsStore settings;
    VirtualPrinter* printer = nullptr;
    std::unique_ptr<PrinterManager> manager;

    explicit Rig(double latency) {
        auto* central = new VirtualCentral();
        printer = central->addPrinter(new VirtualPrinter(printerName));
        printer->setLatency(Clock::duration(latency));
        manager = std::make_unique<PrinterManager>(&settings, central);
        manager->registry()->setIdleDisconnectSeconds(3600);
        await(manager->sendRaw({}, printerName));
    }
};

// The TSPL job of a 400 x 240 dot label with some ink: about 12 kB, as the typical label.
QByteArray typicalJob() {
    RenderedLabel label;
    label.width = 400;
    label.height = 240;
    label.pixels = QByteArray(400 * 240, char(255));
    for (qint64 i = 0; i < label.pixels.size(); i += 7) {
        label.pixels[i] = 0;
    }
    LabelDocument document = Templates::blank();
    document.widthMM = 50;
    document.heightMM = 30;
    return TSPL::job(label, document, 1);
}

qint64 chunksOf(const QByteArray& job) {
    return (job.size() + 236) / 237;
}

// The manager's own work per chunk: the printer acknowledges at once, so what is measured is
// slicing, the watchdog, the wait and its resumption through the event loop (and the virtual
// printer reading the bytes).
void jobWithoutLatency(benchmark::State& state) {
    Rig rig(0.0);
    const QByteArray job = typicalJob();
    for (auto _ : state) {
        await(rig.manager->sendRaw(job, printerName));
        rig.printer->clearRecord();
    }
    state.counters["bytes"] = double(job.size());
    state.counters["chunks"] = double(chunksOf(job));
    state.counters["per_chunk"] =
        benchmark::Counter(double(chunksOf(job)) * double(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(jobWithoutLatency)->Unit(benchmark::kMillisecond)->UseRealTime();

// With the usual 15 ms round trip the link's own time is chunks x 15 ms; "overhead" is how much
// longer the job took, as a fraction of that.
void jobWith15msLatency(benchmark::State& state) {
    Rig rig(0.015);
    const QByteArray job = typicalJob();
    const double linkSeconds = double(chunksOf(job)) * 0.015;
    double total = 0;
    for (auto _ : state) {
        const Clock::time_point started = Clock::now();
        await(rig.manager->sendRaw(job, printerName));
        total += (Clock::now() - started).count();
        rig.printer->clearRecord();
    }
    state.counters["link_ms"] = linkSeconds * 1000;
    state.counters["overhead"] = total / double(state.iterations()) / linkSeconds - 1.0;
}
BENCHMARK(jobWith15msLatency)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

double statusMegabytes(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field)) {
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').first().toDouble() /
                   1024.0;
        }
    }
    return 0;
}

// A batch of 1 000 different labels: each job is rendered when its turn comes and dropped once
// written, so the memory stays flat. The pauses run on a clock a thousand times faster.
void batchMemory(benchmark::State& state) {
    Rig rig(0.0);
    QList<PrintItem> items;
    const LabelDocument design = Templates::binTag();
    for (int i = 0; i < 1000; ++i) {
        LabelContext context;
        context.serial = i;
        context.fields.insert(QStringLiteral("Bin"), QStringLiteral("A-%1").arg(i));
        context.date = QDateTime::currentDateTimeUtc();
        items.append(PrintItem(design, context, 1));
    }
    const double previousScale = Clock::timeScale();
    Clock::setTimeScale(0.001);
    double atHundred = 0;
    qint64 printed = 0;
    for (auto _ : state) {
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly)) {
            clear.write("5"); // resets the peak to the current size
        }
        const double start = statusMegabytes("VmRSS:");
        await(rig.manager->print(items, printerName, [&](qint64 done, qint64) {
            rig.printer->clearRecord(); // the virtual printer's record is not ours to measure
            printed = done;
            if (done == 100) {
                atHundred = statusMegabytes("VmRSS:");
            }
        }));
        state.counters["start_MB"] = start;
        state.counters["peak_above_start_MB"] = statusMegabytes("VmHWM:") - start;
        state.counters["growth_100_to_1000_MB"] = statusMegabytes("VmRSS:") - atHundred;
        state.counters["labels"] = double(printed);
    }
    Clock::setTimeScale(previousScale);
}
BENCHMARK(batchMemory)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace
