// The thumbnail view over 2,000 frames of 640 x 480: the first page, then
// page moves (only twelve frames are scaled each time); and reordering the
// same frames, which must move frame handles, never pixels.
#include "../document/headless.h"
#include "document/child.h"
#include "tools/dialogs/frameviews.h"

#include <benchmark/benchmark.h>
#include <numeric>

namespace {

constexpr int kFrames = 2000;

std::vector<QImage> frames()
{
    static const std::vector<QImage> all = benchsupport::plainFrames(kFrames);
    return all;
}

void thumbnailFirstPage(benchmark::State& state)
{
    const std::vector<QImage> all = frames();
    for (auto _ : state) {
        orugif::TVignettes view(all);  // builds and shows the first page
        benchmark::DoNotOptimize(&view);
    }
}
BENCHMARK(thumbnailFirstPage)->Unit(benchmark::kMillisecond);

void thumbnailPageMove(benchmark::State& state)
{
    const std::vector<QImage> all = frames();
    orugif::TVignettes view(all);
    const long before = benchsupport::peakKilobytes();
    for (auto _ : state) {
        view.Affiche();
        benchmark::DoNotOptimize(&view);
    }
    state.counters["added MB"] = double(benchsupport::peakKilobytes() - before) / 1024.0;
}
BENCHMARK(thumbnailPageMove)->Unit(benchmark::kMillisecond);


void reorderTwoThousandFrames(benchmark::State& state)
{
    benchsupport::Document d;
    orugif::TChild& child = d.child;
    child.ImageList1.assign(frames(), QSize(640, 480));
    child.NewFrame = false;
    std::vector<int> reversed(kFrames);
    std::iota(reversed.rbegin(), reversed.rend(), 0);
    const long before = benchsupport::peakKilobytes();
    for (auto _ : state)
        child.reorderFrames(reversed);
    state.counters["added MB"] = double(benchsupport::peakKilobytes() - before) / 1024.0;
}
BENCHMARK(reorderTwoThousandFrames)->Unit(benchmark::kMillisecond);

} // namespace
