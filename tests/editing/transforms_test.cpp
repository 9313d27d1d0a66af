#include "editing/transforms.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace orugif::editing;

namespace {
QImage noise(int w, int h, quint32 seed = 1)
{
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, 0xff000000u | (random.generate() & 0xffffffu));
    return image;
}
} // namespace

TEST(Transforms, mirrorsFollowTheirAxesAndUndoThemselves)
{
    const QImage p = noise(5, 3);
    const QImage upsideDown = mirrorTopBottom(p);
    const QImage sideways = mirrorLeftRight(p);
    EXPECT_EQ(upsideDown.pixel(1, 0), p.pixel(1, 2));
    EXPECT_EQ(sideways.pixel(0, 1), p.pixel(4, 1));
    EXPECT_EQ(mirrorTopBottom(upsideDown), p);
    EXPECT_EQ(mirrorLeftRight(sideways), p);
}

TEST(Transforms, quarterTurnsMoveTheCornersAndUndoEachOther)
{
    const QImage p = noise(4, 4);
    const QImage left = rotateSquare(p, Turn::Left);
    EXPECT_EQ(left.pixel(0, 0), p.pixel(3, 0));  // the top-right corner moves to the top-left
    EXPECT_EQ(left.pixel(0, 3), p.pixel(0, 0));
    const QImage right = rotateSquare(p, Turn::Right);
    EXPECT_EQ(right.pixel(3, 0), p.pixel(0, 0));  // the top-left corner moves to the top-right
    EXPECT_EQ(rotateSquare(left, Turn::Right), p);
    EXPECT_EQ(rotateSquare(right, Turn::Left), p);
    EXPECT_EQ(rotateSquare(p, Turn::Half), mirrorLeftRight(mirrorTopBottom(p)));
    const QImage one = noise(1, 1);
    EXPECT_EQ(rotateSquare(one, Turn::Left), one);
}

TEST(Transforms, quarterTurnsAreExactAcrossTileEdges)
{
    // Sizes around the 64-pixel tiles the turn works in.
    for (int n : {63, 64, 65, 130}) {
        SCOPED_TRACE(n);
        const QImage p = noise(n, n);
        const QImage left = rotateSquare(p, Turn::Left), right = rotateSquare(p, Turn::Right);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                ASSERT_EQ(left.pixel(x, y), p.pixel(n - 1 - y, x));
                ASSERT_EQ(right.pixel(x, y), p.pixel(y, n - 1 - x));
            }
    }
}

TEST(Transforms, movesUncoverWhite)
{
    const QImage p = noise(6, 4);
    const QImage gone = shifted(p, 6, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(gone.pixel(x, y), qRgb(255, 255, 255));

    const QImage moved = shifted(p, -3, 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool uncovered = x >= 3 || y < 2;
            EXPECT_EQ(moved.pixel(x, y), uncovered ? qRgb(255, 255, 255) : p.pixel(x + 3, y - 2)) << x << ',' << y;
        }
    EXPECT_EQ(shifted(p, -100, 100).pixel(0, 3), qRgb(255, 255, 255));
}

TEST(Transforms, stretchReplicatesPixels)
{
    const QImage p = noise(2, 1);
    const QImage s = stretched(p, {4, 2});
    EXPECT_EQ(s.size(), QSize(4, 2));
    EXPECT_EQ(s.pixel(1, 1), p.pixel(0, 0));
    EXPECT_EQ(s.pixel(2, 0), p.pixel(1, 0));
}
