// The stages of "Palette optimisée" on real frames, one frame at a time:
// choosing the palette, mapping without dithering, mapping with
// Floyd-Steinberg, and the three together as a save does them.
// The frames are the PNG files of the folder ORUGIF_FRAMES names (for
// example a clip made by bench/tools/reduction_clips.py).
#include "gif/colorreduction.h"
#include "gif/quantize.h"

#include <QDir>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <vector>

namespace {

using namespace orugif::gif;

const std::vector<QImage>& frames()
{
    static const std::vector<QImage> loaded = [] {
        std::vector<QImage> out;
        const char* folder = std::getenv("ORUGIF_FRAMES");
        if (!folder)
            return out;
        const QDir dir(QString::fromLocal8Bit(folder));
        for (const QString& name : dir.entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name))
            out.push_back(QImage(dir.filePath(name)).convertToFormat(QImage::Format_RGB32));
        return out;
    }();
    return loaded;
}

bool haveFrames(benchmark::State& state)
{
    if (!frames().empty())
        return true;
    state.SkipWithError("ORUGIF_FRAMES names no folder of PNG frames");
    return false;
}

void BM_ChoosePalette(benchmark::State& state)
{
    if (!haveFrames(state))
        return;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(QuantizePalette({frames()[i]}, 256));
        i = (i + 1) % frames().size();
    }
}

void mapFrames(benchmark::State& state, int dither, bool choose)
{
    if (!haveFrames(state))
        return;
    std::vector<std::vector<GIFColor>> palettes;
    if (!choose)
        for (const QImage& f : frames())
            palettes.push_back(QuantizePalette({f}, 256));
    std::size_t i = 0;
    QImage out(frames()[0].size(), QImage::Format_Indexed8);
    for (auto _ : state) {
        const QImage& f = frames()[i];
        if (out.size() != f.size())
            out = QImage(f.size(), QImage::Format_Indexed8);
        std::vector<GIFColor> used;
        ReduceToIndices(f, 7, dither, choose ? std::vector<GIFColor>() : palettes[i], used, out.bits(),
                        out.bytesPerLine(), 8);
        benchmark::DoNotOptimize(out.bits());
        i = (i + 1) % frames().size();
    }
}

void BM_MapNone(benchmark::State& state) { mapFrames(state, 0, false); }
void BM_MapFloyd(benchmark::State& state) { mapFrames(state, 1, false); }
void BM_ChooseAndMapNone(benchmark::State& state) { mapFrames(state, 0, true); }
void BM_ChooseAndMapFloyd(benchmark::State& state) { mapFrames(state, 1, true); }

} // namespace

BENCHMARK(BM_ChoosePalette)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapNone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapFloyd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChooseAndMapNone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChooseAndMapFloyd)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
