

// The label library and batches: loading a library of 5 000 label files, one save, and
// building the print items of a 10 000-row list.
#include "bench/LabelLibrary.h"

#include "LabelKit/model/Templates.h"
#include "LabelKit/print/PrintBatch.h"
#include "LabelKit/store/LabelStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

using namespace vantrel;
using benchlibrary::libraryOf5000;
using benchlibrary::typicalDesign;

namespace {

// Opening the library: listing, reading and decoding every file, sorting.
void BM_OpenLibraryOf5000(benchmark::State& state) {
    const QString folder = libraryOf5000();
    if (folder.isEmpty()) {
        state.SkipWithError("could not write the library");
        return;
    }
    for (auto _ : state) {
        LabelStore store(folder, false);
        benchmark::DoNotOptimize(store.labels().size());
    }
}
BENCHMARK(BM_OpenLibraryOf5000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReloadLibraryOf5000(benchmark::State& state) {
    const QString folder = libraryOf5000();
    if (folder.isEmpty()) {
        state.SkipWithError("could not write the library");
        return;
    }
    LabelStore store(folder, false);
    for (auto _ : state) {
        store.reload();
        benchmark::DoNotOptimize(store.labels().size());
    }
    state.counters["labels"] = double(store.labels().size());
}
BENCHMARK(BM_ReloadLibraryOf5000)->Unit(benchmark::kMillisecond)->Iterations(5);

// One save of a typical design, flushed to the disk, in a library of 0 or 5 000 labels.
void BM_Save(benchmark::State& state) {
    QTemporaryDir dir;
    std::unique_ptr<LabelStore> store;
    if (state.range(0) > 0) {
        const QString folder = libraryOf5000();
        QDir(folder).mkpath(QStringLiteral("."));
        for (const QString& name : QDir(folder).entryList(QDir::Files)) {
            QFile::copy(QDir(folder).filePath(name), QDir(dir.path()).filePath(name));
        }
    }
    store = std::make_unique<LabelStore>(dir.path(), false);
    std::mt19937 random(1);
    LabelDocument doc = typicalDesign(random, 1);
    for (auto _ : state) {
        doc.name = QStringLiteral("Label %1").arg(state.iterations());
        if (!store->save(doc)) {
            state.SkipWithError("save failed");
            return;
        }
    }
    state.counters["labels"] = double(store->labels().size());
}
BENCHMARK(BM_Save)->Arg(0)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(200);

// The print panel's batch for every row of a 10 000-row list, on a design that uses {serial}.
void BM_BatchOf10000Rows(benchmark::State& state) {
    DataTable table;
    table.columns = {QStringLiteral("Name"), QStringLiteral("SKU"), QStringLiteral("Price"),
                     QStringLiteral("Shop")};
    for (int r = 0; r < 10000; ++r) {
        table.rows.append({QStringLiteral("Item %1").arg(r), QStringLiteral("SKU-%1").arg(r),
                           QStringLiteral("%1.99").arg(r % 100), QStringLiteral("North")});
    }
    const LabelDocument doc = Templates::skuTag();
    PrintBatch::Settings settings;
    settings.copies = 2;
    settings.fields = {{QStringLiteral("Batch"), QStringLiteral("B-7")}};
    for (auto _ : state) {
        const auto rows = PrintBatch::rowsToPrint(table, PrintBatch::RowMode::all, 1, 1, {});
        const QList<PrintItem> items = PrintBatch::build(doc, table, rows, settings);
        benchmark::DoNotOptimize(items.size());
    }
}
BENCHMARK(BM_BatchOf10000Rows)->Unit(benchmark::kMillisecond);

} // namespace
