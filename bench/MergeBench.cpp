

// Merge data: decoding and parsing a large CSV list, Python's csv module on the same file for
// comparison, and placeholder expansion.
#include "LabelKit/merge/DataTable.h"
#include "LabelKit/merge/Placeholders.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <random>

using namespace vantrel;

namespace {

// As large as a list may be: its rows reach the row limit well before these bytes.
constexpr qsizetype targetBytes = 50'000'000;

// A list like one exported from a spreadsheet: a header, CRLF line ends, and cells that need
// quoting (delimiters, doubled quotes, line breaks) among plain ones, with text beyond ASCII.
QByteArray generateCsv() {
    static const char* const names[] = {"Café au lait", "Größe L",    "日本語ラベル", "Widget",
                                        "Crème brûlée", "Smørrebrød", "Ελληνικά",     "Plain box"};
    static const char* const cities[] = {"Zürich", "München", "São Paulo", "Springfield",
                                         "東京",   "Kraków",  "Reykjavík", "Oslo"};
    std::mt19937 random(2025);
    QByteArray out;
    out.reserve(targetBytes + 4096);
    out += "id,sku,name,description,price,quantity,city,notes,updated,tag\r\n";
    for (qsizetype row = 1; out.size() < targetBytes && row <= DataTable::maxRows; ++row) {
        const unsigned r = random();
        out += QByteArray::number(row);
        out += ",SKU-" + QByteArray::number(100000 + r % 900000);
        out += ',';
        out += names[r % 8];
        switch (r % 5) {
        case 0:
            out += ",\"Packed in boxes of 12, 24 or 48; \"\"fragile\"\" when stacked\"";
            break;
        case 1:
            out += ",\"Line one of the address\r\nLine two, the city\"";
            break;
        case 2:
            out += ",Plain description without any special character at all";
            break;
        case 3:
            out += ",\"Größe \"\"XL\"\", Farbe: grün, Maße 30 × 40 cm\"";
            break;
        default:
            out += ",Ein einfacher Text über Äpfel und Öl";
            break;
        }
        out += ",\"" + QByteArray::number((r >> 4) % 10000) + ',' +
               QByteArray::number((r >> 8) % 100) + " €\"";
        out += ',' + QByteArray::number((r >> 12) % 500);
        out += ',';
        out += cities[(r >> 16) % 8];
        out += (r >> 20) % 3 == 0 ? ",\"\"" : ", note with spaces ";
        out += ",2025-03-" + QByteArray::number(10 + (r >> 22) % 18) + "T09:26:53Z";
        out += ",{tag}\r\n";
    }
    return out;
}

// The list, generated once, in memory and in a temporary file for the Python comparison.
struct Corpus {
    QTemporaryDir dir;
    QString path;
    QByteArray bytes;
    QString text;
    qsizetype rows = 0;

    static const Corpus& get() {
        static const std::unique_ptr<Corpus> corpus = [] {
            auto c = std::make_unique<Corpus>();
            c->bytes = generateCsv();
            c->path = c->dir.filePath(QStringLiteral("list.csv"));
            QFile file(c->path);
            if (!file.open(QIODevice::WriteOnly) || file.write(c->bytes) != c->bytes.size()) {
                qFatal("cannot write the benchmark list to %s", qPrintable(c->path));
            }
            file.close();
            c->text = DataTable::decode(c->bytes);
            c->rows = DataTable::parse(c->text, true).rows.size();
            return c;
        }();
        return *corpus;
    }
};

// Seconds of processor time used by this process. On a shared machine the wall clock also counts
// the time other processes hold the processor; "cpu MB/s" leaves that out, for this process and
// for Python alike.
double processSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

void reportBytes(benchmark::State& state, qsizetype bytes, double cpuSeconds) {
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB/s"] =
        benchmark::Counter(double(bytes) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["cpu MB/s"] = double(bytes) * double(state.iterations()) / 1e6 / cpuSeconds;
    state.counters["rows"] = double(Corpus::get().rows);
}

// The table is destroyed outside the timed region: Python's timing ends with its list alive.
template <class Work>
double timeTable(benchmark::State& state, Work work) {
    double cpuSeconds = 0;
    for (auto _ : state) {
        const double start = processSeconds();
        DataTable table = work();
        benchmark::DoNotOptimize(table.rows.data());
        cpuSeconds += processSeconds() - start;
        state.PauseTiming();
        table = DataTable();
        state.ResumeTiming();
    }
    return cpuSeconds;
}

void BM_CsvDecode(benchmark::State& state) {
    const Corpus& corpus = Corpus::get();
    double cpuSeconds = 0;
    for (auto _ : state) {
        const double start = processSeconds();
        QString text = DataTable::decode(corpus.bytes);
        benchmark::DoNotOptimize(text.data());
        cpuSeconds += processSeconds() - start;
    }
    reportBytes(state, corpus.bytes.size(), cpuSeconds);
}

// Throughput counted in bytes of the file, so that the figures compare with the others.
void BM_CsvParse(benchmark::State& state) {
    const Corpus& corpus = Corpus::get();
    const double cpu = timeTable(state, [&] { return DataTable::parse(corpus.text, true); });
    reportBytes(state, corpus.bytes.size(), cpu);
}

void BM_CsvLoad(benchmark::State& state) {
    const Corpus& corpus = Corpus::get();
    const double cpu = timeTable(state, [&] { return DataTable::load(corpus.bytes, true); });
    reportBytes(state, corpus.bytes.size(), cpu);
}

// Reading the file too, like the Python run below.
void BM_CsvLoadFile(benchmark::State& state) {
    const Corpus& corpus = Corpus::get();
    const double cpu = timeTable(state, [&] {
        QFile file(corpus.path);
        if (!file.open(QIODevice::ReadOnly)) {
            qFatal("cannot read %s", qPrintable(corpus.path));
        }
        return DataTable::load(file.readAll(), true);
    });
    reportBytes(state, corpus.bytes.size(), cpu);
}

// Python's C csv module on the same file, timed inside Python: open, decode, list(reader).
void BM_CsvPythonModule(benchmark::State& state) {
    const Corpus& corpus = Corpus::get();
    static const QString script =
        QStringLiteral("import csv, sys, time\n"
                       "t, c = time.perf_counter(), time.process_time()\n"
                       "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                       "    rows = list(csv.reader(f))\n"
                       "print(time.perf_counter() - t, time.process_time() - c, len(rows))\n");
    double cpuSeconds = 0;
    for (auto _ : state) {
        QProcess python;
        python.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral("-c"), script, corpus.path});
        if (!python.waitForFinished(300'000) || python.exitCode() != 0) {
            state.SkipWithError("/usr/bin/python3 did not run the csv module");
            return;
        }
        const QList<QByteArray> out = python.readAllStandardOutput().trimmed().split(' ');
        bool ok = out.size() == 3;
        const double seconds = ok ? out[0].toDouble(&ok) : 0;
        cpuSeconds += ok ? out[1].toDouble(&ok) : 0;
        // Python keeps the header as a row; both parsers must see the same records.
        if (!ok || out[2].toLongLong() != corpus.rows + 1) {
            state.SkipWithError("Python read a different number of rows");
            return;
        }
        state.SetIterationTime(seconds);
    }
    reportBytes(state, corpus.bytes.size(), cpuSeconds);
}

// The data views filter the list as the user types: one search over every cell of the list. An
// ASCII query matches cells of ASCII directly; other cells and queries go through the collator.
void BM_CsvSearch(benchmark::State& state) {
    static const DataTable table = DataTable::parse(Corpus::get().text, true);
    const QString query = state.range(0) == 0 ? QStringLiteral("OSLO") : QStringLiteral("zürich");
    for (auto _ : state) {
        const QList<qsizetype> found = table.search(query);
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["rows"] = double(table.rows.size());
}

LabelContext mergeContext() {
    LabelContext context;
    context.serial = 42;
    context.serialDigits = 5;
    context.fields = {{QStringLiteral("Name"), QStringLiteral("Café au lait")},
                      {QStringLiteral("Price"), QStringLiteral("12,50 €")}};
    context.date = QDateTime::fromSecsSinceEpoch(1741944413);
    return context;
}

// A text without "{" must come back as the same string: no copy, no allocation.
void BM_ResolvePlainText(benchmark::State& state) {
    const QString text = QStringLiteral("Widget 2000, blue, 12 mm (SKU A-12)");
    const LabelContext context = mergeContext();
    for (auto _ : state) {
        QString out = Placeholders::resolve(text, context);
        benchmark::DoNotOptimize(out.constData());
        if (out.constData() != text.constData()) {
            state.SkipWithError("resolve copied a text without placeholders");
            return;
        }
    }
}

void BM_ResolveFivePlaceholders(benchmark::State& state) {
    const QString text = QStringLiteral("{Name} {serial} {date+30} {Price} {date:yyyy-MM-dd}");
    const LabelContext context = mergeContext();
    for (auto _ : state) {
        QString out = Placeholders::resolve(text, context);
        benchmark::DoNotOptimize(out.constData());
    }
}

BENCHMARK(BM_CsvDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CsvParse)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CsvLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CsvLoadFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CsvPythonModule)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_CsvSearch)->Unit(benchmark::kMillisecond)->ArgName("nonAscii")->Arg(0)->Arg(1);
BENCHMARK(BM_ResolvePlainText);
BENCHMARK(BM_ResolveFivePlaceholders)->Unit(benchmark::kMicrosecond);

} // namespace
