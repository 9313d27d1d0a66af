// The undo history on 100 frames of 640 x 480: undoing and redoing a change
// of every frame (a resample), and what a step that changes one frame costs
// in time and memory.
#include "headless.h"

#include <QColor>
#include <benchmark/benchmark.h>

namespace {

constexpr int kFrames = 100;
constexpr std::int64_t kFrameBytes = 640 * 480 * 4;

struct Resizing : benchsupport::Silent {
    QSize size;
    QSize runResize(int, int) override { return size; }
};

template <typename Prompts>
void hundredFrames(benchsupport::Document<Prompts>& d)
{
    std::vector<QImage> frames;
    for (int i = 0; i < kFrames; ++i) {
        QImage frame(640, 480, QImage::Format_RGB32);
        frame.fill(QColor::fromRgb(i, 255 - i, 0));
        frames.push_back(frame);
    }
    d.child.ImageList1.assign(std::move(frames), QSize(640, 480));
    d.child.NewFrame = false;
    d.child.LitCadre();
}

// One undo and one redo of a resample of the 100 frames to 800 x 600.
void undoAndRedoAHundredFrameChange(benchmark::State& state)
{
    benchsupport::Document<Resizing> d;
    hundredFrames(d);
    d.prompts.size = QSize(800, 600);
    d.child.Taille();
    for (auto _ : state) {
        d.child.Annule();
        d.child.Retablit();
    }
    if (d.child.ImageList1.frameSize() != QSize(800, 600))
        state.SkipWithError("the redo did not give the resized frames back");
}
BENCHMARK(undoAndRedoAHundredFrameChange)->Unit(benchmark::kMillisecond);

// A mirror of one frame, written back by the move to the next: the step's
// time, and the memory it adds to the history (counted in frames).
void oneFrameStep(benchmark::State& state)
{
    benchsupport::Document<> d;
    hundredFrames(d);
    std::int64_t added = 0;
    std::int64_t steps = 0;
    for (auto _ : state) {
        const std::int64_t before = d.child.history().bytesBeyond(d.child.captureState());
        d.child.MiroirH();
        d.child.Suivant();
        if (d.child.CurrentIndex == kFrames - 1)
            d.child.Premier();
        added += d.child.history().bytesBeyond(d.child.captureState()) - before;
        ++steps;
        if (d.child.history().count() >= 50) {  // keeps the measure away from the limit
            state.PauseTiming();
            d.child.history().clear();
            state.ResumeTiming();
        }
    }
    state.counters["frames added by a step"] = double(added) / double(steps) / double(kFrameBytes);
}
BENCHMARK(oneFrameStep)->Unit(benchmark::kMicrosecond);

} // namespace
