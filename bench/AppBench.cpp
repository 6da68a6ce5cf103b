// The application with a library of 5 000 labels: start-up until the main window has painted,
// and the sidebar's first paint. One thumbnail is measured in EditBench.
#include "bench/LabelLibrary.h"

#include "app/Application.h"
#include "app/CommandHub.h"
#include "app/MainWindow.h"
#include "app/SaveOnQuit.h"

#include "LabelKit/store/LabelStore.h"

#include <QApplication>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {

Services::Config configFor(const QString& library, const QTemporaryDir& home) {
    Services::Config config;
    config.libraryDirectory = library;
    config.seedIfEmpty = false;
    config.settingsPath = home.filePath(QStringLiteral("settings.json"));
    config.virtualPrinterFolder = home.filePath(QStringLiteral("printer"));
    return config;
}

// Counts the paints of one widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

// From nothing to the main window on screen with its label list painted: the store reads the
// library, the window is built, shown and painted (the rows on screen with their thumbnails).
void BM_StartupWith5000Labels(benchmark::State& state) {
    const QString library = benchlibrary::libraryOf5000();
    QTemporaryDir home;
    for (auto _ : state) {
        Application app(configFor(library, home));
        MainWindow& window = app.mainWindow();
        PaintCounter counter;
        auto* list = window.findChild<QListView*>(QStringLiteral("labelList"));
        list->viewport()->installEventFilter(&counter);
        window.show();
        while (counter.paints == 0) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        state.PauseTiming();
        state.counters["labels"] = double(app.services().store().labels().size());
        window.close();
        list->viewport()->removeEventFilter(&counter);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupWith5000Labels)->Unit(benchmark::kMillisecond)->Iterations(5);

// The label list of a new window painting its rows for the first time, thumbnails included.
void BM_SidebarFirstPaint5000(benchmark::State& state) {
    const QString library = benchlibrary::libraryOf5000();
    QTemporaryDir home;
    Services services(configFor(library, home));
    services.store();
    CommandHub hub;
    SaveOnQuit saveOnQuit;
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<MainWindow>(services, hub, saveOnQuit);
        window->setAttribute(Qt::WA_DontShowOnScreen);
        window->show();
        auto* list = window->findChild<QListView*>(QStringLiteral("labelList"));
        rows = list->viewport()->height() / std::max(list->sizeHintForRow(0), 1) + 1;
        state.ResumeTiming();
        const QPixmap painted = list->viewport()->grab();
        benchmark::DoNotOptimize(painted.cacheKey());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
    state.counters["rows_on_screen"] = rows;
}
BENCHMARK(BM_SidebarFirstPaint5000)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
