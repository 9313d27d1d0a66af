// Transition frames: step sizes, accumulation and the order before a frame.
#include "editing/transitions.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace orugif::editing;

namespace {

enum { Slide, Blinds, Checker, Curtains, Cross, SlideDown, Zoom };

QImage noise(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(5);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, 0xff000000u | (random.generate() & 0xfefefeu) | 0x010101u);  // never black
    return image;
}

bool blackRow(const QImage& f, int y)
{
    for (int x = 0; x < f.width(); ++x)
        if (f.pixel(x, y) != qRgb(0, 0, 0))
            return false;
    return true;
}

} // namespace

TEST(Transitions, horizontalSlideAccumulatesCopiesOfTheFirstColumns)
{
    const QImage p = noise(100, 80);
    const auto frames = transitionFrames(p, Slide, 4, true);
    ASSERT_EQ(frames.size(), 4u);
    // s = 20: frame 1 shows P shifted right by 20, P's first 20 columns on the left.
    EXPECT_EQ(frames[0].pixel(25, 7), p.pixel(5, 7));
    EXPECT_EQ(frames[0].pixel(5, 7), p.pixel(5, 7));
    // Frame 4: shifted by 80, four copies of the first 20 columns.
    for (int j = 0; j < 4; ++j)
        EXPECT_EQ(frames[3].pixel(20 * j + 3, 9), p.pixel(3, 9)) << j;
    EXPECT_EQ(frames[3].pixel(85, 9), p.pixel(5, 9));
}

TEST(Transitions, slidesBeforeThePictureComeInFromTheLeft)
{
    const QImage p = noise(40, 10);
    const auto frames = transitionFrames(p, Slide, 3, false);  // s = 10
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].pixel(0, 0), p.pixel(30, 0));  // P's rightmost 10 columns
    EXPECT_EQ(frames[0].pixel(15, 0), p.pixel(15, 0));
    EXPECT_EQ(frames[2].pixel(0, 0), p.pixel(10, 0));
    const auto down = transitionFrames(p, SlideDown, 1, true);  // s = 5 rows
    EXPECT_EQ(down[0].pixel(2, 7), p.pixel(2, 2));
}

TEST(Transitions, blindsLieEveryTenthOfTheHeightAndGrow)
{
    const QImage p = noise(30, 95);
    const auto frames = transitionFrames(p, Blinds, 3, true);
    for (int j = 1; j <= 10; ++j)
        EXPECT_TRUE(blackRow(frames[0], 9 * j)) << j;  // d = 9
    EXPECT_FALSE(blackRow(frames[0], 10));
    EXPECT_FALSE(blackRow(frames[0], 91));
    int black0 = 0, black2 = 0;
    for (int y = 0; y < 95; ++y) {
        black0 += blackRow(frames[0], y);
        black2 += blackRow(frames[2], y);
    }
    EXPECT_GT(black2, black0);  // wider pens cover the previous lines

    // Before the picture: the widest lines first, the clean picture last.
    const auto before = transitionFrames(p, Blinds, 3, false);
    EXPECT_EQ(before[0], frames[2]);
    EXPECT_EQ(before[2], frames[0]);
}

TEST(Transitions, checkerboardFramesAreFreshAndAlternateTheirStart)
{
    const QImage p = noise(200, 100);  // s = 10, e = 5
    const auto frames = transitionFrames(p, Checker, 3, true);
    // Frames 1 and 3 start their dashes at 2s = 20, frame 2 at 0.
    EXPECT_EQ(frames[0].pixel(25, 10), qRgb(0, 0, 0));
    EXPECT_NE(frames[0].pixel(5, 10), qRgb(0, 0, 0));
    EXPECT_EQ(frames[1].pixel(5, 10), qRgb(0, 0, 0));
    EXPECT_NE(frames[2].pixel(5, 10), qRgb(0, 0, 0));  // no trace of frame 2
}

TEST(Transitions, checkerboardOnANarrowFrameDrawsRoundDots)
{
    // 19 wide: s = 0, every dash has no length and is its round ends.
    const QImage p = noise(19, 100);  // e = 5: rows 10, 20, ... 100
    const auto frames = transitionFrames(p, Checker, 4, true);
    for (int k : {2, 4}) {  // even frames start at 0, pen width k
        SCOPED_TRACE(k);
        const QImage& f = frames[std::size_t(k - 1)];
        EXPECT_EQ(f.pixel(0, 10), qRgb(0, 0, 0));
        EXPECT_EQ(f.pixel(0, 90), qRgb(0, 0, 0));
        EXPECT_NE(f.pixel(0, 15), qRgb(0, 0, 0));
        EXPECT_NE(f.pixel(10, 10), qRgb(0, 0, 0));
    }
}

TEST(Transitions, curtainsMeetAtTheLastFrameAndTheCrossCentres)
{
    const QImage p = noise(40, 20);
    const auto curtains = transitionFrames(p, Curtains, 4, true);  // s = 10, widths 10..40
    EXPECT_EQ(curtains[0].pixel(2, 10), qRgb(0, 0, 0));
    EXPECT_NE(curtains[0].pixel(20, 10), qRgb(0, 0, 0));
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(curtains[3].pixel(x, 10), qRgb(0, 0, 0)) << x;

    const auto thin = transitionFrames(p, Curtains, 50, true);  // s = 0: one-pixel lines
    EXPECT_EQ(thin[49].pixel(0, 5), qRgb(0, 0, 0));
    EXPECT_NE(thin[49].pixel(2, 5), qRgb(0, 0, 0));

    const auto cross = transitionFrames(p, Cross, 2, true);  // s = 10
    EXPECT_EQ(cross[0].pixel(20, 2), qRgb(0, 0, 0));
    EXPECT_EQ(cross[0].pixel(2, 10), qRgb(0, 0, 0));
    EXPECT_NE(cross[0].pixel(2, 2), qRgb(0, 0, 0));
}

TEST(Transitions, zoomNestsSmallerCopiesAndAZeroInsetRedrawsThePicture)
{
    const QImage p = noise(30, 20);
    for (const QImage& f : transitionFrames(p, Zoom, 10, true))  // c = 0
        EXPECT_EQ(f, p);
    const QImage big = noise(90, 60);
    const auto frames = transitionFrames(big, Zoom, 2, true);  // c = 10
    EXPECT_EQ(frames[0].pixel(5, 5), big.pixel(5, 5));        // outside the inset
    EXPECT_EQ(frames[0].pixel(10, 10), big.pixel(0, 0));      // the scaled copy's corner
}

TEST(Transitions, nothingForNoFramesOrAnUnknownKind)
{
    const QImage p = noise(10, 10);
    for (int kind = 0; kind < kTransitionCount; ++kind) {
        EXPECT_TRUE(transitionFrames(p, kind, 0, true).empty());
        EXPECT_TRUE(transitionFrames(p, kind, 0, false).empty());
    }
    EXPECT_TRUE(transitionFrames(p, 7, 3, true).empty());
    EXPECT_EQ(transitionNames().size(), kTransitionCount);
}

TEST(Transitions, previewShrinksToTheBoxAndCentres)
{
    EXPECT_EQ(transitionPreviewRect({274, 113}), QRect(0, 28, 137, 56));  // 56.5 rounds to even
    EXPECT_EQ(transitionPreviewRect({100, 226}), QRect(43, 0, 50, 113));
    EXPECT_EQ(transitionPreviewRect({37, 13}), QRect(50, 50, 37, 13));
}
