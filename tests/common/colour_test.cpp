#include "common/colour.h"
#include "common/limits.h"

#include <gtest/gtest.h>

using namespace orugif;

TEST(Colour, redSitsInTheLowByte)
{
    const Colour c = colourFromRgb(0x12, 0x34, 0x56);
    EXPECT_EQ(c, 0x00563412);
    EXPECT_EQ(toQRgb(c), 0xff123456u);
    EXPECT_EQ(fromQRgb(qRgb(0x12, 0x34, 0x56)), c);
    EXPECT_EQ(fromQColor(toQColor(c)), c);
}

TEST(Colour, highByteIsIgnoredWhenConverting)
{
    EXPECT_EQ(toQRgb(Colour(0x7f0000ff)), 0xffff0000u);
}

TEST(Limits, picturesArePermittedUpToTheSideAndPixelLimits)
{
    EXPECT_TRUE(pictureSizeAllowed(1, 1));
    EXPECT_TRUE(pictureSizeAllowed(16384, 16384));
    EXPECT_FALSE(pictureSizeAllowed(16385, 1));
    EXPECT_FALSE(pictureSizeAllowed(0, 10));
    EXPECT_FALSE(pictureSizeAllowed(10, -1));
}
