#include "editing/fill.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using orugif::editing::floodFill;

namespace {
constexpr QRgb kRed = 0xffff0000u;
constexpr QRgb kWhite = 0xffffffffu;
constexpr QRgb kBlack = 0xff000000u;

} // namespace

TEST(FloodFill, fillsTheWholeUniformPictureUpToItsEdges)
{
    QImage image = testsupport::solid(7, 5, 0xffffff);
    floodFill(image, 3, 2, kRed);
    EXPECT_EQ(testsupport::countPixels(image, kRed), 35);
}

TEST(FloodFill, stopsAtAColourThatDiffersByOneUnit)
{
    QImage image = testsupport::solid(6, 1, 0xffffff);
    image.setPixel(3, 0, qRgb(255, 255, 254));
    floodFill(image, 0, 0, kRed);
    EXPECT_EQ(image.pixel(2, 0), kRed);
    EXPECT_EQ(image.pixel(3, 0), qRgb(255, 255, 254));
    EXPECT_EQ(image.pixel(4, 0), kWhite);
}

TEST(FloodFill, connectsThroughFourNeighboursOnly)
{
    // A diagonal wall of black: the fill never crosses a corner.
    QImage image = testsupport::solid(4, 4, 0xffffff);
    for (int i = 0; i < 4; ++i)
        image.setPixel(i, 3 - i, kBlack);
    floodFill(image, 0, 0, kRed);
    EXPECT_EQ(testsupport::countPixels(image, kRed), 6);
    EXPECT_EQ(image.pixel(3, 3), kWhite);
    EXPECT_EQ(image.pixel(1, 1), kRed);
}

TEST(FloodFill, followsWindingCorridors)
{
    // A spiral-like maze with dead ends above and below the seed's run.
    const char* rows[] = {
        "..#.....",
        ".##.###.",
        "....#.#.",
        "###.#.#.",
        "..#...#.",
        "..#####.",
        "........",
    };
    QImage image(8, 7, QImage::Format_RGB32);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 8; ++x)
            image.setPixel(x, y, rows[y][x] == '#' ? kBlack : kWhite);
    floodFill(image, 5, 2, kRed);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(image.pixel(x, y), rows[y][x] == '#' ? kBlack : kRed) << x << ',' << y;
}

TEST(FloodFill, sameColourAndOutsidePointsChangeNothing)
{
    QImage image = testsupport::solid(3, 3, 0xff0000);
    const QImage before = image.copy();
    floodFill(image, 1, 1, kRed);
    floodFill(image, -1, 0, kWhite);
    floodFill(image, 3, 0, kWhite);
    EXPECT_EQ(image, before);
}
