// The editor's canvas: what a repaint costs, and one step of a drag from the mouse event to
// the repainted canvas. A 54 × 100 mm label with ten items at zoom 4, in an editor the size of
// the main window's detail area.
#include "app/Application.h"
#include "app/LabelEditor.h"
#include "views/LabelCanvas.h"

#include "LabelKit/edit/EditSession.h"
#include "LabelKit/store/LabelStore.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vantrel;

namespace {

LabelDocument tenItems() {
    LabelDocument document(QStringLiteral("Crate"), 54, 100);
    const auto add = [&](ElementKind kind, double x, double y, double w, double h,
                         const QString& content = {}) {
        LabelElement e(kind);
        e.x = x, e.y = y, e.width = w, e.height = h;
        if (!content.isEmpty()) {
            e.content = content;
        }
        document.elements.append(e);
    };
    add(ElementKind::text, 3, 3, 48, 10, QStringLiteral("CRATE 0042"));
    add(ElementKind::text, 3, 14, 48, 6, QStringLiteral("Packed {date}"));
    add(ElementKind::text, 3, 21, 48, 6, QStringLiteral("Best before {date+30}"));
    add(ElementKind::barcode, 3, 30, 48, 18, QStringLiteral("CR-0042-{serial}"));
    add(ElementKind::qr, 3, 52, 20, 20, QStringLiteral("https://example.com/crate/0042"));
    add(ElementKind::text, 26, 52, 25, 20, QStringLiteral("Aisle 7\nBay 3\nShelf 2"));
    add(ElementKind::line, 3, 75, 48, 0.5);
    add(ElementKind::box, 3, 78, 48, 18);
    add(ElementKind::ellipse, 6, 80, 14, 14);
    add(ElementKind::text, 22, 82, 28, 10, QStringLiteral("FRAGILE"));
    return document;
}

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Application> app;
    std::unique_ptr<LabelEditor> editor;
    LabelDocument label = tenItems();

    Fixture() {
        Services::Config config;
        config.libraryDirectory = dir.filePath(QStringLiteral("Labels"));
        config.seedIfEmpty = false;
        config.settingsPath = dir.filePath(QStringLiteral("settings.json"));
        config.virtualPrinterFolder = dir.filePath(QStringLiteral("printer"));
        app = std::make_unique<Application>(config);
        app->services().store().save(label);
        editor =
            std::make_unique<LabelEditor>(label.id, app->services(), app->hub(), app->saveOnQuit());
        editor->resize(1120, 800);
        editor->show();
        editor->setZoom(4);
        QApplication::processEvents();
    }

    LabelCanvas& canvas() { return editor->canvas(); }
};

void sendMouse(QWidget* widget, QEvent::Type type, QPointF point) {
    QMouseEvent event(type, point, widget->mapToGlobal(point), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// The canvas painted again with nothing changed: the rendered label comes from the cache.
void repaintAtZoom4(benchmark::State& state) {
    Fixture f;
    f.canvas().repaint();
    for (auto _ : state) {
        f.canvas().repaint();
    }
    state.counters["labelRenders"] = double(f.canvas().picture().labelRenders());
}
BENCHMARK(repaintAtZoom4)->Unit(benchmark::kMillisecond);

// The canvas painted after an edit that changes the picture: nudges of two items in turn, so
// the label is rendered again each time at the detail the zoom needs.
void repaintAfterAnEditAtZoom4(benchmark::State& state) {
    Fixture f;
    int turn = 0;
    for (auto _ : state) {
        f.editor->session().setSelection(f.label.elements[turn % 2 == 0 ? 9 : 0].id);
        f.editor->session().nudge(turn % 4 < 2 ? EditSession::Arrow::right
                                               : EditSession::Arrow::left,
                                  false, MeasureUnit::mm);
        ++turn;
        f.canvas().repaint();
    }
}
BENCHMARK(repaintAfterAnEditAtZoom4)->Unit(benchmark::kMillisecond);

// A held arrow key: repeated nudges of one item, each followed by a repaint.
void heldArrowKeyStepAtZoom4(benchmark::State& state) {
    Fixture f;
    f.editor->session().setSelection(f.label.elements[9].id);
    int turn = 0;
    for (auto _ : state) {
        f.editor->session().nudge(turn++ % 20 < 10 ? EditSession::Arrow::right
                                                   : EditSession::Arrow::left,
                                  false, MeasureUnit::mm, true);
        f.canvas().repaint();
    }
}
BENCHMARK(heldArrowKeyStepAtZoom4)->Unit(benchmark::kMillisecond);

// One mouse move of a drag, from the event to the repainted canvas.
void dragStepAtZoom4(benchmark::State& state) {
    Fixture f;
    LabelCanvas& canvas = f.canvas();
    const QPointF start = canvas.canvasPoint(QPointF(30, 58));
    sendMouse(&canvas, QEvent::MouseButtonPress, start);
    sendMouse(&canvas, QEvent::MouseMove, start + QPointF(10, 0));
    canvas.repaint();
    double step = 0;
    for (auto _ : state) {
        step = step >= 20 ? 0 : step + 1; // a millimetre at a time, there and back
        sendMouse(&canvas, QEvent::MouseMove, start + QPointF(10 + step * f.editor->scale(), 0));
        canvas.repaint();
    }
    sendMouse(&canvas, QEvent::MouseButtonRelease, start);
    state.counters["itemRenders"] = double(canvas.picture().itemRenders());
}
BENCHMARK(dragStepAtZoom4)->Unit(benchmark::kMillisecond);

} // namespace
