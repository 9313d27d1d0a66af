// Timing accuracy of the threaded painter: 100 frames of delay 5 (60 ms)
// drawn through the event loop, as the playback window does. Prints the mean
// and 95th percentile lateness of each frame against its delay, measured by
// the painter's own paint events with steady_clock, and the process's CPU
// use while it plays.
#include "gif/extensions.h"
#include "gif/painter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

using namespace orugif::gif;
using Clock = std::chrono::steady_clock;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    constexpr int kFrames = 100;
    TGIFImage image;
    for (int i = 0; i < kFrames; ++i) {
        QImage frame(64, 64, QImage::Format_RGB32);
        frame.fill(QColor::fromHsv(i * 3 % 360, 200, 200));
        TGIFSubImage& sub = *image.Images()[image.AddFrameImage(frame)];
        if (i == 0) {
            auto loop = std::make_unique<TGIFAppExtNSLoop>(&sub);
            loop->SetLoopCount(1);
            sub.Extensions().Add(std::move(loop));
        }
        auto gce = std::make_unique<TGIFGraphicControlExtension>(&sub);
        gce->SetDelayTime(5);
        sub.Extensions().Add(std::move(gce));
    }

    std::vector<Clock::time_point> paints;
    TGIFPainter::Events events;
    events.paint = [&paints](TGIFPainter&) { paints.push_back(Clock::now()); };
    events.endPaint = [](TGIFPainter&) { QTimer::singleShot(0, qApp, &QCoreApplication::quit); };
    QObject receiver;
    TGIFPainter painter(image, QSize(64, 64), goThreaded | goTransparent | goAnimate | goLoop | goDirectDraw, events,
                        [](const QImage&) {},
                        [&receiver](const std::function<void()>& call) {
                            QMetaObject::invokeMethod(&receiver, call, Qt::BlockingQueuedConnection);
                        });
    const double cpuBefore = cpuSeconds();
    const auto start = Clock::now();
    painter.Start();
    app.exec();
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuBefore;
    painter.Stop();

    std::vector<double> late;
    for (std::size_t i = 2; i < paints.size(); ++i)  // the first frame shows at once
        late.push_back(std::chrono::duration<double, std::milli>(paints[i] - paints[i - 1]).count() - 60.0);
    std::sort(late.begin(), late.end());
    double mean = 0;
    for (double l : late)
        mean += l;
    mean /= double(late.size());
    const double p95 = late[std::size_t(double(late.size() - 1) * 0.95)];
    std::printf("frames %zu, lateness mean %.3f ms, 95th percentile %.3f ms, min %.3f, max %.3f\n", paints.size(),
                mean, p95, late.front(), late.back());
    std::printf("wall %.2f s, CPU %.3f s (%.2f%% of one core)\n", wall, cpu, 100.0 * cpu / wall);
    return 0;
}
