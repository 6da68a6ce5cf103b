// The list views over a 100 000-row list of five columns: the table from nothing to its first
// paint, and one search keystroke from the key press to the filtered rows painted, with the
// longest stretch the interface thread was kept from its events meanwhile.
#include "views/DataTableView.h"

#include "LabelKit/edit/DataTableModel.h"
#include "LabelKit/edit/EditSession.h"
#include "LabelKit/edit/RowSearch.h"
#include "LabelKit/store/LabelStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

using namespace vantrel;

namespace {

constexpr int rowCount = 100000;

struct Fixture {
    QTemporaryDir dir;
    LabelStore store{dir.path(), false};
    std::unique_ptr<EditSession> session;

    Fixture() {
        const QString path = dir.filePath(QStringLiteral("stock.csv"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            qFatal("cannot write the list");
        }
        static const char* const fruit[] = {"Apple", "Banana", "Cherry", "Date", "Elder", "Fig"};
        QByteArray csv = "SKU,Name,Price,Aisle,Supplier\n";
        for (int i = 0; i < rowCount; ++i) {
            csv += QStringLiteral("SKU-%1,%2 %3,%4.%5,Aisle %6,Supplier %7\n")
                       .arg(i, 6, 10, QLatin1Char('0'))
                       .arg(QLatin1String(fruit[i % 6]))
                       .arg(i % 97)
                       .arg(i % 50)
                       .arg(i % 100, 2, 10, QLatin1Char('0'))
                       .arg(i % 40)
                       .arg(i % 23)
                       .toUtf8();
        }
        file.write(csv);
        file.close();
        LabelDocument doc(QStringLiteral("Shelf"), 40, 30);
        store.save(doc);
        session = std::make_unique<EditSession>(&store, doc.id);
        session->attachList(path); // reads the list into the store's cache
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// The table built over the session's list, shown, laid out and painted once.
void firstPaint(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        DataTableView view(*f.session);
        view.resize(900, 230);
        view.show();
        view.table()->viewport()->repaint();
        benchmark::DoNotOptimize(view.model()->rowCount());
        state.PauseTiming();
        view.hide();
        state.ResumeTiming();
    }
}
BENCHMARK(firstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

// One key typed into the search field, until the rows it finds are painted. A 1 ms timer
// measures how long the interface thread went without serving its events.
void searchKeystroke(benchmark::State& state) {
    Fixture& f = fixture();
    DataTableView view(*f.session);
    view.resize(900, 230);
    view.show();
    QApplication::processEvents();
    double longestBlockMs = 0;
    qsizetype shown = 0;
    const char key = state.range(0) == 0 ? '4' : 'z';
    for (auto _ : state) {
        state.PauseTiming();
        view.searchField()->clear();
        QApplication::processEvents();
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setInterval(1);
        ticker.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestBlockMs = std::max(longestBlockMs, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
        });
        bool found = false;
        const auto connection = QObject::connect(view.rowSearch(), &RowSearch::found, [&] {
            view.table()->viewport()->repaint();
            found = true;
        });
        sinceTick.start();
        ticker.start();
        state.ResumeTiming();

        QTest::keyClick(view.searchField(), key);
        while (!found) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }

        state.PauseTiming();
        longestBlockMs = std::max(longestBlockMs, sinceTick.nsecsElapsed() / 1e6);
        ticker.stop();
        QObject::disconnect(connection);
        shown = view.model()->rowCount();
        state.ResumeTiming();
    }
    state.counters["rows_shown"] = double(shown);
    state.counters["ui_blocked_max_ms"] = longestBlockMs;
}
BENCHMARK(searchKeystroke)
    ->Arg(0) // "4": most rows match
    ->Arg(1) // "z": no row matches, every cell read
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
