// Records the screen of DISPLAY for a while and reports what it cost: the
// pictures taken and kept, the ticks missed, the CPU time of the recorder's
// threads, its memory, and the time to rebuild the frames afterwards.
// Usage: record_capture X,Y,W,H FPS SECONDS
#include "record/recorder.h"

#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>
#include <thread>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: record_capture X,Y,W,H FPS SECONDS\n");
        return 2;
    }
    int x = 0, y = 0, w = 0, h = 0;
    std::sscanf(argv[1], "%d,%d,%d,%d", &x, &y, &w, &h);
    const int fps = std::atoi(argv[2]);
    const double seconds = std::atof(argv[3]);
    QString why;
    auto screen = orugif::record::openScreen(&why);
    if (!screen) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    orugif::record::RecordOptions options{QRect(x, y, w, h), fps, true};
    options.duration = std::int64_t(seconds * 1e6);
    orugif::record::Recorder recorder(*screen, options);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    recorder.start();
    while (!recorder.done())
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    recorder.stop();
    getrusage(RUSAGE_SELF, &after);
    const auto cpu = [](const rusage& r) {
        return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
    };
    const double used = cpu(after) - cpu(before);
    QElapsedTimer rebuild;
    rebuild.start();
    const std::size_t frames = recorder.recording().frames().size();
    const qint64 rebuildMs = rebuild.elapsed();
    std::printf("%dx%d at %d fps for %.0f s: %d pictures taken (%.1f a second), %zu kept, %d ticks missed, "
                "CPU %.2f s (%.0f %% of one core), %.1f MB held, frames rebuilt in %lld ms\n",
                w, h, fps, seconds, recorder.framesTaken(), recorder.framesTaken() / seconds, frames,
                recorder.ticksMissed(), used, 100 * used / seconds, double(recorder.memoryBytes()) / 1e6,
                static_cast<long long>(rebuildMs));
    return 0;
}
