// Building the saved image with a chosen reduction: the global palette of
// method 7 is one table, and dithering leaves a still background still.
#include "document/gifbuild.h"
#include "gif/colorreduction.h"
#include "gif/gifimage.h"
#include "support/testsupport.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace orugif;

namespace {

// A screen recording: a still, finely shaded window and a cursor that moves.
std::vector<QImage> screenRecording(int count)
{
    QImage desk(80, 60, QImage::Format_RGB32);
    for (int y = 0; y < desk.height(); ++y)
        for (int x = 0; x < desk.width(); ++x)
            desk.setPixel(x, y, qRgb(60 + x * 2, 80 + y * 2, 140 + (x + y) % 50));
    std::vector<QImage> frames;
    for (int i = 0; i < count; ++i) {
        QImage frame = desk.copy();
        QPainter p(&frame);
        p.fillRect(10 + 6 * i, 20, 5, 7, Qt::black);
        frames.push_back(frame);
    }
    return frames;
}

int differingIndices(const gif::TGIFSubImage& a, const gif::TGIFSubImage& b, const QImage& fa, const QImage& fb)
{
    int n = 0;
    for (int y = 0; y < fa.height(); ++y)
        for (int x = 0; x < fa.width(); ++x)
            if (fa.pixel(x, y) == fb.pixel(x, y) && a.Scanline(y)[x] != b.Scanline(y)[x])
                ++n;
    return n;
}

} // namespace

TEST(ChosenReduction, theGlobalOptimisedPaletteIsOneTableForEveryFrame)
{
    const std::vector<QImage> frames = screenRecording(4);
    AnimationSettings s;
    s.ColorReduction = 7;
    s.ReductionBits = 6;
    s.RemoveLocalPalettes = true;
    gif::TGIFImage image;
    addFrames(image, frames, s);
    optimise(image, s);
    ASSERT_EQ(image.Images().Count(), 4);
    EXPECT_FALSE(image.GlobalColorMap().Empty());
    EXPECT_LE(image.GlobalColorMap().Count(), 64);
    for (const auto& sub : image.Images())
        EXPECT_TRUE(sub->ColorMap().Empty());
}

TEST(ChosenReduction, aDitheredStillBackgroundKeepsItsIndicesFromFrameToFrame)
{
    const std::vector<QImage> frames = screenRecording(3);
    for (int dither : {1, 2, 6}) {
        AnimationSettings s;
        s.ColorReduction = 7;
        s.ReductionBits = 4;  // few colours: the dithering shows everywhere
        s.DitherMode = dither;
        s.RemoveLocalPalettes = true;
        gif::TGIFImage image;
        addFrames(image, frames, s);
        for (int i = 1; i < 3; ++i)
            EXPECT_EQ(differingIndices(*image.Images()[i - 1], *image.Images()[i], frames[std::size_t(i - 1)],
                                       frames[std::size_t(i)]),
                      0)
                << "dither " << dither << ", frame " << i;
        // The merge and crop then leave only the cursor's two places (5 x 7,
        // 6 pixels apart) to draw.
        s.MergeDuplicatePixels = s.RemoveUselessFrames = true;
        addFrames(image, frames, s);
        optimise(image, s);
        const gif::TGIFSubImage& second = *image.Images()[1];
        EXPECT_LE(second.Width() * second.Height(), (6 + 5) * 7) << "dither " << dither;
    }
}

TEST(GifBuild, framesDitheredToTheCubeInBatchesMatchEachFrameDitheredAlone)
{
    // Eleven frames span two batches and a short one.
    std::vector<QImage> frames;
    for (unsigned seed = 1; seed <= 11; ++seed)
        frames.push_back(testsupport::noise(37, 23, seed));
    AnimationSettings settings;
    settings.ColorReduction = 6;
    settings.DitherMode = 1;
    settings.videoFrames = true;  // each frame dithered alone
    gif::TGIFImage image;
    addFrames(image, frames, settings);
    ASSERT_EQ(image.Images().Count(), 11);
    for (int i = 0; i < 11; ++i) {
        std::vector<gif::GIFColor> palette;
        std::vector<std::uint8_t> alone(37 * 23);
        ASSERT_TRUE(gif::ReduceToIndices(frames[std::size_t(i)], 6, 1, {}, palette, alone.data(), 37));
        const gif::TGIFSubImage& sub = *image.Images()[i];
        const gif::TGIFColorMap& map = sub.ColorMap().Count() > 0 ? sub.ColorMap() : image.GlobalColorMap();
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x) {
                const gif::GIFColor got = map[sub.Scanline(y)[x]], want = palette[alone[std::size_t(y * 37 + x)]];
                ASSERT_TRUE(got.r == want.r && got.g == want.g && got.b == want.b) << i << " at " << x << "," << y;
            }
    }
}
