// The frame strip over 2,000 frames of 640 x 480: how long until the
// thumbnails in view show after the window opens (budget 100 ms), one page
// of scrolling repainted (budget 16 ms, one screen refresh), and Ctrl+A then
// one delay for every frame, recorded for undo (budget 50 ms).
#include "document/view/childwindow.h"
#include "document/view/framestrip.h"
#include "document/view/thumbnails.h"
#include "headless.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <thread>

namespace {

constexpr int kFrames = 2000;

const std::vector<QImage>& frames()
{
    static const std::vector<QImage> all = benchsupport::plainFrames(kFrames);
    return all;
}

struct Opened {
    benchsupport::Silent prompts;
    benchsupport::NoClipboard clipboard;
    orugif::TChild child{prompts, clipboard};
    std::unique_ptr<orugif::ChildWindow> window;

    Opened()
    {
        child.ImageList1.assign(frames(), QSize(640, 480));
        child.NewFrame = false;
        child.LitCadre();
    }
    void open()
    {
        window = std::make_unique<orugif::ChildWindow>(child);
        window->resize(1280, 800);
        window->show();
    }
    orugif::FrameStrip* strip() { return window->frameStrip(); }
    // Paints and lets the thumbnails come until every one in view is made.
    void waitForThumbnails()
    {
        strip()->viewport()->repaint();
        while (strip()->thumbnails().waiting() > 0) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        strip()->viewport()->repaint();
    }
};

// From the window's creation to the first thumbnails painted.
void stripFirstThumbnails(benchmark::State& state)
{
    int shown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Opened o;
        state.ResumeTiming();
        o.open();
        QApplication::processEvents();
        o.waitForThumbnails();
        shown = o.strip()->viewport()->width() / o.strip()->gridSize().width() + 1;
    }
    state.counters["cells in view"] = shown;
}
BENCHMARK(stripFirstThumbnails)->Unit(benchmark::kMillisecond)->Iterations(5);

// One page to the right, repainted at once (thumbnails not made yet show
// grey and are asked for); back to the start at the end.
void stripScrollPage(benchmark::State& state)
{
    Opened o;
    o.open();
    QApplication::processEvents();
    o.waitForThumbnails();
    QScrollBar* bar = o.strip()->horizontalScrollBar();
    const int page = o.strip()->viewport()->width();
    for (auto _ : state) {
        bar->setValue(bar->value() + page >= bar->maximum() ? 0 : bar->value() + page);
        o.strip()->viewport()->repaint();
        state.PauseTiming();
        QApplication::processEvents();  // the thumbnails made meanwhile come in
        state.ResumeTiming();
    }
    state.counters["pages"] = double(bar->maximum()) / page;
}
BENCHMARK(stripScrollPage)->Unit(benchmark::kMillisecond);

// Ctrl+A on the strip, then one delay for the whole selection, as one step
// of the history; the strip follows.
void selectAllAndSetOneDelay(benchmark::State& state)
{
    Opened o;
    o.open();
    QApplication::processEvents();
    o.strip()->setFocus();
    int delay = 5;
    for (auto _ : state) {
        o.child.setSelectedFrames({});
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
        QApplication::sendEvent(o.strip(), &press);
        o.child.setFramesDelay(o.child.selectedFrames(), delay);
        delay = delay == 5 ? 6 : 5;
    }
    state.counters["selected"] = double(o.child.selectedFrames().size());
    state.counters["steps"] = o.child.history().count();
}
BENCHMARK(selectAllAndSetOneDelay)->Unit(benchmark::kMillisecond);

// Thumbnail making alone, for one 640 x 480 frame.
void makeOneThumbnail(benchmark::State& state)
{
    const QImage frame = frames()[7];
    for (auto _ : state) {
        QImage t = orugif::ThumbnailMaker::make(frame, QSize(64, 48));
        benchmark::DoNotOptimize(t.constBits());
    }
}
BENCHMARK(makeOneThumbnail)->Unit(benchmark::kMicrosecond);

} // namespace
