// The recording's store: frames come back exactly as taken, a repeated frame
// lengthens the one before, delays add up to the recording's length, and a
// long screen recording stays small.
#include "record/recording.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <numeric>

using namespace orugif::record;

namespace {

int total(const std::vector<int>& d) { return std::accumulate(d.begin(), d.end(), 0); }

QImage desktop(int w, int h)
{
    QImage im(w, h, QImage::Format_RGB32);
    QPainter p(&im);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor(30, 60, 120));
    g.setColorAt(1, QColor(200, 120, 40));
    p.fillRect(im.rect(), g);
    p.fillRect(QRect(w / 8, h / 8, w * 3 / 4, h * 3 / 4), Qt::white);
    p.fillRect(QRect(w / 8, h / 8, w * 3 / 4, 24), QColor(60, 60, 70));
    return im;
}

} // namespace

TEST(RecordingDelays, RoundOnTheRunningTotal)
{
    // 29.97 pictures a second for 10 s: 300 frames lasting 10.01 s in all,
    // each 3 or 4 hundredths, never drifting more than half a hundredth.
    std::vector<std::int64_t> starts;
    for (int i = 0; i < 300; ++i)
        starts.push_back(std::int64_t(i * 1001000.0 / 30.0));
    const std::vector<int> d = delaysFromStarts(starts, 10010000);
    ASSERT_EQ(d.size(), 300u);
    EXPECT_EQ(total(d), 1001);
    int shown = 0;
    for (std::size_t i = 0; i < d.size(); ++i) {
        EXPECT_TRUE(d[i] == 3 || d[i] == 4) << i;
        EXPECT_LE(std::abs(shown * 10000 - starts[i]), 5000) << i;
        shown += d[i];
    }
    // Frames closer than a hundredth still last one; an empty recording has none.
    EXPECT_EQ(delaysFromStarts({0, 2000, 4000}, 30000), (std::vector<int>{1, 1, 1}));
    // A last frame taken just before the end borrows its hundredth.
    EXPECT_EQ(delaysFromStarts({191, 100000, 566795}, 567449), (std::vector<int>{10, 46, 1}));
    EXPECT_TRUE(delaysFromStarts({}, 1000).empty());
}

TEST(Recording, FramesComeBackExactAndRepeatsMerge)
{
    Recording r;
    QImage a = desktop(200, 120), b = a.copy(), c = a.copy();
    b.setPixel(199, 119, qRgb(1, 2, 3));  // a change in the last pixel only
    c.setPixel(0, 0, qRgb(9, 9, 9));
    c.setPixel(150, 60, qRgb(255, 0, 0));
    EXPECT_TRUE(r.add(a, 0));
    EXPECT_FALSE(r.add(a.copy(), 66000));  // equal: the first frame lasts longer
    EXPECT_TRUE(r.add(b, 133000));
    EXPECT_TRUE(r.add(c, 200000));
    EXPECT_FALSE(r.add(c, 266000));
    r.finish(400000);
    const std::vector<QImage> frames = r.frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], a);
    EXPECT_EQ(frames[1], b);
    EXPECT_EQ(frames[2], c);
    EXPECT_EQ(r.delays(), (std::vector<int>{13, 7, 20}));
    EXPECT_THROW(r.add(desktop(100, 100), 500000), std::invalid_argument);

    // Longer runs are rebuilt on two chains (odd and even frames): each
    // frame equals the one replayed in order.
    Recording moving;
    QImage f = a.copy();
    for (int i = 0; i < 9; ++i) {
        f.setPixel(10 + i * 7, 5 + i * 3, qRgb(i * 20, 0, 255 - i * 20));
        moving.add(f, i * 50000);
    }
    const std::vector<QImage> rebuilt = moving.frames();
    ASSERT_EQ(rebuilt.size(), 9u);
    moving.replay([&](std::size_t i, const QImage& frame) { EXPECT_EQ(rebuilt[i], frame) << i; });
    EXPECT_EQ(rebuilt.back(), f);
}

// Ten minutes of a 1280 x 720 desktop at 15 pictures a second, with a moving
// pointer and typing, fits in well under 2 GB: measured on the first minute
// and a half, and every 500th frame comes back exact.
TEST(Recording, ScreenRecordingStaysSmall)
{
    Recording r;
    QImage page = desktop(1280, 720);
    std::vector<QImage> samples;
    constexpr int kFrames = 1350;  // 90 s at 15 a second
    for (int i = 0; i < kFrames; ++i) {
        QPainter typing(&page);
        if (i % 3 == 0) {  // a character every fifth of a second
            const int k = (i / 3) % 400;
            typing.setPen(Qt::black);
            typing.drawText(QPoint(170 + (k % 80) * 11, 140 + (k / 80) * 18), QString(QChar('a' + k % 26)));
        }
        typing.end();
        QImage frame = page.copy();
        QPainter(&frame).fillRect(QRect(100 + (i * 7) % 1000, 300 + (i * 3) % 300, 12, 18), Qt::black);
        r.add(frame, std::int64_t(i) * 66667);
        if (i % 500 == 0)
            samples.push_back(frame);
    }
    const double perFrame = double(r.memoryBytes()) / kFrames;
    EXPECT_LT(perFrame * 9000, 2e9 / 4) << perFrame;  // a quarter of the bound
    ASSERT_EQ(r.frameCount(), std::size_t(kFrames));
    std::size_t checked = 0;
    r.replay([&](std::size_t i, const QImage& frame) {
        if (i % 500 == 0) {
            EXPECT_EQ(frame, samples[checked++]) << i;
        }
    });
    EXPECT_EQ(checked, samples.size());
}
