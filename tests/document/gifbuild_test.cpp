// Building the saved image with a chosen reduction: the global palette of
// method 7 is one table, and dithering leaves a still background still.
#include "document/gifbuild.h"
#include "gif/colorreduction.h"
#include "gif/gifimage.h"
#include "support/testsupport.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <tuple>

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

namespace {

// Each pixel's colour as the saved frame shows it.
QImage shown(const gif::TGIFSubImage& sub)
{
    QImage out(sub.Width(), sub.Height(), QImage::Format_RGB32);
    const gif::TGIFColorMap& map = *sub.ActiveColorMap();
    for (int y = 0; y < sub.Height(); ++y)
        for (int x = 0; x < sub.Width(); ++x) {
            const gif::GIFColor c = map[sub.Scanline(y)[x]];
            out.setPixel(x, y, qRgb(c.r, c.g, c.b));
        }
    return out;
}

// A picture of `colours` distinct colours (finely shaded, as anti-aliased
// text and gradients are), 64 x 48.
QImage shaded(int colours, int seed)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) {
            const int k = (y * 64 + x + seed) % colours;
            picture.setPixel(x, y, qRgb(20 + k % 200, 90 + k / 200 * 3, 200 - k % 37));
        }
    return picture;
}

using ExactCase = std::tuple<int, bool>;  // dither mode, after a frame it mostly repeats

class ChosenPaletteExact : public ::testing::TestWithParam<ExactCase> {};

} // namespace

// "Palette optimisée" writes a frame of at most 256 colours exactly, whatever
// the dithering: alone, or after a frame of more colours that it mostly
// repeats (the run's palette lacks some of its colours).
TEST_P(ChosenPaletteExact, aFrameOfAtMost256ColoursComesBackExact)
{
    const auto [dither, afterRicher] = GetParam();
    const QImage frame = shaded(256, 0);
    // The frame before: 150 more colours in its top three rows (one pixel
    // in sixteen), so the frame mostly repeats it.
    QImage richer = frame.copy();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 64; ++x)
            richer.setPixel(x, y, qRgb(250, (y * 64 + x) % 150, 7));
    std::vector<QImage> frames = afterRicher ? std::vector<QImage>{richer, frame} : std::vector<QImage>{frame};
    AnimationSettings s;
    s.ColorReduction = 7;
    s.DitherMode = dither;
    gif::TGIFImage image;
    addFrames(image, frames, s);
    ASSERT_EQ(image.Images().Count(), int(frames.size()));
    EXPECT_EQ(shown(*image.Images()[int(frames.size()) - 1]), frame);
}

INSTANTIATE_TEST_SUITE_P(DitherModesAndRuns, ChosenPaletteExact,
                         ::testing::Combine(::testing::Range(0, 7), ::testing::Bool()));

TEST(ChosenReduction, framesThatMostlyRepeatShareOnePaletteChosenFromThemAll)
{
    // A still shaded window (300 colours) and a square whose colour each
    // frame changes: every frame's colour is in the run's one palette, and
    // the still pixels keep their indices with and without dithering.
    const QImage still = shaded(300, 7);
    std::vector<QImage> frames;
    for (int i = 0; i < 6; ++i) {
        QImage f = still.copy();
        QPainter p(&f);
        p.fillRect(4 + 3 * i, 4, 8, 8, QColor(40 * i, 250 - 40 * i, 128));
        frames.push_back(f);
    }
    for (const int dither : {0, 1}) {
        AnimationSettings s;
        s.ColorReduction = 7;
        s.DitherMode = dither;
        gif::TGIFImage image;
        addFrames(image, frames, s);
        ASSERT_EQ(image.Images().Count(), 6);
        const gif::TGIFColorMap* first = image.Images()[0]->ActiveColorMap();
        for (int i = 1; i < 6; ++i) {
            const gif::TGIFColorMap* map = image.Images()[i]->ActiveColorMap();
            ASSERT_EQ(map->Count(), first->Count());
            EXPECT_TRUE(std::equal(map->data(), map->data() + map->Count(), first->data())) << "frame " << i;
            EXPECT_EQ(differingIndices(*image.Images()[i - 1], *image.Images()[i], frames[std::size_t(i - 1)],
                                       frames[std::size_t(i)]),
                      0)
                << "dither " << dither << ", frame " << i;
        }
        // Each square's colour was in the palette chosen from every frame.
        for (int i = 0; i < 6; ++i) {
            const gif::TGIFSubImage& sub = *image.Images()[i];
            const gif::GIFColor c = (*sub.ActiveColorMap())[sub.Scanline(6)[8 + 3 * i]];
            const QColor want(40 * i, 250 - 40 * i, 128);
            EXPECT_LE(std::abs(c.r - want.red()) + std::abs(c.g - want.green()) + std::abs(c.b - want.blue()), 12)
                << "frame " << i;
        }
    }
}
