// Recording a real X server (run under Xvfb by the record_x11 test): a window
// of ours shows the milliseconds since it started as 16 black or white cells,
// redrawn every few milliseconds. Every recorded frame must show a time that
// was drawn, in order, at the point of the animation where it was drawn.
#include "record/recorder.h"
#include "record/session.h"

#include "clockcheck.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>
#include <mutex>
#include <numeric>
#include <set>
#include <thread>
#include <xcb/xcb.h>

using namespace orugif::record;
using namespace std::chrono_literals;

namespace {

constexpr int kCell = 16, kBits = 16;
const QRect kWindow(100, 80, kCell * kBits, 32);

bool onXvfb() { return qEnvironmentVariableIsSet("ORUGIF_XVFB") && qEnvironmentVariableIsSet("DISPLAY"); }

// A window drawing its clock on its own connection and thread.
class Pattern {
public:
    Pattern()
    {
        c_ = xcb_connect(nullptr, nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        window_ = xcb_generate_id(c_);
        const std::uint32_t values[] = {screen->white_pixel, 1};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, std::int16_t(kWindow.x()),
                          std::int16_t(kWindow.y()), std::uint16_t(kWindow.width()), std::uint16_t(kWindow.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(c_, window_);
        black_ = xcb_generate_id(c_);
        white_ = xcb_generate_id(c_);
        xcb_create_gc(c_, black_, window_, XCB_GC_FOREGROUND, &screen->black_pixel);
        xcb_create_gc(c_, white_, window_, XCB_GC_FOREGROUND, &screen->white_pixel);
        sync();
        thread_ = std::thread([this] { run(); });
    }
    ~Pattern()
    {
        stop_ = true;
        thread_.join();
        xcb_disconnect(c_);
    }
    std::uint32_t window() const { return window_; }
    std::set<int> drawn() const
    {
        std::lock_guard lock(mutex_);
        return drawn_;
    }

private:
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }
    void run()
    {
        const auto origin = std::chrono::steady_clock::now();
        while (!stop_) {
            const int ms = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now() - origin).count());
            for (int b = 0; b < kBits; ++b) {
                const xcb_rectangle_t cell{std::int16_t(b * kCell), 0, kCell, std::uint16_t(kWindow.height())};
                xcb_poly_fill_rectangle(c_, window_, (ms >> b) & 1 ? black_ : white_, 1, &cell);
            }
            sync();  // on the screen before it counts as drawn
            {
                std::lock_guard lock(mutex_);
                drawn_.insert(ms);
            }
            std::this_thread::sleep_for(3ms);
        }
    }
    xcb_connection_t* c_;
    xcb_window_t window_;
    xcb_gcontext_t black_, white_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::set<int> drawn_;
};

// The time a frame shows, read from the middle of its cells (-1: no pattern).
int readClock(const QImage& frame, QPoint origin)
{
    int ms = 0;
    for (int b = 0; b < kBits; ++b) {
        const QRgb p = frame.pixel(origin.x() + b * kCell + kCell / 2, origin.y() + 16);
        if (qGray(p) < 64)
            ms |= 1 << b;
        else if (qGray(p) < 192)
            return -1;
    }
    return ms;
}

} // namespace

class X11Record : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        if (!onXvfb())
            GTEST_SKIP() << "runs under Xvfb (the record_x11 test)";
        screen_ = openScreen(&why_);
        ASSERT_TRUE(screen_) << why_.toStdString();
    }
    std::unique_ptr<ScreenSource> screen_;
    QString why_;
};

TEST_P(X11Record, TwoSecondsShowTheClockInOrderAndOnTime)
{
    const int fps = GetParam();
    Pattern pattern;
    std::this_thread::sleep_for(100ms);
    // The whole screen around the window, so offsets are checked too.
    const QRect region(60, 50, 400, 100);
    Recorder r(*screen_, RecordOptions{region, fps, false, std::int64_t(1) << 30, 0, 2000000});
    r.start();
    for (int i = 0; i < 500 && !r.done(); ++i)
        std::this_thread::sleep_for(10ms);
    r.stop();
    const std::vector<int> delays = r.recording().delays();
    EXPECT_EQ(std::accumulate(delays.begin(), delays.end(), 0), 200);
    // Nothing lost silently: each tick gave a frame or was counted as missed.
    EXPECT_GE(int(r.framesTaken()) + r.ticksMissed(), fps * 2 - 1);
    EXPECT_GE(int(delays.size()), fps * 2 * 3 / 4);

    const std::set<int> drawn = pattern.drawn();
    std::vector<int> shown;
    r.recording().replay([&](std::size_t, const QImage& f) {
        shown.push_back(readClock(f, kWindow.topLeft() - region.topLeft()));
    });
    // Where a frame starts in the animation is when it was on the screen.
    expectClockInOrderAndOnTime(shown, delays, drawn, 30);
}

INSTANTIATE_TEST_SUITE_P(Rates, X11Record, ::testing::Values(10, 25));

TEST_F(X11Record, WindowsScreenAndPointer)
{
    Pattern pattern;
    EXPECT_EQ(screen_->screenRect(), QRect(0, 0, 1280, 720));
    EXPECT_EQ(screen_->windowRect(pattern.window()), kWindow);
    const auto under = screen_->windowAt(kWindow.center());
    ASSERT_TRUE(under);
    EXPECT_EQ(under->first, pattern.window());
    EXPECT_EQ(under->second, kWindow);
    EXPECT_FALSE(screen_->windowRect(0x7fffffff));

    // The pointer over a plain part of the screen: drawn only when asked.
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_warp_pointer(c, XCB_NONE, s->root, 0, 0, 0, 0, 700, 400);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    const QRect around(650, 350, 100, 100);
    QImage with, without;
    ASSERT_TRUE(screen_->grab(around, false, without));
    ASSERT_TRUE(screen_->grab(around, true, with));
    xcb_disconnect(c);
    ASSERT_EQ(with.size(), around.size());
    int changed = 0;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            if (with.pixel(x, y) != without.pixel(x, y)) {
                ++changed;
                EXPECT_LT(std::abs(x - 50) + std::abs(y - 50), 40) << x << "," << y;  // near the hot spot
            }
    EXPECT_GT(changed, 10);
    // A region partly off the screen is cut to the screen.
    QImage edge;
    ASSERT_TRUE(screen_->grab(QRect(1200, 700, 200, 100), false, edge));
    EXPECT_EQ(edge.size(), QSize(80, 20));
}

// Ctrl+Alt+P and Ctrl+Alt+S typed anywhere reach the recording; other keys
// do not.
TEST_F(X11Record, GlobalKeysPauseAndStop)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "xdotool types the keys";
    std::unique_ptr<GlobalKeys> keys = grabGlobalKeys();
    ASSERT_TRUE(keys);
    const auto typeKeys = [](const QString& combo) {
        EXPECT_EQ(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), combo}), 0);
    };
    const auto next = [&keys] {
        for (int i = 0; i < 100; ++i) {
            if (const GlobalKeys::Key k = keys->poll(); k != GlobalKeys::None)
                return k;
            std::this_thread::sleep_for(10ms);
        }
        return GlobalKeys::None;
    };
    typeKeys(QStringLiteral("ctrl+alt+p"));
    EXPECT_EQ(next(), GlobalKeys::PauseKey);
    typeKeys(QStringLiteral("ctrl+alt+x"));
    typeKeys(QStringLiteral("p"));
    typeKeys(QStringLiteral("ctrl+alt+s"));
    EXPECT_EQ(next(), GlobalKeys::StopKey);
    EXPECT_EQ(next(), GlobalKeys::None);
}
