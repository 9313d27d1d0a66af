// A minute of a 1280 x 720 desktop at 15 images a second (a pointer moving,
// a character typed every fifth of a second): what storing each frame costs
// on the compression thread, the memory the minute holds, and the time from
// "Arrêter" to an editable document (the frames rebuilt and handed to it).
#include "headless.h"
#include "record/recording.h"

#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

constexpr int kFrames = 900;  // 60 s at 15 a second

QImage desktop()
{
    QImage im(1280, 720, QImage::Format_RGB32);
    QPainter p(&im);
    QLinearGradient g(0, 0, 1280, 720);
    g.setColorAt(0, QColor(30, 60, 120));
    g.setColorAt(1, QColor(200, 120, 40));
    p.fillRect(im.rect(), g);
    p.fillRect(QRect(160, 90, 960, 540), Qt::white);
    p.fillRect(QRect(160, 90, 960, 24), QColor(60, 60, 70));
    return im;
}

// Calls `each` with every frame of the minute.
template <typename Each>
void minute(Each each)
{
    QImage page = desktop();
    for (int i = 0; i < kFrames; ++i) {
        if (i % 3 == 0) {
            QPainter typing(&page);
            const int k = (i / 3) % 400;
            typing.setPen(Qt::black);
            typing.drawText(QPoint(170 + (k % 80) * 11, 140 + (k / 80) * 18), QString(QChar('a' + k % 26)));
        }
        QImage frame = page.copy();
        QPainter(&frame).fillRect(QRect(100 + (i * 7) % 1000, 300 + (i * 3) % 300, 12, 18), Qt::black);
        each(frame, std::int64_t(i) * 66667);
    }
}

const orugif::record::Recording& recordedMinute()
{
    static const orugif::record::Recording r = [] {
        orugif::record::Recording r;
        minute([&](const QImage& f, std::int64_t t) { r.add(f, t); });
        r.finish(std::int64_t(kFrames) * 66667);
        return r;
    }();
    return r;
}

// Storing one frame: comparison with the one before, the changed rectangle
// compressed. Measured over the whole minute, given per frame.
void storeAFrame(benchmark::State& state)
{
    std::vector<QImage> frames;
    minute([&](const QImage& f, std::int64_t) {
        if (frames.size() < 150)
            frames.push_back(f);
    });
    for (auto _ : state) {
        orugif::record::Recording r;
        for (std::size_t i = 0; i < frames.size(); ++i)
            r.add(frames[i], std::int64_t(i) * 66667);
        benchmark::DoNotOptimize(r.frameCount());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t(frames.size()));
}
BENCHMARK(storeAFrame)->Unit(benchmark::kMillisecond);

// "Arrêter" to an editable document, for the minute.
void stopToDocument(benchmark::State& state)
{
    const orugif::record::Recording& r = recordedMinute();
    state.counters["minute_MB"] = double(r.memoryBytes()) / 1e6;
    state.counters["frames"] = double(r.frameCount());
    for (auto _ : state) {
        benchsupport::Document<> d;
        d.child.openRecording(r.frames(), r.delays());
        benchmark::DoNotOptimize(d.child.ImageList1.count());
    }
}
BENCHMARK(stopToDocument)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
