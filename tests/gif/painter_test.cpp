// The animation painter: passes, waits, disposal and transparency played
// inside the caller with an instant clock, and threaded start, pause, resume
// and stop.
#include "gif/extensions.h"
#include "gif/painter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

using namespace orugif::gif;
using namespace std::chrono;

namespace {

// An image of `colours.size()` frames of w x h, each one colour (0xRRGGBB),
// with the loop count on the first and `delay` on each.
void build(TGIFImage& image, std::initializer_list<unsigned> colours, int loop, int delay, int w = 4, int h = 4)
{
    image.ClearAll();
    int i = 0;
    for (unsigned c : colours) {
        QImage frame(w, h, QImage::Format_RGB32);
        frame.fill(QColor::fromRgb(c | 0xff000000u));
        TGIFSubImage& sub = *image.Images()[image.AddFrameImage(frame)];
        if (i++ == 0 && loop >= 0) {
            auto ext = std::make_unique<TGIFAppExtNSLoop>(&sub);
            ext->SetLoopCount(loop);
            sub.Extensions().Add(std::move(ext));
        }
        auto gce = std::make_unique<TGIFGraphicControlExtension>(&sub);
        gce->SetDelayTime(delay);
        sub.Extensions().Add(std::move(gce));
    }
}

// A painter played inside the caller on an instant, deterministic clock.
struct Played {
    int starts = 0, paints = 0, loops = 0, ends = 0;
    std::vector<int> shown;
    std::vector<QImage> pictures;
    steady_clock::time_point clock{};
    std::unique_ptr<TGIFPainter> painter;

    Played(TGIFImage& image, std::uint16_t options, int speed = 100,
           std::function<void(TGIFPainter&)> afterPaint = {})
    {
        TGIFPainter::Events events;
        events.startPaint = [this](TGIFPainter&) { ++starts; };
        events.paint = [this](TGIFPainter& p) {
            ++paints;
            shown.push_back(p.FrameIndex);
        };
        events.loop = [this](TGIFPainter&) { ++loops; };
        events.endPaint = [this](TGIFPainter&) { ++ends; };
        events.afterPaint = std::move(afterPaint);
        painter = std::make_unique<TGIFPainter>(image, QSize(), options, events,
                                                [this](const QImage& p) { pictures.push_back(p); });
        painter->Speed = speed;
        painter->now = [this] { return clock; };
        painter->sleep = [this](milliseconds m) { clock += m; };
        painter->Start();
    }
};

constexpr std::uint16_t kPlay = goTransparent | goAnimate | goLoop;

} // namespace

TEST(Painter, aLoopCountOfThreePlaysThreePassesAndFiresLoopTwice)
{
    TGIFImage image;
    build(image, {0xff0000, 0x0000ff}, 3, 5);
    Played p(image, kPlay);
    EXPECT_EQ(p.starts, 1);
    EXPECT_EQ(p.paints, 6);
    EXPECT_EQ(p.loops, 2);
    EXPECT_EQ(p.ends, 1);
    EXPECT_EQ(p.shown, (std::vector<int>{0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(p.painter->FrameIndex, -1);
    EXPECT_EQ(p.pictures[1].pixel(0, 0), qRgb(0, 0, 255));
}

TEST(Painter, delaysCountInTwelveMillisecondUnitsWithTheirBounds)
{
    TGIFImage image;
    build(image, {0xff0000, 0x00ff00}, 1, 1);
    Played quick(image, kPlay);
    // The first wait is one unit; then a delay of 1 counts as 3.
    EXPECT_EQ(quick.painter->Waits, (std::vector<long>{12, 36}));

    build(image, {0xff0000, 0x00ff00}, 1, 0);
    Played zero(image, kPlay);
    EXPECT_EQ(zero.painter->Waits, (std::vector<long>{12, 120}));

    build(image, {0xff0000, 0x00ff00}, 1, 50);
    Played fast(image, kPlay, 200);
    EXPECT_EQ(fast.painter->Waits, (std::vector<long>{6, 300}));

    build(image, {0xff0000, 0x00ff00}, 1, 5000);
    Played slow(image, kPlay);
    EXPECT_EQ(slow.painter->Waits.back(), 12000);  // a painter in the caller waits at most 1000 units
}

TEST(Painter, anAfterPaintHandlerCanRestartThePass)
{
    TGIFImage image;
    build(image, {0xff0000, 0x00ff00, 0x0000ff}, 1, 5);
    int jumps = 0;
    Played p(image, kPlay, 100, [&jumps](TGIFPainter& painter) {
        if (painter.FrameIndex == 1 && jumps++ == 0)
            painter.FrameIndex = 0;
    });
    EXPECT_EQ(p.shown, (std::vector<int>{0, 1, 0, 1, 2}));
    EXPECT_EQ(p.loops, 0);
}

TEST(Painter, loopCountZeroPlaysOnceInTheCallerAndWithoutLoopOptionOnce)
{
    TGIFImage image;
    build(image, {0xff0000, 0x00ff00}, 0, 5);
    Played once(image, kPlay);
    EXPECT_EQ(once.paints, 2);
    build(image, {0xff0000, 0x00ff00}, 5, 5);
    Played noLoop(image, goAnimate);
    EXPECT_EQ(noLoop.paints, 2);
    Played still(image, goTransparent);
    EXPECT_EQ(still.paints, 1);
}

TEST(Painter, disposalMethodsAndTransparencyShapeTheShownPictures)
{
    // A 4 x 4 red screen, then a 2 x 2 blue frame at (2, 2) with a
    // transparent top-left pixel and the given disposal, then a 1 x 1 green
    // frame at (0, 0) that keeps what is underneath.
    const auto play = [](int disposal) -> std::vector<QImage> {
        TGIFImage image;
        build(image, {0xff0000}, 1, 5);
        QImage blue(2, 2, QImage::Format_ARGB32);
        blue.fill(QColor(0, 0, 255));
        blue.setPixel(0, 0, 0);  // transparent
        TGIFSubImage& second = *image.Images()[image.AddFrameImage(blue)];
        second.SetBounds(2, 2, 2, 2);
        // The alpha channel already gave the frame its transparent colour.
        TGIFGraphicControlExtension* gce = second.GraphicControlExtension();
        EXPECT_TRUE(gce && gce->TransparentFlag());
        if (!gce)
            return {};
        EXPECT_EQ(gce->TransparentIndex(), second.Pixel(0, 0));
        gce->SetDisposalMethod(disposal);
        QImage green(1, 1, QImage::Format_RGB32);
        green.fill(QColor(0, 255, 0));
        image.AddFrameImage(green);
        Played p(image, kPlay);
        return p.pictures;
    };
    const auto kept = play(1);
    ASSERT_EQ(kept.size(), 3u);
    ASSERT_EQ(play(2).size(), 3u);
    ASSERT_EQ(play(3).size(), 3u);
    EXPECT_EQ(kept[1].pixel(2, 2), qRgb(255, 0, 0));  // transparent: red shows through
    EXPECT_EQ(kept[1].pixel(3, 3), qRgb(0, 0, 255));
    EXPECT_EQ(kept[2].pixel(3, 3), qRgb(0, 0, 255));  // left in place
    EXPECT_EQ(kept[2].pixel(0, 0), qRgb(0, 255, 0));

    const auto background = play(2);
    EXPECT_EQ(background[1].pixel(3, 3), qRgb(0, 0, 255));
    EXPECT_EQ(background[2].pixel(3, 3), qRgb(255, 255, 255));  // its rectangle restored to the background

    const auto previous = play(3);
    EXPECT_EQ(previous[1].pixel(3, 3), qRgb(0, 0, 255));
    EXPECT_EQ(previous[2].pixel(3, 3), qRgb(255, 0, 0));  // the state before it
}

TEST(PainterThread, pauseHoldsTheNextFrameAndResumeContinues)
{
    TGIFImage image;
    build(image, {0xff0000, 0x00ff00, 0x0000ff}, 0, 3);
    std::atomic<int> paints{0};
    TGIFPainter::Events events;
    events.paint = [&paints](TGIFPainter&) { ++paints; };
    TGIFPainter painter(image, QSize(), kPlay | goThreaded, events, {});
    painter.Start();
    QElapsedTimer timer;
    timer.start();
    while (paints < 2 && timer.elapsed() < 5000)
        std::this_thread::sleep_for(milliseconds(1));
    painter.Pause();
    painter.Pause();  // twice is harmless
    std::this_thread::sleep_for(milliseconds(100));  // lets a frame in flight finish
    const int held = paints;
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_EQ(paints, held);
    painter.Resume();
    timer.restart();
    while (paints < held + 2 && timer.elapsed() < 5000)
        std::this_thread::sleep_for(milliseconds(1));
    EXPECT_GE(paints, held + 2);
    painter.Pause();
    painter.Stop();  // stopping a paused painter ends it
    EXPECT_TRUE(painter.Finished());
}

// After "Arrêt" then "Marche" the frames keep their pace: a pause is no
// lateness to make up for. The clock the painter measures lateness by jumps
// ten seconds during each pause, as a long pause would make it.
class PausedPlayback : public ::testing::TestWithParam<bool> {};

TEST_P(PausedPlayback, resumesAtTheNormalPace)
{
    const bool duringTheWait = GetParam();
    TGIFImage image;
    build(image, {0xff0000, 0x00ff00, 0x0000ff, 0xffffff}, 0, 10);  // 120 ms each
    std::atomic<int> paints{0};
    std::atomic<long long> offset{0};
    TGIFPainter* self = nullptr;
    TGIFPainter::Events events;
    events.paint = [&paints](TGIFPainter&) { ++paints; };
    events.afterPaint = [&](TGIFPainter& p) {
        if (!duringTheWait && p.FrameIndex == 1)
            p.Pause();  // between two frames
    };
    TGIFPainter painter(image, QSize(), kPlay | goThreaded, events, {});
    self = &painter;
    painter.now = [&offset] { return steady_clock::now() + milliseconds(offset.load()); };
    painter.Start();
    QElapsedTimer timer;
    timer.start();
    while (paints < 2 && timer.elapsed() < 5000)
        std::this_thread::sleep_for(milliseconds(1));
    if (duringTheWait) {
        std::this_thread::sleep_for(milliseconds(40));  // a third into the wait
        self->Pause();
    }
    std::this_thread::sleep_for(milliseconds(200));
    ASSERT_TRUE(painter.Paused());
    const int held = paints;
    offset += 10000;
    painter.Resume();
    while (paints < held + 4 && timer.elapsed() < 10000)
        std::this_thread::sleep_for(milliseconds(1));
    painter.Stop();
    // Every wait after the pause is a whole frame's (less a little drift),
    // none the nothing a rush would give.
    ASSERT_GE(painter.Waits.size(), 5u);
    for (std::size_t i = 1; i < painter.Waits.size(); ++i)
        EXPECT_GE(painter.Waits[i], 100) << "wait " << i;
}

INSTANTIATE_TEST_SUITE_P(BetweenFramesOrDuringTheWait, PausedPlayback, ::testing::Bool());

TEST(PainterThread, destroyingTheImageStopsItsPainters)
{
    auto image = std::make_unique<TGIFImage>();
    build(*image, {0xff0000, 0x00ff00}, 0, 100);
    TGIFPainter painter(*image, QSize(), kPlay | goThreaded, {}, {});
    painter.Start();
    std::this_thread::sleep_for(milliseconds(20));
    image.reset();
    EXPECT_TRUE(painter.Finished());
}

TEST(PainterThread, drawingReachesTheCallerThroughItsDispatchWithoutDeadlock)
{
    TGIFImage image;
    build(image, {0xff0000, 0x00ff00}, 0, 3);
    QObject receiver;
    std::atomic<int> outputs{0};
    std::atomic<bool> onReceiverThread{true};
    TGIFPainter painter(
        image, QSize(8, 8), kPlay | goThreaded, {},
        [&](const QImage& picture) {
            ++outputs;
            onReceiverThread = onReceiverThread && QThread::currentThread() == receiver.thread()
                && picture.size() == QSize(8, 8);
        },
        [&receiver](const std::function<void()>& call) {
            QMetaObject::invokeMethod(&receiver, call, Qt::BlockingQueuedConnection);
        });
    painter.Start();
    QElapsedTimer timer;
    timer.start();
    while (outputs < 3 && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    painter.Stop();
    EXPECT_GE(outputs, 3);
    EXPECT_TRUE(onReceiverThread);
}
