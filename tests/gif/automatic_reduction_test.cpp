// The automatic reduction: a picture on the 216-colour cube comes out as
// the cube reduction makes it, one of at most a table's colours with
// exactly its colours, any other as the cube reduction with the dither mode
// asked for.
#include "gif/colorreduction.h"

#include "support/testsupport.h"

#include <gtest/gtest.h>
#include <set>

using namespace orugif::gif;

namespace {

struct Reduced {
    bool ok = false;
    std::vector<GIFColor> palette;
    std::vector<std::uint8_t> indices;
};

Reduced reduce(const QImage& picture, int method, int dither, int maxColours = 256)
{
    Reduced r;
    r.indices.assign(std::size_t(picture.width()) * std::size_t(picture.height()), 0);
    r.ok = ReduceToIndices(picture, method, dither, {}, r.palette, r.indices.data(), picture.width(), 8, maxColours);
    return r;
}

// `count` distinct colours, none of them on the cube, in a picture of 40 x 30.
QImage colours(int count, bool onCube = false)
{
    QImage picture(40, 30, QImage::Format_RGB32);
    for (int i = 0; i < 40 * 30; ++i) {
        const int c = i % count;
        picture.setPixel(i % 40, i / 40,
                         onCube ? qRgb(51 * (c / 36), 51 * (c / 6 % 6), 51 * (c % 6)) : qRgb(1 + c % 250, c / 250 * 7 + 2, 100));
    }
    return picture;
}

// Whether every pixel of `picture` shows exactly its colour.
bool exact(const QImage& picture, const Reduced& r)
{
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            if (qAlpha(p) < 128)
                continue;
            const GIFColor c = r.palette.at(r.indices[std::size_t(y * picture.width() + x)]);
            if (qRgb(c.r, c.g, c.b) != (p | 0xFF000000u))
                return false;
        }
    return true;
}

struct Case {
    const char* name;
    int count;
    bool onCube;
    int dither;
    int maxColours;
    bool keepsItsColours;  // else exactly what the cube reduction gives
};

class Automatic : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(Automatic, keepsTheColoursThatFitElseTakesTheCube)
{
    const Case c = GetParam();
    const QImage picture = colours(c.count, c.onCube);
    const Reduced automatic = reduce(picture, kAutomaticReduction, c.dither, c.maxColours);
    ASSERT_TRUE(automatic.ok);
    if (c.keepsItsColours) {
        EXPECT_EQ(int(automatic.palette.size()), c.count);
        EXPECT_TRUE(exact(picture, automatic));
    } else {
        const Reduced cube = reduce(picture, 6, c.dither, c.maxColours);
        EXPECT_EQ(automatic.palette, cube.palette);
        EXPECT_EQ(automatic.indices, cube.indices);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, Automatic,
    ::testing::Values(Case{"cubeColours", 216, true, 0, 256, false}, Case{"cubeColoursDithered", 216, true, 1, 256, false},
                      Case{"fewColours", 4, false, 0, 256, true}, Case{"fewColoursDithered", 4, false, 3, 256, true},
                      Case{"fullTable", 256, false, 0, 256, true}, Case{"fullTableWithoutRoom", 256, false, 0, 255, false},
                      Case{"oneTooMany", 257, false, 0, 256, false}, Case{"manyDithered", 600, false, 1, 256, false},
                      Case{"manyStucki", 600, false, 2, 256, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Automatic, transparentPixelsTakeNoEntry)
{
    // 255 opaque colours (the last row's appear above it too) and
    // transparent pixels of another colour: the opaque colours fit beside
    // the transparent entry.
    QImage picture = colours(255).convertToFormat(QImage::Format_ARGB32);
    for (int x = 0; x < 40; ++x)
        picture.setPixel(x, 29, qRgba(9, 9, 9, 0));
    const Reduced r = reduce(picture, kAutomaticReduction, 0, 255);
    ASSERT_TRUE(r.ok);
    EXPECT_LE(r.palette.size(), 255u);
    EXPECT_TRUE(exact(picture, r));
}

TEST(Automatic, greyLevelsLeaveRoomForTheTransparentEntry)
{
    // A sprite: grey shades on transparent pixels.
    QImage sprite(64, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x)
            sprite.setPixel(x, y, y < 4 ? qRgba(0, 0, 0, 0) : qRgb(x * 4, x * 4, x * 4));
    const Reduced r = reduce(sprite, 5, 0, 255);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.palette.size(), 255u);
    std::set<int> levels(r.indices.begin() + 4 * 64, r.indices.end());
    EXPECT_EQ(*levels.begin(), 0);
    EXPECT_EQ(levels.size(), 64u);  // 64 shades stay 64 greys
}
