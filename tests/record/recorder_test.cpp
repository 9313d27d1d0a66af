// The recorder's timing with a screen of our own whose picture is the time:
// the duration ends it exactly, pauses are left out, a slow screen lengthens
// delays instead of losing time, and the memory bound stops it.
#include "record/recorder.h"

#include <gtest/gtest.h>
#include <numeric>
#include <thread>

using namespace orugif::record;
using namespace std::chrono_literals;

namespace {

// A screen showing the milliseconds since it was made in its first pixel;
// each picture takes `cost` to read.
class ClockScreen : public ScreenSource {
public:
    explicit ClockScreen(std::chrono::milliseconds cost = 0ms, bool noisy = false) : cost_(cost), noisy_(noisy) {}
    QRect screenRect() const override { return {0, 0, 64, 48}; }
    bool grab(const QRect& region, bool, QImage& into) override
    {
        std::this_thread::sleep_for(cost_);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - origin_).count();
        into = QImage(region.size(), QImage::Format_RGB32);
        into.fill(0xff000000u | std::uint32_t(ms));
        if (noisy_)  // pictures that do not compress
            for (int y = 0; y < into.height(); ++y)
                for (int x = 0; x < into.width(); ++x)
                    reinterpret_cast<std::uint32_t*>(into.scanLine(y))[x] = 0xff000000u | std::uint32_t(rand());
        return true;
    }
    std::optional<QRect> windowRect(std::uint32_t) override { return std::nullopt; }
    std::optional<std::pair<std::uint32_t, QRect>> windowAt(QPoint, std::uint32_t) override { return std::nullopt; }

private:
    std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
    std::chrono::milliseconds cost_;
    bool noisy_;
};

int total(const std::vector<int>& d) { return std::accumulate(d.begin(), d.end(), 0); }

void waitDone(const Recorder& r)
{
    for (int i = 0; i < 1000 && !r.done(); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(r.done());
}

std::vector<int> shownTimes(const Recording& r)
{
    std::vector<int> ms;
    r.replay([&](std::size_t, const QImage& f) { ms.push_back(int(f.pixel(0, 0) & 0xffffff)); });
    return ms;
}

} // namespace

TEST(Recorder, DurationEndsItExactlyAndFramesFollowTheClock)
{
    ClockScreen screen;
    Recorder r(screen, RecordOptions{QRect(0, 0, 64, 48), 20, false, std::int64_t(1) << 30, 0, 1000000});
    r.start();
    waitDone(r);
    r.stop();
    const std::vector<int> d = r.recording().delays();
    EXPECT_EQ(total(d), 100);
    EXPECT_GE(d.size() + std::size_t(r.ticksMissed()), 19u);
    // Each frame starts when the picture it shows was on the screen.
    const std::vector<int> shown = shownTimes(r.recording());
    ASSERT_EQ(shown.size(), d.size());
    int start = 0;
    for (std::size_t i = 0; i < d.size(); ++i) {
        EXPECT_NEAR(shown[i] - shown[0], start * 10, 20) << i;
        start += d[i];
    }
}

TEST(Recorder, PausedTimeIsLeftOut)
{
    ClockScreen screen;
    Recorder r(screen, RecordOptions{QRect(0, 0, 64, 48), 25, false});
    r.start();
    std::this_thread::sleep_for(400ms);
    r.pause();
    EXPECT_TRUE(r.paused());
    const std::int64_t atPause = r.elapsedMicroseconds();
    std::this_thread::sleep_for(500ms);
    EXPECT_NEAR(double(r.elapsedMicroseconds()), double(atPause), 2000.0);  // the clock stands still
    r.resume();
    std::this_thread::sleep_for(400ms);
    r.stop();
    const std::vector<int> d = r.recording().delays();
    EXPECT_NEAR(total(d), 80, 4);
    // The pictures jump half a second across the pause; the animation does not.
    const std::vector<int> shown = shownTimes(r.recording());
    int widest = 0;
    for (std::size_t i = 1; i < shown.size(); ++i)
        widest = std::max(widest, shown[i] - shown[i - 1]);
    EXPECT_GE(widest, 450);
    EXPECT_LE(*std::max_element(d.begin(), d.end()), 10);
}

TEST(Recorder, SlowScreenLengthensDelaysAndCountsMissedTicks)
{
    ClockScreen screen(120ms);
    Recorder r(screen, RecordOptions{QRect(0, 0, 64, 48), 20, false, std::int64_t(1) << 30, 0, 1200000});
    r.start();
    waitDone(r);
    r.stop();
    const std::vector<int> d = r.recording().delays();
    EXPECT_EQ(total(d), 120);  // no time lost
    EXPECT_GE(r.ticksMissed(), 10);
    for (std::size_t i = 0; i + 1 < d.size(); ++i)
        EXPECT_GE(d[i], 11) << i;
}

TEST(Recorder, MemoryBoundStopsTheRecording)
{
    ClockScreen screen(0ms, true);
    Recorder r(screen, RecordOptions{QRect(0, 0, 64, 48), 30, false, 200000});
    r.start();
    waitDone(r);
    r.stop();
    EXPECT_TRUE(r.stoppedItself());
    EXPECT_TRUE(r.stopReason().contains(QStringLiteral("mémoire")));
    EXPECT_LT(r.recording().memoryBytes(), 200000 + 64 * 48 * 4 * 2);
    EXPECT_NEAR(total(r.recording().delays()) * 10000.0, double(r.recording().endMicroseconds()), 10000.0);
}
