// GIF codec benchmarks against giflib: decoding and composing "photo" and
// "ui", encoding "photo" onto the 216-colour cube, and frame optimisation.
// Rates are megapixels per second of composed (or encoded) screen pixels.
#include "giflib_anchor.h"
#include "workloads.h"

#include "gif/compose.h"
#include "gif/gifimage.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>

using namespace orugif::gif;

namespace {

const QByteArray& photoFile()
{
    static const QByteArray file = bench::photoGif();
    return file;
}
const QByteArray& uiFile()
{
    static const QByteArray file = bench::uiGif();
    return file;
}
const bench::Workload& photo()
{
    static const bench::Workload w = bench::photoFrames();
    return w;
}

void setRate(benchmark::State& state, double pixelsPerIteration)
{
    state.counters["MP/s"] =
        benchmark::Counter(pixelsPerIteration / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// Load and compose every frame into one canvas, as opening does.
void decodeOurs(benchmark::State& state, const QByteArray& file)
{
    std::int64_t screen = 0;
    int frames = 0;
    for (auto _ : state) {
        TGIFImage image;
        image.LoadFromData({reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size())});
        TGIFFrameComposer composer(image);
        frames = 0;
        while (composer.Advance())
            ++frames;
        screen = std::int64_t(image.Width()) * image.Height();
        benchmark::DoNotOptimize(composer.Canvas().constBits());
    }
    setRate(state, double(screen) * frames);
    state.counters["frames"] = frames;
    state.counters["file_bytes"] = double(file.size());
}

void decodeGiflib(benchmark::State& state, const QByteArray& file, std::int64_t screen)
{
    std::vector<std::uint32_t> canvas;
    int frames = 0;
    for (auto _ : state) {
        frames = bench::giflibDecodeCompose(file, canvas);
        benchmark::DoNotOptimize(canvas.data());
    }
    setRate(state, double(screen) * frames);
    state.counters["frames"] = frames;
}

void BM_DecodePhoto_Ours(benchmark::State& s) { decodeOurs(s, photoFile()); }
void BM_DecodePhoto_Giflib(benchmark::State& s) { decodeGiflib(s, photoFile(), 640 * 480); }
void BM_DecodeUi_Ours(benchmark::State& s) { decodeOurs(s, uiFile()); }
void BM_DecodeUi_Giflib(benchmark::State& s) { decodeGiflib(s, uiFile(), 800 * 600); }

// Reduce each frame to the cube, LZW-code it and write the file in memory.
void BM_EncodePhoto_Ours(benchmark::State& state)
{
    const bench::Workload& w = photo();
    qsizetype bytes = 0;
    for (auto _ : state) {
        TGIFImage image;
        for (const QImage& f : w.frames)
            image.AddFrameImage(f);
        const QByteArray out = image.SaveToData();
        bytes = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    setRate(state, double(w.width) * w.height * double(w.frames.size()));
    state.counters["bytes"] = double(bytes);
}

void BM_EncodePhoto_Giflib(benchmark::State& state)
{
    const bench::Workload& w = photo();
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray out = bench::giflibEncodeCube(w.frames, w.width, w.height);
        bytes = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    setRate(state, double(w.width) * w.height * double(w.frames.size()));
    state.counters["bytes"] = double(bytes);
}

// Frame optimisation of "ui" (table, then merge and crop), the model built
// beforehand; output size next to the unoptimised file.
void BM_OptimizeUi_Ours(benchmark::State& state)
{
    static const bench::Workload w = bench::uiFrames();
    TGIFImage source;
    for (const QImage& f : w.frames)
        source.AddFrameImage(f);
    const double plain = double(source.SaveToData().size());
    double optimised = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TGIFImage image;
        image.Assign(source);
        state.ResumeTiming();
        image.OptimizeColorTable();
        image.OptimizeFrames(TGIFImage::ooMerge | TGIFImage::ooCrop);
        state.PauseTiming();
        optimised = double(image.SaveToData().size());
        state.ResumeTiming();
    }
    setRate(state, double(w.width) * w.height * double(w.frames.size()));
    state.counters["bytes_plain"] = plain;
    state.counters["bytes_optimised"] = optimised;
}

} // namespace

BENCHMARK(BM_DecodePhoto_Ours)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodePhoto_Giflib)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodeUi_Ours)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodeUi_Giflib)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_EncodePhoto_Ours)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_EncodePhoto_Giflib)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OptimizeUi_Ours)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv)
{
    // Keep freed memory in the process: frame buffers are then reused from
    // one iteration to the next instead of being mapped (and first touched)
    // afresh, for both codecs alike.
    mallopt(M_MMAP_THRESHOLD, 512 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    // Both encoders map with the same rule, so their files must decode to
    // the same pixels; check once before timing.
    const bench::Workload& w = photo();
    TGIFImage ours, theirs;
    for (const QImage& f : w.frames)
        ours.AddFrameImage(f);
    const QByteArray a = ours.SaveToData();
    const QByteArray b = bench::giflibEncodeCube(w.frames, w.width, w.height);
    ours.LoadFromData({reinterpret_cast<const std::uint8_t*>(a.constData()), std::size_t(a.size())});
    theirs.LoadFromData({reinterpret_cast<const std::uint8_t*>(b.constData()), std::size_t(b.size())});
    bool same = ours.Images().Count() == theirs.Images().Count();
    for (int i = 0; same && i < ours.Images().Count(); ++i)
        same = ours.Images()[i]->Data() == theirs.Images()[i]->Data();
    std::printf("photo encode: ours %lld bytes, giflib %lld bytes, same pixels: %s\n", (long long)a.size(),
                (long long)b.size(), same ? "yes" : "NO");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return same ? 0 : 1;
}
