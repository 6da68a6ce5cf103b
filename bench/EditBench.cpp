// The editing layer: what the library sidebar pays per label it shows.
#include "LabelKit/edit/LabelListModel.h"
#include "LabelKit/model/Templates.h"
#include "LabelKit/store/LabelStore.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {

// One sidebar thumbnail drawn afresh (detail 2, scaled into its 56 x 42 point frame at two
// device pixels a point), as when a label scrolls into view or has just been saved.
void thumbnail(benchmark::State& state) {
    QTemporaryDir dir;
    LabelStore store(dir.path(), false);
    const LabelDocument doc = Templates::starters().at(state.range(0));
    store.save(doc);
    LabelListModel model(&store);
    state.SetLabel(doc.name.toStdString());
    const QModelIndex row = model.index(0);
    bool odd = false;
    for (auto _ : state) {
        // Another size empties the cache, so every read draws.
        model.setThumbnailSize(QSize(112, odd ? 85 : 84));
        odd = !odd;
        benchmark::DoNotOptimize(row.data(LabelListModel::ThumbnailRole));
    }
}
BENCHMARK(thumbnail)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

} // namespace
