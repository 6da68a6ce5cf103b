// The largest inputs the limits let through, and inputs far beyond them: each must render, load
// or be refused well within 2 s.
#include "LabelKit/merge/DataTable.h"
#include "LabelKit/model/LabelFile.h"
#include "LabelKit/model/UserError.h"
#include "LabelKit/print/PrintBatch.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/render/PicturePainter.h"
#include "tests/support/ProgressiveJpeg.h"

#include <QImage>

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {

const LabelContext& context() {
    static const LabelContext c{1, 0, {}, QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53))};
    return c;
}

LabelElement textElement(const QString& content, double widthMM, bool shrink) {
    LabelElement e(ElementKind::text);
    e.x = 1;
    e.y = 1;
    e.width = widthMM;
    e.height = 28;
    e.content = content;
    e.shrinkToFit = shrink;
    return e;
}

void renderOrRefuse(benchmark::State& state, const LabelDocument& doc) {
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(LabelRenderer::render(doc, context(), 1, true));
        } catch (const UserError&) {
            state.SetLabel("refused");
        }
    }
}

// One word as long as an element's text may be, in a 48 mm box and in a box one dot wide (a
// line for every character): the time grows linearly with the word.
void longWord(benchmark::State& state) {
    const QString word(state.range(0), u'x');
    const double width = state.range(1) == 0 ? 0.125 : 48;
    renderOrRefuse(state,
                   LabelDocument(QStringLiteral("W"), 50, 30, {textElement(word, width, false)}));
}
BENCHMARK(longWord)
    ->ArgsProduct({{1000, LabelRenderer::maxElementCharacters}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// A label holding all the text it may, as shrink-to-fit paragraphs.
void fullLabelShrunk(benchmark::State& state) {
    const QString words = QStringLiteral("word ").repeated(LabelRenderer::maxElementCharacters / 5);
    LabelDocument doc(QStringLiteral("W"), 50, 30);
    for (qsizetype i = 0; i < LabelRenderer::maxLabelCharacters / words.size(); ++i) {
        doc.elements.append(textElement(words, 48, true));
    }
    renderOrRefuse(state, doc);
}
BENCHMARK(fullLabelShrunk)->Unit(benchmark::kMillisecond);

// As many elements as a label may hold, each a shrink-to-fit text.
void mostElements(benchmark::State& state) {
    LabelDocument doc(QStringLiteral("W"), 50, 30);
    for (qsizetype i = 0; i < LabelDocument::maxElements; ++i) {
        doc.elements.append(textElement(QStringLiteral("Text %1").arg(i), 10, true));
    }
    renderOrRefuse(state, doc);
}
BENCHMARK(mostElements)->Unit(benchmark::kMillisecond);

// A picture of 64 megapixels with as many scans as allowed, and one megabyte of scans (refused).
void scans(benchmark::State& state) {
    LabelElement e(ElementKind::image);
    e.x = 0;
    e.y = 0;
    e.width = 50;
    e.height = 30;
    e.imageData = testsupport::progressiveJpeg(8192, state.range(0));
    state.counters["bytes"] = double(e.imageData->size());
    renderOrRefuse(state, LabelDocument(QStringLiteral("W"), 50, 30, {e}));
}
BENCHMARK(scans)
    ->Arg(10)
    ->Arg(PicturePainter::maxScans / 2)
    ->Arg(PicturePainter::maxScans)
    ->Arg(20000)
    ->Unit(benchmark::kMillisecond);

// A label file of as many values as allowed, and 63 MB of empty elements (refused).
void labelFile(benchmark::State& state) {
    // Elements of 99 values each, or empty ones.
    const QByteArray entry =
        state.range(0) == 0 ? "{\"x\": [" + QByteArray("0,").repeated(96) + "0]}," : "{},";
    const qsizetype count =
        state.range(0) == 0 ? LabelDocument::maxElements : 63'000'000 / entry.size();
    const QByteArray bytes = "{\"elements\": [" + entry.repeated(count).chopped(1) + "]}";
    state.counters["bytes"] = double(bytes.size());
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(LabelFile::decode(bytes));
        } catch (const UserError&) {
            state.SetLabel("refused");
        }
    }
}
BENCHMARK(labelFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A list of as many cells as allowed (rows of 20 cells), loaded and made into the print items of
// every row; and 64 MB of one-letter rows (refused).
void list(benchmark::State& state) {
    const QByteArray bytes =
        state.range(0) == 0
            ? QByteArray("a,bb,ccc,d,ee,fff,g,hh,iii,j,kk,lll,m,nn,ooo,p,qq,rrr,s,tt\n")
                  .repeated(DataTable::maxCells / 20)
            : QByteArray("a\n").repeated(32 * 1024 * 1024);
    LabelDocument doc(QStringLiteral("W"), 50, 30,
                      {textElement(QStringLiteral("{Column 2}"), 48, false)});
    for (auto _ : state) {
        try {
            const DataTable table = DataTable::load(bytes, false);
            const auto rows = PrintBatch::rowsToPrint(table, PrintBatch::RowMode::all, 1, 1, {});
            benchmark::DoNotOptimize(PrintBatch::build(doc, table, rows, {}));
        } catch (const UserError&) {
            state.SetLabel("refused");
        }
    }
}
BENCHMARK(list)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
