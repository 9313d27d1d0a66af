// The fill tool on a large picture, and frame insertion and deletion at the
// front of a long animation (which must move frame handles, never pixels).
#include "document/child.h"
#include "document/clipboard.h"
#include "document/prompts.h"
#include "editing/fill.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

namespace {

void floodFillLargePicture(benchmark::State& state)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    image.fill(Qt::white);
    bool red = false;
    for (auto _ : state) {
        // Alternate colours so every run fills all 12 million pixels.
        orugif::editing::floodFill(image, 2000, 1500, red ? 0xffffffffu : 0xffff0000u);
        red = !red;
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["Mpixel/s"] = benchmark::Counter(12.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(floodFillLargePicture)->Unit(benchmark::kMillisecond);

struct Silent : orugif::DocumentPrompts {
    orugif::Answer ask(const QString&, orugif::Choices) override { return orugif::Answer::No; }
    void inform(const QString&) override {}
};
struct NoClipboard : orugif::ClipboardPort {
    bool hasImage() const override { return false; }
    QImage image() const override { return {}; }
    void setImage(const QImage&) override {}
};

void insertAndDeleteAtTheFront(benchmark::State& state)
{
    Silent prompts;
    NoClipboard clipboard;
    orugif::TChild child(prompts, clipboard);
    std::vector<QImage> frames;
    for (int i = 0; i < 1000; ++i) {
        QImage frame(640, 480, QImage::Format_RGB32);
        frame.fill(QColor::fromRgb(i % 256, 0, 0));
        frames.push_back(frame);
    }
    child.ImageList1.assign(frames, QSize(640, 480));
    child.NewFrame = false;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            child.CurrentIndex = 0;
            child.Insere();
            child.Supprimer();
        }
    }
    state.counters["edits/s"] = benchmark::Counter(2000.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(insertAndDeleteAtTheFront)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
