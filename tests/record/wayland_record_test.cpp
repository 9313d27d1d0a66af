// Recording a Wayland desktop through its portal (run inside
// wayland_session.sh by the record_wayland tests): a window of ours fills
// the output and shows the milliseconds since it started as 16 black or white
// cells along its top half, and under each cell a colour that says which
// cell it is. Every recorded frame must show a time that was drawn, in order,
// at the point of the animation where it was drawn.
#include "record/recorder.h"
#include "record/screensource.h"

#include "clockcheck.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QRasterWindow>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <numeric>
#include <set>
#include <thread>

using namespace orugif::record;
using namespace std::chrono_literals;

namespace {

constexpr int kBits = 16;

bool inWaylandSession(bool portal)
{
    return qEnvironmentVariable("ORUGIF_WAYLAND_INSIDE") == QLatin1String("1")
           && qEnvironmentVariable("ORUGIF_WAYLAND_PORTAL") == QLatin1String(portal ? "1" : "0")
           && QGuiApplication::platformName() == QLatin1String("wayland");
}

QRgb marker(int cell) { return qRgb(cell * 16, 255 - cell * 16, 128); }

class ClockWindow : public QRasterWindow {
public:
    ClockWindow()
    {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { update(); });
        timer_.start(4);
    }
    std::set<int> drawn() const { return drawn_; }
    int cellWidth() const { return width() / kBits; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const int ms = int(clock_.elapsed());
        QPainter p(this);
        const int cell = cellWidth(), half = height() / 2;
        p.fillRect(QRect(QPoint(0, 0), size()), Qt::gray);
        for (int b = 0; b < kBits; ++b) {
            p.fillRect(b * cell, 0, cell, half, (ms >> b) & 1 ? Qt::black : Qt::white);
            p.fillRect(b * cell, half, cell, height() - half, QColor(marker(b)));
        }
        drawn_.insert(ms);
    }

private:
    QElapsedTimer clock_;
    QTimer timer_;
    std::set<int> drawn_;
};

// Lets the window draw while the recorder runs on its threads.
void recordWhileDrawing(Recorder& r)
{
    QElapsedTimer limit;
    limit.start();
    r.start();
    while (!r.done() && limit.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(2ms);
    }
    r.stop();
}

int readClock(const QImage& frame, int cell, int firstBit, int bits, QPoint offset)
{
    int ms = 0;
    for (int b = 0; b < bits; ++b) {
        const int g = qGray(frame.pixel(b * cell + cell / 2 - offset.x(), 20 - offset.y()));
        if (g < 64)
            ms |= 1 << (b + firstBit);
        else if (g < 192)
            return -1;
    }
    return ms;
}

} // namespace

class WaylandRecord : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        if (!inWaylandSession(true))
            GTEST_SKIP() << "runs inside a Wayland desktop with its portal (the record_wayland test)";
        window_.show();
        // sway gives the only window the whole output.
        ASSERT_TRUE(QTest::qWaitFor([this] { return window_.isExposed() && window_.width() >= 1280; }, 10000));
        QTest::qWait(200);
        screen_ = openScreen(&why_);
        ASSERT_TRUE(screen_) << why_.toStdString();
        ASSERT_EQ(screen_->share(false, false, &why_), ScreenSource::Sharing::Ready) << why_.toStdString();
    }
    ClockWindow window_;
    std::unique_ptr<ScreenSource> screen_;
    QString why_;
};

TEST_P(WaylandRecord, TwoSecondsShowTheClockInOrderAndOnTime)
{
    const int fps = GetParam();
    ASSERT_EQ(screen_->screenRect(), QRect(0, 0, 1280, 720));
    Recorder r(*screen_, RecordOptions{screen_->screenRect(), fps, false, std::int64_t(1) << 30, 0, 2000000});
    recordWhileDrawing(r);
    EXPECT_FALSE(r.stoppedItself()) << r.stopReason().toStdString();
    const std::vector<int> delays = r.recording().delays();
    EXPECT_EQ(std::accumulate(delays.begin(), delays.end(), 0), 200);
    EXPECT_GE(int(r.framesTaken()) + r.ticksMissed(), fps * 2 - 1);
    EXPECT_GE(int(delays.size()), fps * 2 * 3 / 4);

    const std::set<int> drawn = window_.drawn();
    std::vector<int> shown;
    QImage first;
    r.recording().replay([&](std::size_t i, const QImage& f) {
        if (i == 0)
            first = f;
        shown.push_back(readClock(f, window_.cellWidth(), 0, kBits, QPoint()));
    });
    if (const QString snapshot = qEnvironmentVariable("ORUGIF_WAYLAND_SNAPSHOT"); !snapshot.isEmpty())
        first.save(snapshot);
    // The desktop shows a drawing at its next refresh and hands it on
    // through PipeWire: a few of its frames late at most.
    expectClockInOrderAndOnTime(shown, delays, drawn, 60);
}

INSTANTIATE_TEST_SUITE_P(Rates, WaylandRecord, ::testing::Values(10, 25));

// A region is cut out of the output's pictures at its place: its cells show
// the clock's middle bits, its colours say which cells they are.
TEST_F(WaylandRecord, RegionIsCutFromTheOutput)
{
    const int cell = window_.cellWidth();
    const QRect region(cell * 4 + 5, 10, cell * 8, 500);
    Recorder r(*screen_, RecordOptions{region, 15, false, std::int64_t(1) << 30, 0, 800000});
    recordWhileDrawing(r);
    EXPECT_FALSE(r.stoppedItself()) << r.stopReason().toStdString();
    std::set<int> middles;
    for (const int ms : window_.drawn())
        middles.insert(ms & 0x0ff0);
    int frames = 0;
    r.recording().replay([&](std::size_t i, const QImage& f) {
        ++frames;
        ASSERT_EQ(f.size(), region.size());
        const QPoint offset(5, 10);
        EXPECT_TRUE(middles.count(readClock(f, cell, 4, 8, offset))) << "frame " << i;
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(f.pixel(k * cell + cell / 2 - 5, 450), marker(k + 4)) << "frame " << i << " cell " << k;
        EXPECT_EQ(f.pixel(0, 450), marker(4));
        EXPECT_EQ(f.pixel(region.width() - 1, 450), marker(12));
    });
    EXPECT_GE(frames, 6);
    // A region beyond the output gives no picture rather than a black one.
    QImage outside;
    EXPECT_FALSE(screen_->grab(QRect(1200, 700, 200, 100), false, outside));
}

// What the portal of this desktop offers, as the dialogs show it.
TEST_F(WaylandRecord, TraitsSayWhatTheDesktopAllows)
{
    const ScreenTraits t = screen_->traits();
    EXPECT_FALSE(t.windowsByPlace);
    EXPECT_FALSE(t.sharesWindow);  // the wlroots portal shares outputs only
    EXPECT_FALSE(t.windowNote.isEmpty());
    EXPECT_FALSE(t.globalKeys);
    EXPECT_TRUE(t.pointerNote.isEmpty()) << t.pointerNote.toStdString();  // it shows or hides the pointer
    EXPECT_FALSE(screen_->windowAt(QPoint(10, 10)));
    // The same sharing asked again is the one running: no second chooser.
    EXPECT_EQ(screen_->share(false, false, &why_), ScreenSource::Sharing::Ready);
    // A still of the whole output, for the picker of a region.
    QImage still;
    ASSERT_TRUE(screen_->grab(screen_->screenRect(), false, still));
    EXPECT_EQ(still.pixel(window_.cellWidth() * 3 + 4, 600), marker(3));
}

// A Wayland desktop without the portal: nothing can be recorded, and the
// message says what is missing.
TEST(WaylandWithoutPortal, RecordingIsRefusedWithWhatIsNeeded)
{
    if (!inWaylandSession(false))
        GTEST_SKIP() << "runs inside a Wayland desktop without portal (the record_wayland_without_portal test)";
    QString why;
    EXPECT_FALSE(openScreen(&why));
    EXPECT_TRUE(why.contains(QStringLiteral("xdg-desktop-portal"))) << why.toStdString();
    EXPECT_TRUE(why.contains(QStringLiteral("PipeWire"))) << why.toStdString();
}
