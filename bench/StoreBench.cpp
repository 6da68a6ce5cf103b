

// The label library and batches: loading a library of 5 000 label files, one save, and
// building the print items of a 10 000-row list.
#include "LabelKit/model/LabelFile.h"
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

namespace {

// A typical design: three to six items among text, barcodes, a QR code and shapes, some with
// placeholders.
LabelDocument typicalDesign(std::mt19937& random, int index) {
    QList<LabelElement> elements;
    const int count = 3 + int(random() % 4);
    for (int i = 0; i < count; ++i) {
        const ElementKind kinds[] = {ElementKind::text, ElementKind::barcode, ElementKind::qr,
                                     ElementKind::text, ElementKind::box,     ElementKind::line};
        LabelElement e(kinds[random() % 6]);
        e.x = 1 + double(random() % 20) * 0.25;
        e.y = 1 + double(random() % 40) * 0.25;
        if (e.kind == ElementKind::text) {
            e.content = QStringLiteral("Item %1 {Name} packed {date:yyyy-MM-dd}").arg(index);
            e.fontSize = 8 + double(random() % 12);
            e.shrinkToFit = true;
        } else if (e.kind == ElementKind::barcode || e.kind == ElementKind::qr) {
            e.content = QStringLiteral("SKU-%1-{serial}").arg(index);
        }
        elements.append(e);
    }
    LabelDocument doc(QStringLiteral("Label %1").arg(index), 40 + double(random() % 20), 30,
                      elements);
    doc.modified = QDateTime::fromSecsSinceEpoch(1700000000 + random() % 10000000, Qt::UTC);
    return doc;
}

// A folder of label files, written once per process.
const QString& libraryOf5000() {
    static QTemporaryDir dir;
    static const bool written = [] {
        std::mt19937 random(5000);
        for (int i = 0; i < 5000; ++i) {
            const LabelDocument doc = typicalDesign(random, i);
            QFile file(QDir(dir.path())
                           .filePath(doc.id.toString(QUuid::WithoutBraces).toUpper() +
                                     QStringLiteral(".vtllabel")));
            if (!file.open(QIODevice::WriteOnly) || file.write(LabelFile::encode(doc)) < 0) {
                return false;
            }
        }
        return true;
    }();
    static const QString path = written ? dir.path() : QString();
    return path;
}

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
