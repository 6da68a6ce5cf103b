#include "LabelKit/barcode/RetailBarcode.h"
#include "LabelKit/barcode/SymbolGenerator.h"
#include "LabelKit/render/LabelRenderer.h"

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {

LabelDocument labelWith(const LabelElement& element) {
    return LabelDocument(QStringLiteral("bench"), 50, 30, {element});
}

LabelElement barcode(Symbology symbology, const QString& content) {
    LabelElement element(ElementKind::barcode);
    element.symbology = symbology;
    element.content = content;
    element.x = 3;
    element.y = 3;
    element.width = 44;
    element.height = 20;
    return element;
}

void encodeEan13(benchmark::State& state) {
    const QString text = QStringLiteral("400638133393");
    for (auto _ : state) {
        benchmark::DoNotOptimize(RetailBarcode::encode(Symbology::ean13, text));
    }
}
BENCHMARK(encodeEan13);

void encodeUpcEFromUpcA(benchmark::State& state) {
    const QString text = QStringLiteral("042100005264");
    for (auto _ : state) {
        benchmark::DoNotOptimize(RetailBarcode::encode(Symbology::upcE, text));
    }
}
BENCHMARK(encodeUpcEFromUpcA);

void code128(benchmark::State& state) {
    const QString text = QStringLiteral("Vantrel-42 lot A/7");
    for (auto _ : state) {
        benchmark::DoNotOptimize(SymbolGenerator::code128(text));
    }
}
BENCHMARK(code128);

void qrCode(benchmark::State& state) {
    const QString text(state.range(0), u'a');
    for (auto _ : state) {
        benchmark::DoNotOptimize(SymbolGenerator::qrCode(text));
    }
}
BENCHMARK(qrCode)->Arg(28)->Arg(500)->Arg(2331);

void barcodeIssue(benchmark::State& state) {
    const LabelElement element = barcode(Symbology::code128, {});
    const QString text = QStringLiteral("Vantrel-42 lot A/7");
    for (auto _ : state) {
        benchmark::DoNotOptimize(LabelRenderer::barcodeIssue(element, text));
    }
}
BENCHMARK(barcodeIssue);

// A 50 x 30 mm label in the printed look, with one symbol and its text.
void renderLabel(benchmark::State& state) {
    LabelElement element = barcode(Symbology::ean13, QStringLiteral("400638133393"));
    if (state.range(0) == 1) {
        element = barcode(Symbology::code128, QStringLiteral("Vantrel-42 lot A/7"));
    } else if (state.range(0) == 2) {
        element = LabelElement(ElementKind::qr);
        element.content = QStringLiteral("https://example.com/label/42");
        element.x = 3;
        element.y = 3;
        element.width = 24;
        element.height = 24;
    }
    const LabelDocument document = labelWith(element);
    for (auto _ : state) {
        benchmark::DoNotOptimize(LabelRenderer::render(document, LabelContext::preview(), 1, true));
    }
    state.SetLabel(state.range(0) == 0 ? "ean13" : state.range(0) == 1 ? "code128" : "qr");
}
BENCHMARK(renderLabel)->Arg(0)->Arg(1)->Arg(2);

} // namespace
