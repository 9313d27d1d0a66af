#include "editing/brush.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using orugif::editing::drawSegment;

namespace {
constexpr QRgb kBlack = 0xff000000u;
constexpr QRgb kWhite = 0xffffffffu;

QString painted(const QImage& image)
{
    QString s;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            s += image.pixel(x, y) == kBlack ? '#' : '.';
        s += '/';
    }
    return s;
}
} // namespace

TEST(BrushSegment, paintsTheStartButNotTheEnd)
{
    QImage image = testsupport::solid(5, 1, 0xffffff);
    drawSegment(image, {0, 0}, {3, 0}, kBlack);
    EXPECT_EQ(painted(image), "###../");
}

TEST(BrushSegment, aSegmentToItsOwnStartPaintsNothing)
{
    QImage image = testsupport::solid(3, 3, 0xffffff);
    drawSegment(image, {1, 1}, {1, 1}, kBlack);
    EXPECT_EQ(image.pixel(1, 1), kWhite);
}

TEST(BrushSegment, consecutiveSegmentsJoinWithoutGaps)
{
    QImage image = testsupport::solid(4, 4, 0xffffff);
    drawSegment(image, {0, 0}, {3, 3}, kBlack);
    drawSegment(image, {3, 3}, {3, 0}, kBlack);
    EXPECT_EQ(painted(image), "#.../.#.#/..##/...#/");
}

TEST(BrushSegment, runsInEveryDirectionAndClipsOutsideThePicture)
{
    QImage image = testsupport::solid(3, 3, 0xffffff);
    drawSegment(image, {2, 5}, {2, -5}, kBlack);   // upwards through the picture
    drawSegment(image, {-4, 1}, {1, 1}, kBlack);   // from the left, stops before (1,1)
    EXPECT_EQ(painted(image), "..#/#.#/..#/");
}
