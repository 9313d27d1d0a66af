// The resampler and the special effects on a 4000 x 3000 photo-like picture,
// the quarter turn of a 3000 x 3000 one and a whole effects dialog session.
#include "editing/effects.h"
#include "editing/effectsession.h"
#include "editing/resampler.h"
#include "editing/transforms.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace {

// Smooth gradients with some texture, like a photograph.
const QImage& photo()
{
    static const QImage picture = [] {
        QImage p(4000, 3000, QImage::Format_RGB32);
        for (int y = 0; y < p.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(p.scanLine(y));
            for (int x = 0; x < p.width(); ++x)
                row[x] = qRgb((x / 16 + y / 23) & 0xff, int(127 + 120 * std::sin(x * 0.01)), (x ^ y) & 0xff);
        }
        return p;
    }();
    return picture;
}

void resample(benchmark::State& state)
{
    const QSize size(int(state.range(0)), int(state.range(1)));
    const auto& mitchell = orugif::editing::filters()[orugif::editing::kMitchell];
    for (auto _ : state)
        benchmark::DoNotOptimize(orugif::editing::filteredResize(photo(), size, mitchell, 2.0f));
    state.counters["MP/s in"] = benchmark::Counter(12.0 * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["MP/s out"] = benchmark::Counter(double(size.width()) * size.height() / 1e6 * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(resample)->Args({1000, 750})->Args({8000, 6000})->Unit(benchmark::kMillisecond);

void effect(benchmark::State& state)
{
    const int index = int(state.range(0));
    orugif::editing::Effects effects(1, [] { return 1u; });
    state.SetLabel(orugif::editing::effectNames()[index].toStdString());
    QImage picture = photo().copy();
    for (auto _ : state) {
        effects.apply(picture, index);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["MP/s"] = benchmark::Counter(12.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(effect)->DenseRange(0, orugif::editing::kEffectCount - 1)->Unit(benchmark::kMillisecond);

const QImage& square()
{
    static const QImage picture = photo().copy(0, 0, 3000, 3000);
    return picture;
}

void rotateQuarter(benchmark::State& state)
{
    const QImage& picture = square();  // made before the timing
    for (auto _ : state)
        benchmark::DoNotOptimize(orugif::editing::rotateSquare(picture, orugif::editing::Turn::Left));
    state.counters["MP/s"] = benchmark::Counter(9.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(rotateQuarter)->Unit(benchmark::kMillisecond);

// The effects dialog applying "Inverser" once and confirming: what the
// user waits for between "Aperçu" and the picture coming back.
void sessionInvert(benchmark::State& state)
{
    QImage picture = photo();
    for (auto _ : state) {
        orugif::editing::EffectSession session{orugif::editing::Effects(1)};
        session.Init(picture);
        session.preview(17);
        session.confirmed = true;
        session.Result(picture);
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["MP/s"] = benchmark::Counter(12.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(sessionInvert)->Unit(benchmark::kMillisecond);

} // namespace
