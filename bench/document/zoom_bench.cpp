// Zooming a 1500 x 1200 frame in the document window: each run changes the
// level and repaints what the view shows (1280 x 800), as Ctrl + wheel does.
// The budget is one screen refresh, 16 ms.
#include "document/view/childwindow.h"
#include "document/view/picturewidget.h"
#include "document/view/zoom.h"
#include "headless.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

struct ZoomedWindow {
    struct Pasting : benchsupport::NoClipboard {
        QImage picture;
        bool hasImage() const override { return true; }
        QImage image() const override { return picture; }
    };
    benchsupport::Silent prompts;
    Pasting clipboard;
    orugif::TChild child{prompts, clipboard};
    std::unique_ptr<orugif::ChildWindow> window;

    ZoomedWindow()
    {
        // A photograph-like frame: every pixel differs from its neighbours.
        QImage frame(1500, 1200, QImage::Format_RGB32);
        for (int y = 0; y < frame.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = 0; x < frame.width(); ++x)
                row[x] = qRgb((x * 7 + y) & 0xff, (y * 3) & 0xff, (x ^ y) & 0xff);
        }
        clipboard.picture = frame;
        child.Coller();
        window = std::make_unique<orugif::ChildWindow>(child);
        window->resize(1280, 820);
        window->show();
        QApplication::processEvents();
    }
};

// Arg: the level in hundredths of a percent's hundredths (1250 = 12.5 %).
void zoomAndRepaint(benchmark::State& state)
{
    ZoomedWindow w;
    const double scale = double(state.range(0)) / 10000.0;
    const double other = orugif::zoom::zoomOut(scale) == scale ? orugif::zoom::zoomIn(scale)
                                                               : orugif::zoom::zoomOut(scale);
    QWidget* viewport = w.window->findChild<QScrollArea*>()->viewport();
    bool there = false;
    for (auto _ : state) {
        // From the neighbouring level to this one and back: every run zooms.
        w.window->setScale(there ? other : scale);
        viewport->repaint();
        there = !there;
    }
    state.SetLabel(orugif::zoom::percentText(scale).toStdString() + " and " +
                   orugif::zoom::percentText(other).toStdString());
}
BENCHMARK(zoomAndRepaint)
    ->Unit(benchmark::kMillisecond)
    ->Arg(1250)->Arg(2500)->Arg(5000)->Arg(10000)->Arg(20000)->Arg(30000)->Arg(80000)->Arg(320000);

// For comparison: the averaged reduction of the whole frame alone, which a
// change to a level below 100 % costs once.
void reduceWholeFrame(benchmark::State& state)
{
    ZoomedWindow w;
    const double scale = double(state.range(0)) / 10000.0;
    for (auto _ : state) {
        QImage small = w.child.picture().scaled(orugif::zoom::shownSize(QSize(1500, 1200), scale),
                                                Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(small.constBits());
    }
}
BENCHMARK(reduceWholeFrame)->Unit(benchmark::kMillisecond)->Arg(1250)->Arg(5000);

// Scrolling at 32 x: only the strip that comes into view is drawn.
void scrollAtThirtyTwo(benchmark::State& state)
{
    ZoomedWindow w;
    w.window->setScale(32.0);
    QScrollBar* bar = w.window->findChild<QScrollArea*>()->horizontalScrollBar();
    QWidget* viewport = w.window->findChild<QScrollArea*>()->viewport();
    int step = 0;
    for (auto _ : state) {
        bar->setValue((step += 40) % bar->maximum());
        viewport->repaint();
    }
}
BENCHMARK(scrollAtThirtyTwo)->Unit(benchmark::kMillisecond);

} // namespace
