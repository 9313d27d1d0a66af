// The fill tool on a large picture, and frame insertion and deletion at the
// front of a long animation (which must move frame handles, never pixels).
#include "document/child.h"
#include "headless.h"
#include "editing/fill.h"
#include "gif/colorreduction.h"
#include "gif/lzw.h"

#include <QDir>
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


void insertAndDeleteAtTheFront(benchmark::State& state)
{
    benchsupport::Document d;
    orugif::TChild& child = d.child;
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

// An animation of 300 frames of 640 x 480: a moving gradient.
std::vector<QImage> animation()
{
    std::vector<QImage> frames;
    for (int i = 0; i < 300; ++i) {
        QImage frame(640, 480, QImage::Format_RGB32);
        for (int y = 0; y < 480; ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = 0; x < 640; ++x)
                row[x] = qRgb((x + i) & 0xff, (y * 2 + i) & 0xff, ((x ^ y) + i * 3) & 0xff);
        }
        frames.push_back(frame);
    }
    return frames;
}

const QString& animationFile()
{
    static const QString path = [] {
        const QString file = QDir::temp().filePath(QStringLiteral("orugif-bench-300.gif"));
        benchsupport::Document d;
        orugif::TChild& child = d.child;
        child.ImageList1.assign(animation(), QSize(640, 480));
        child.NewFrame = false;
        child.FileName = file;
        child.Sauve(0);
        return file;
    }();
    return path;
}

using benchsupport::peakKilobytes;

// Saved with the colour reduction of the argument: 10 "Automatique" (the
// default), 6 "Palette web".
void saveAnimation(benchmark::State& state)
{
    benchsupport::Document d;
    orugif::TChild& child = d.child;
    child.ColorReduction = int(state.range(0));
    child.ImageList1.assign(animation(), QSize(640, 480));
    child.NewFrame = false;
    child.FileName = QDir::temp().filePath(QStringLiteral("orugif-bench-save.gif"));
    for (auto _ : state)
        child.Sauve(0);
    state.counters["frames/s"] = benchmark::Counter(300.0 * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["peak MiB"] = double(peakKilobytes()) / 1024.0;
}
BENCHMARK(saveAnimation)->Arg(10)->Arg(6)->Unit(benchmark::kMillisecond)->Iterations(2);

// The encoder alone on the pixels the save writes (each frame on the
// 216-colour cube, 8 bits a pixel): the yardstick for the save above.
void encodeAnimationPixels(benchmark::State& state)
{
    std::vector<std::vector<std::uint8_t>> indices;
    for (const QImage& frame : animation()) {
        std::vector<std::uint8_t> pixels(std::size_t(frame.width()) * std::size_t(frame.height()));
        std::vector<orugif::gif::GIFColor> palette;
        orugif::gif::ReduceToIndices(frame, 6, 0, {}, palette, pixels.data(), frame.width());
        indices.push_back(std::move(pixels));
    }
    for (auto _ : state) {
        orugif::gif::ByteWriter out;
        for (const auto& pixels : indices)
            orugif::gif::EncodeImage(out, 216, pixels.data(), false, 480, 640);
        benchmark::DoNotOptimize(out.data().data());
    }
    state.counters["frames/s"] = benchmark::Counter(300.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(encodeAnimationPixels)->Unit(benchmark::kMillisecond)->Iterations(2);

void openAnimation(benchmark::State& state)
{
    const QString file = animationFile();
    const long before = peakKilobytes();
    benchsupport::Document d;
    orugif::TChild& child = d.child;
    for (auto _ : state)
        child.Charge(file);
    state.counters["frames/s"] = benchmark::Counter(300.0 * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["peak MiB"] = double(peakKilobytes()) / 1024.0;
    state.counters["peak before MiB"] = double(before) / 1024.0;
}
BENCHMARK(openAnimation)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
