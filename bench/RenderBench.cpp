

// Rendering and encoding: what printing and the editor's preview pay per label.
#include "LabelKit/model/Templates.h"
#include "LabelKit/render/LabelRenderer.h"
#include "LabelKit/render/PictureCache.h"
#include "LabelKit/tspl/TSPL.h"

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {

const LabelContext& context() {
    static const LabelContext c{1, 0, {}, QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53))};
    return c;
}

const LabelDocument& starter(qsizetype index) {
    static const QList<LabelDocument> designs = Templates::starters();
    return designs[index];
}

// Exact render at one pixel per dot and the TSPL job of it: the work of one printed label.
void exactAndEncode(benchmark::State& state) {
    const LabelDocument& doc = starter(state.range(0));
    state.SetLabel(doc.name.toStdString());
    for (auto _ : state) {
        benchmark::DoNotOptimize(TSPL::job(doc, context(), 1));
    }
}
BENCHMARK(exactAndEncode)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The editor's preview: four pixels per dot, grey edges kept. Redrawn on every drag step.
void previewAtScale4(benchmark::State& state) {
    const LabelDocument& doc = starter(state.range(0));
    state.SetLabel(doc.name.toStdString());
    for (auto _ : state) {
        benchmark::DoNotOptimize(LabelRenderer::render(doc, context(), 4, false));
    }
}
BENCHMARK(previewAtScale4)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// A photograph-like JPEG of the size given, as an image element stores it.
QByteArray photo(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0, QColor(40, 60, 120));
    sky.setColorAt(1, QColor(230, 220, 200));
    painter.fillRect(image.rect(), sky);
    QRadialGradient sphere(QPointF(width * 0.4, height * 0.4), height * 0.45);
    sphere.setColorAt(0, QColor(255, 250, 240));
    sphere.setColorAt(1, QColor(60, 20, 10));
    painter.setBrush(sphere);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(width * 0.45, height * 0.5), height * 0.4, height * 0.4);
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes;
}

// A 50 x 30 mm label filled by a photo `width` pixels wide under a caption.
LabelDocument photoDesign(int width) {
    LabelDocument doc(QStringLiteral("Photo"), 50, 30);
    LabelElement picture(ElementKind::image);
    picture.x = 0;
    picture.y = 0;
    picture.width = 50;
    picture.height = 30;
    picture.imageData = photo(width, width * 3 / 5);
    LabelElement caption(ElementKind::text);
    caption.content = QStringLiteral("Harbour, March");
    caption.x = 2;
    caption.y = 24;
    caption.width = 46;
    caption.height = 5;
    doc.elements = {picture, caption};
    return doc;
}

// The printed look of a photo label (decoded, scaled, dithered), the picture cache empty.
void photoLabel(benchmark::State& state) {
    const LabelDocument doc = photoDesign(int(state.range(0)));
    state.SetLabel(std::to_string(state.range(0)) + " px wide photo");
    for (auto _ : state) {
        PictureCache::shared().clear();
        benchmark::DoNotOptimize(LabelRenderer::render(doc, context(), 1, true));
    }
}
BENCHMARK(photoLabel)->Arg(400)->Arg(800)->Arg(1600)->Arg(4000)->Unit(benchmark::kMillisecond);

// The canvas repainting a photo label during a drag: preview at four pixels per dot with a
// 1600 px JPEG, the caption moving. Argument 0 keeps no pictures (every repaint decodes),
// 1 the picture cache as rendering uses it.
void photoRepaintAtScale4(benchmark::State& state) {
    LabelDocument doc = photoDesign(1600);
    const bool cached = state.range(0) != 0;
    state.SetLabel(cached ? "picture cache" : "no cache");
    PictureCache::shared().clear();
    PictureCache::shared().setBudget(cached ? PictureCache::defaultBudget : 0);
    int step = 0;
    for (auto _ : state) {
        doc.elements[1].x = 2 + (step++ % 8) * 0.25;
        benchmark::DoNotOptimize(LabelRenderer::render(doc, context(), 4, false));
    }
    PictureCache::shared().setBudget(PictureCache::defaultBudget);
}
BENCHMARK(photoRepaintAtScale4)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
