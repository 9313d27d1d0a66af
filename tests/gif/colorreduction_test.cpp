// Colour reduction: the lookups' exact answers, dithering, the bitmap
// helpers, and pictures imported into and rendered from frames.
#include "gif/colorreduction.h"
#include "gif/cubedither.h"
#include "gif/compose.h"
#include "gif/gifimage.h"

#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>

using namespace orugif::gif;

TEST(ColorLookup, cubeLevelsAndIndex)
{
    TNetscapeColorLookup cube;
    GIFColor chosen;
    EXPECT_EQ(cube.Lookup(47, 48, 255, chosen), 11);
    EXPECT_EQ(chosen, (GIFColor{0, 51, 255}));
    EXPECT_EQ(cube.Lookup(98, 99, 252, chosen), 36 * 1 + 6 * 2 + 5);
    // Every level through the picture path as well.
    QImage all(256, 1, QImage::Format_RGB32);
    for (int v = 0; v < 256; ++v)
        all.setPixel(v, 0, qRgb(v, 255 - v, v / 2));
    const QImage reduced = ReduceColors(all, 6, 0);
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(reduced.pixelIndex(v, 0), 36 * ((v + 3) / 51) + 6 * ((258 - v) / 51) + (v / 2 + 3) / 51) << v;
}

TEST(ColorLookup, monochromeThresholdAndGrey)
{
    TMonochromeLookup mono;
    GIFColor chosen;
    EXPECT_EQ(mono.Lookup(128, 128, 128, chosen), 1);  // 32768
    EXPECT_EQ(chosen, (GIFColor{255, 255, 255}));
    EXPECT_EQ(mono.Lookup(127, 127, 127, chosen), 0);  // 32512
    // 255 greys: black and white both kept, one table entry left over.
    TGrayScaleLookup grey;
    EXPECT_EQ(grey.Lookup(255, 0, 0, chosen), 76);
    EXPECT_EQ(grey.Lookup(0, 0, 0, chosen), 0);
    EXPECT_EQ(chosen, (GIFColor{0, 0, 0}));
    EXPECT_EQ(grey.Lookup(255, 255, 255, chosen), 254);
    EXPECT_EQ(chosen, (GIFColor{255, 255, 255}));
    EXPECT_EQ(ReductionPalette(5).size(), 255u);
}

TEST(ColorLookup, fastLookupNearestFirstWinsAndCachesPerKey)
{
    TFastColorLookup lookup({{200, 0, 0}, {0, 0, 200}, {100, 255, 100}, {0, 0, 0}, {6, 6, 6}});
    GIFColor chosen;
    EXPECT_EQ(lookup.Lookup(150, 0, 150, chosen), 0);  // tie between 0 and 1: the first wins
    EXPECT_EQ(lookup.Lookup(90, 110, 100, chosen), 2);
    EXPECT_EQ(chosen, (GIFColor{100, 255, 100}));
    // Black holds the cell of every colour with the same 5-5-5 key, so even
    // the exact colour (6, 6, 6) answers black.
    EXPECT_EQ(lookup.Lookup(6, 6, 6, chosen), 3);
    // A cached answer serves every colour of that key.
    EXPECT_EQ(lookup.Lookup(96, 96, 96, chosen), 2);
    EXPECT_EQ(lookup.Lookup(103, 103, 103, chosen), 2);
}

TEST(ColorReduction, unditheredCubeMapsEveryPixelOnItsOwn)
{
    QImage picture(37, 11, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 7, y * 23, (x * y) % 256));
    const QImage reduced = ReduceColors(picture, 6, 0);
    ASSERT_EQ(reduced.format(), QImage::Format_Indexed8);
    ASSERT_EQ(reduced.colorCount(), 216);
    TNetscapeColorLookup cube;
    GIFColor chosen;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            ASSERT_EQ(reduced.pixelIndex(x, y), cube.Lookup(qRed(p), qGreen(p), qBlue(p), chosen));
        }
    // The same through the general engine (a palette lookup of the cube).
    std::vector<GIFColor> palette = ReductionPalette(6);
    std::vector<std::uint8_t> viaPalette(std::size_t(37 * 11));
    std::vector<GIFColor> used;
    ASSERT_TRUE(ReduceToIndices(picture, 9, 0, palette, used, viaPalette.data(), 37));
    EXPECT_EQ(used.size(), 216u);
}

namespace {
// Records every colour the ditherer asks for.
class RecordingLookup : public TColorLookup {
public:
    RecordingLookup() : TColorLookup(2) {}
    int Lookup(int r, int g, int b, GIFColor& chosen) override
    {
        for (int v : {r, g, b}) {
            low = std::min(low, v);
            high = std::max(high, v);
        }
        return mono.Lookup(r, g, b, chosen);
    }
    TMonochromeLookup mono;
    int low = 255, high = 0;
};
} // namespace

TEST(FloydSteinberg, spreadsTheErrorAndKeepsChannelsInRange)
{
    // Mid grey on black and white: the first pixel rounds up to white, its
    // error (-127) makes the second black.
    RecordingLookup lookup;
    TFloydSteinbergDitherer fs(64, lookup);
    EXPECT_EQ(fs.Dither(128, 128, 128), 1);
    EXPECT_EQ(fs.Dither(128, 128, 128), 0);

    QImage grey = testsupport::solid(64, 64, 0x808080);
    std::vector<std::uint8_t> out(64 * 64);
    std::vector<GIFColor> palette;
    ASSERT_TRUE(ReduceToIndices(grey, 4, 1, {}, palette, out.data(), 64));
    const long white = std::count(out.begin(), out.end(), 1);
    EXPECT_NEAR(double(white) / double(out.size()), 0.5, 0.03);
    ASSERT_TRUE(ReduceToIndices(grey, 4, 0, {}, palette, out.data(), 64));
    EXPECT_EQ(std::count(out.begin(), out.end(), 1), 64 * 64);

    // Extremes everywhere: corrected values stay within 0..255.
    QImage harsh(50, 50, QImage::Format_RGB32);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x)
            harsh.setPixel(x, y, (x + y) % 3 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    RecordingLookup recorder;
    TFloydSteinbergDitherer engine(50, recorder);
    for (int y = 0; y < 50; ++y) {
        while (engine.Column() >= 0 && engine.Column() < 50) {
            const QRgb p = harsh.pixel(engine.Column(), y);
            engine.Dither(qRed(p), qGreen(p), qBlue(p));
        }
        engine.NextLine();
    }
    EXPECT_GE(recorder.low, 0);
    EXPECT_LE(recorder.high, 255);
}

TEST(ColorReduction, unprovidedMethodsGiveANullPicture)
{
    const QImage picture = testsupport::solid(4, 4, 0x123456);
    for (int method : {1, 2, 8, 11})  // 10 is the automatic reduction
        EXPECT_TRUE(ReduceColors(picture, method, 0).isNull()) << method;
    EXPECT_TRUE(ReduceColors(picture, 6, 7).isNull());
    EXPECT_TRUE(ReduceColors(picture, 7, 0, {}, 0).isNull());  // no colour at all
    EXPECT_TRUE(ReduceColors(picture, 7, 0, {}, 9).isNull());
    EXPECT_EQ(ReduceColors(picture, 0, 0).format(), QImage::Format_RGB32);
}

TEST(Dib, sizesAndBottomUpRows)
{
    const QImage picture = testsupport::solid(3, 2, 0x102030);
    int info = 0, image = 0;
    DIBSizes(picture, 8, info, image);
    EXPECT_EQ(info, 40 + 1024);
    EXPECT_EQ(image, 8);
    DIBSizes(picture, 24, info, image);
    EXPECT_EQ(info, 40);
    EXPECT_EQ(image, 24);
    EXPECT_THROW(DIBSizes(picture, 16, info, image), GIFException);
    try {
        DIBSizes(QImage(), 8, info, image);
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Image bitmap incorrecte");
    }
    QImage two = testsupport::solid(1, 2, 0x000000);
    two.setPixel(0, 0, qRgb(1, 2, 3));
    std::vector<std::uint8_t> header(40), bits(8);
    ASSERT_TRUE(ReadDIB(two, nullptr, header.data(), bits.data(), 24));
    EXPECT_EQ(header[14], 24);
    EXPECT_EQ((std::vector<std::uint8_t>(bits.begin() + 4, bits.begin() + 7)), (std::vector<std::uint8_t>{3, 2, 1}));
    // The palette given decides the indices.
    const QList<QRgb> palette{qRgb(0, 0, 0), qRgb(1, 2, 3)};
    std::vector<std::uint8_t> info8(40 + 1024), bits8(8);
    ASSERT_TRUE(ReadDIB(two, &palette, info8.data(), bits8.data(), 8));
    EXPECT_EQ(bits8[0], 0);
    EXPECT_EQ(bits8[4], 1);
}

TEST(FrameImport, alphaBecomesATransparentEntryAndTheMaskShowsIt)
{
    TGIFImage image;
    QImage picture(4, 3, QImage::Format_ARGB32);
    picture.fill(qRgba(255, 0, 0, 255));
    picture.setPixel(1, 1, qRgba(0, 0, 0, 0));
    image.AddFrameImage(picture);
    TGIFSubImage* frame = image.Images()[0];
    EXPECT_EQ(frame->ColorMap().Count(), 217);
    EXPECT_EQ(frame->TransparentIndex(), 216);
    EXPECT_EQ(frame->Pixel(1, 1), 216);
    EXPECT_EQ(frame->Pixel(0, 0), 180);
    const QImage mask = frame->RenderMask();
    ASSERT_FALSE(mask.isNull());
    EXPECT_EQ(mask.pixelIndex(1, 1), 1);
    EXPECT_EQ(mask.pixelIndex(0, 1), 0);
    const QImage bitmap = frame->RenderBitmap();
    EXPECT_EQ(bitmap.pixel(0, 0), qRgb(255, 0, 0));
    // Opaque alpha everywhere: the extra entry is taken back.
    picture.fill(qRgba(0, 0, 255, 255));
    image.AddFrameImage(picture);
    EXPECT_EQ(image.Images()[1]->ColorMap().Count(), 216);
    EXPECT_EQ(image.Images()[1]->GraphicControlExtension(), nullptr);
}

TEST(FrameImport, indexedPicturesKeepTheirPaletteAndIndices)
{
    QImage indexed(3, 1, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(9, 9, 9), qRgb(200, 100, 50)});
    indexed.setPixel(0, 0, 1);
    indexed.setPixel(1, 0, 0);
    indexed.setPixel(2, 0, 1);
    TGIFImage image;
    image.AddFrameImage(indexed);
    const TGIFSubImage* frame = image.Images()[0];
    EXPECT_EQ(frame->ColorMap().Count(), 2);
    EXPECT_EQ(frame->ColorMap()[1], (GIFColor{200, 100, 50}));
    EXPECT_EQ(frame->Data(), (std::vector<std::uint8_t>{1, 0, 1}));
}

TEST(FrameComposition, disposalMethodsAndTransparency)
{
    // Screen 3x1; frame 0 paints everything red (disposal 3 on frame 1,
    // 2 on frame 2); transparent pixels leave what is beneath.
    TGIFImage image;
    auto addFrame = [&image](int left, int width, std::vector<std::uint8_t> pixels, int disposal, int transparent) {
        auto s = std::make_unique<TGIFSubImage>(&image);
        TGIFSubImage* raw = s.get();
        image.AddFrameImage(std::move(s));
        raw->SetBounds(left, 0, width, 1);
        raw->Data() = std::move(pixels);
        auto gce = std::make_unique<TGIFGraphicControlExtension>(raw);
        gce->SetDisposalMethod(disposal);
        if (transparent >= 0) {
            gce->SetTransparentFlag(true);
            gce->SetTransparentIndex(transparent);
        }
        raw->Extensions().Add(std::move(gce));
    };
    image.GlobalColorMap().Add({255, 0, 0});
    image.GlobalColorMap().Add({0, 255, 0});
    image.GlobalColorMap().Add({0, 0, 255});
    addFrame(0, 3, {0, 0, 0}, 1, -1);
    addFrame(1, 2, {1, 2}, 3, 2);   // green over the middle, restored after
    addFrame(2, 1, {2}, 2, -1);     // blue at the right, cleared to white after
    addFrame(0, 1, {1}, 0, -1);
    const auto frames = ComposeFrames(image);
    ASSERT_EQ(frames.size(), 4u);
    auto row = [](const QImage& f) {
        return std::vector<QRgb>{f.pixel(0, 0), f.pixel(1, 0), f.pixel(2, 0)};
    };
    const QRgb r = qRgb(255, 0, 0), g = qRgb(0, 255, 0), b = qRgb(0, 0, 255), w = qRgb(255, 255, 255);
    EXPECT_EQ(row(frames[0]), (std::vector<QRgb>{r, r, r}));
    EXPECT_EQ(row(frames[1]), (std::vector<QRgb>{r, g, r}));
    EXPECT_EQ(row(frames[2]), (std::vector<QRgb>{r, r, b}));
    EXPECT_EQ(row(frames[3]), (std::vector<QRgb>{g, r, w}));
}

TEST(CubeDithering, theUnrolledPathGivesExactlyTheEnginesIndices)
{
    // Video frames take the unrolled path; pictures of every width must get
    // the same indices as the general Floyd-Steinberg engine over the cube.
    std::uint32_t seed = 12345;
    for (const QSize size : {QSize(1, 5), QSize(2, 3), QSize(7, 4), QSize(64, 33)}) {
        QImage picture(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                seed = seed * 1103515245u + 12345u;
                row[x] = 0xff000000u | (seed >> 8);
            }
        }
        const QImage fast = ReduceColors(picture, 6, 1);
        EXPECT_EQ(DitherToCubeRgb(picture), fast.convertToFormat(QImage::Format_RGB32));
        TNetscapeColorLookup cube;
        std::unique_ptr<TDitherEngine> engine = MakeDitherEngine(1, size.width(), cube);
        for (int y = 0; y < size.height(); ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
            while (engine->Column() >= 0 && engine->Column() < size.width()) {
                const int x = engine->Column();
                const int index = engine->Dither(qRed(src[x]), qGreen(src[x]), qBlue(src[x]));
                ASSERT_EQ(fast.constScanLine(y)[x], index) << size.width() << " x " << size.height() << " at " << x << "," << y;
            }
            engine->NextLine();
        }
    }
}

TEST(CubeDithering, framesDitheredTogetherEqualEachDitheredAlone)
{
    // Frames in three sizes, interleaved: a full batch of eight, a batch of
    // one and partly filled vectors must all match the one-frame engine.
    std::uint32_t seed = 777;
    std::vector<QImage> frames;
    for (int i = 0; i < 16; ++i) {
        const QSize size = i % 4 == 1 ? QSize(1, 4) : i == 14 ? QSize(640, 3) : QSize(37, 11);
        QImage picture(size, i == 4 ? QImage::Format_Indexed8 : i == 6 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (i == 4) {
            picture.setColorCount(256);
            for (int c = 0; c < 256; ++c)
                picture.setColor(c, qRgb(c, 255 - c, (c * 7) & 255));
        }
        for (int y = 0; y < size.height(); ++y) {
            uchar* row = picture.scanLine(y);
            for (int x = 0; x < picture.bytesPerLine(); ++x) {
                seed = seed * 1103515245u + 12345u;
                row[x] = uchar(seed >> 16);
            }
        }
        frames.push_back(picture);
    }
    frames.push_back(QImage());
    for (const auto dither : {DitherToCubeInPlace, DitherToCubeInPlaceWithoutAvx2}) {
        std::vector<QImage> together = frames;
        dither(together);
        ASSERT_EQ(together.size(), frames.size());
        for (std::size_t i = 0; i + 1 < frames.size(); ++i)
            EXPECT_EQ(together[i], DitherToCubeRgb(frames[i])) << "frame " << i;
        EXPECT_TRUE(together.back().isNull());
    }
}

// The entry nearest to (r, g, b) by squared distance, the first of equals
// winning, found by trying every entry: what the lookups must answer.
namespace {
int nearestByScan(const std::vector<GIFColor>& palette, int r, int g, int b)
{
    int best = 0, smallest = 1 << 30;
    for (int i = 0; i < int(palette.size()); ++i) {
        const int dr = palette[std::size_t(i)].r - r, dg = palette[std::size_t(i)].g - g,
                  db = palette[std::size_t(i)].b - b;
        if (dr * dr + dg * dg + db * db < smallest) {
            smallest = dr * dr + dg * dg + db * db;
            best = i;
        }
    }
    return best;
}
} // namespace

// The optimised palette's lookup gives every colour its true nearest entry
// (squared distance, first entry winning ties), whatever the colours asked
// before it in the same 6-6-6 cell.
class OptimisedLookup : public ::testing::TestWithParam<int> {};

TEST_P(OptimisedLookup, everyColourGetsItsNearestEntry)
{
    std::mt19937 rng{std::uint32_t(GetParam())};
    std::vector<GIFColor> palette;
    for (int i = 0; i < GetParam(); ++i)
        palette.push_back({std::uint8_t(rng() % 256), std::uint8_t(rng() % 256), std::uint8_t(rng() % 256)});
    // Near pairs inside one cell, so a cell's first answer does not fit all.
    palette.push_back({100, 100, 100});
    palette.push_back({103, 100, 100});
    TOptimisedColorLookup lookup(palette);
    for (int k = 0; k < 20000; ++k) {
        const int r = k < 64 ? 100 + k % 4 : int(rng() % 256), g = k < 64 ? 100 + k / 4 % 4 : int(rng() % 256),
                  b = k < 64 ? 100 + k / 16 % 4 : int(rng() % 256);
        GIFColor chosen;
        const int index = lookup.Lookup(r, g, b, chosen);
        const int expected = nearestByScan(palette, r, g, b);
        const GIFColor& e = palette[std::size_t(expected)];
        // An equal colour earlier in the palette is the same answer.
        ASSERT_TRUE(chosen == e) << r << "," << g << "," << b << ": " << index << " for " << expected;
    }
}

INSTANTIATE_TEST_SUITE_P(PaletteSizes, OptimisedLookup, ::testing::Values(1, 7, 60, 254));

TEST(OptimisedLookupTables, aTableUsedByAnotherPaletteAnswersAsAFreshOne)
{
    // The cell tables are lent from lookup to lookup: one that another
    // palette filled (and one lent while that lookup is still alive) must
    // give every colour its nearest entry in the new palette.
    std::mt19937 rng{99};
    std::vector<GIFColor> first, second;
    for (int i = 0; i < 200; ++i)
        first.push_back({std::uint8_t(rng() % 256), std::uint8_t(rng() % 256), std::uint8_t(rng() % 256)});
    for (int i = 0; i < 9; ++i)
        second.push_back({std::uint8_t(rng() % 256), std::uint8_t(rng() % 256), std::uint8_t(rng() % 256)});
    std::vector<std::array<int, 3>> colours;
    for (int k = 0; k < 30000; ++k)
        colours.push_back({int(rng() % 256), int(rng() % 256), int(rng() % 256)});
    {
        TOptimisedColorLookup used(first);
        for (const auto& [r, g, b] : colours)
            ASSERT_EQ(used.Nearest(r, g, b), nearestByScan(first, r, g, b));
    }
    TOptimisedColorLookup again(second);  // takes the table just given back
    TOptimisedColorLookup alive(first);
    for (const auto& [r, g, b] : colours) {
        ASSERT_EQ(again.Nearest(r, g, b), nearestByScan(second, r, g, b)) << r << "," << g << "," << b;
        ASSERT_EQ(alive.Nearest(r, g, b), nearestByScan(first, r, g, b)) << r << "," << g << "," << b;
    }
}

// The chosen palette dithers only where it helps: nothing in flat areas nor
// where the palette holds the colour closely; fully where it is far; half
// as much on strong edges.
TEST(SelectiveDithering, strengthFollowsFlatnessErrorAndEdges)
{
    const std::vector<GIFColor> palette{{0, 0, 0}, {255, 255, 255}, {128, 128, 128}, {40, 40, 40}};
    TOptimisedColorLookup lookup(palette);
    QImage picture(64, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x) {
            QRgb c = qRgb(200, 30, 30);  // flat, far from every entry
            if (x >= 16 && x < 32)
                c = qRgb(126 + (x + y) % 5, 128, 128);  // busy but close to grey
            else if (x >= 32 && x < 48)
                c = qRgb(70 + 3 * (x + y), 70, 70);  // busy and far from the palette
            else if (x >= 48)
                c = x % 2 ? qRgb(0, 0, 0) : qRgb(170, 170, 170);  // hard edges, far
            picture.setPixel(x, y, c);
        }
    const std::vector<std::uint8_t> s = DitherStrengths(picture, lookup);
    const auto at = [&s](int x, int y) { return int(s[std::size_t(y * 64 + x)]); };
    for (int y = 1; y < 7; ++y) {
        EXPECT_EQ(at(5, y), 0) << "flat";
        EXPECT_EQ(at(24, y), 0) << "near the palette";
        EXPECT_EQ(at(40, y), 16) << "far and busy";
        EXPECT_EQ(at(54, y), 8) << "on an edge";
    }
}

TEST(SelectiveDithering, flatAreasComeOutWithoutNoiseInEveryDitherMode)
{
    // A flat block beside a gradient: the palette of four entries cannot
    // hold either, but only the gradient may be dithered.
    QImage picture(96, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 96; ++x)
            picture.setPixel(x, y, x < 48 ? qRgb(90, 150, 60) : qRgb(x * 2, y * 5, 255 - x));
    const std::vector<GIFColor> palette{{0, 0, 0}, {255, 255, 255}, {60, 160, 40}, {200, 60, 200}};
    for (int mode = 1; mode <= 6; ++mode) {
        const QImage reduced = ReduceColors(picture, 7, mode, palette);
        ASSERT_FALSE(reduced.isNull());
        std::set<int> flat;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 44; ++x)
                flat.insert(reduced.pixelIndex(x, y));
        EXPECT_EQ(flat.size(), 1u) << "mode " << mode;
        std::set<int> gradient;
        for (int y = 0; y < 48; ++y)
            for (int x = 52; x < 96; ++x)
                gradient.insert(reduced.pixelIndex(x, y));
        EXPECT_GT(gradient.size(), 1u) << "mode " << mode;
    }
}

TEST(SelectiveDithering, theUnrolledFloydGivesExactlyTheEnginesIndices)
{
    // The optimised palette with Floyd-Steinberg takes an unrolled path; it
    // must give the indices of the general engine fed the same strengths,
    // on flat runs, noise and gradients, at every width.
    std::uint32_t seed = 4242;
    const std::vector<GIFColor> palette{{0, 0, 0},     {255, 255, 255}, {200, 40, 40}, {40, 200, 40},
                                        {40, 40, 200}, {128, 128, 128}, {90, 150, 60}, {250, 200, 20}};
    for (const QSize size : {QSize(1, 6), QSize(3, 3), QSize(17, 9), QSize(120, 40)}) {
        QImage picture(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                seed = seed * 1103515245u + 12345u;
                if (x < size.width() / 3)
                    row[x] = qRgb(90, 150, 60);  // flat: not dithered
                else if (x < 2 * size.width() / 3)
                    row[x] = 0xff000000u | (seed >> 8);  // noise: fully
                else
                    row[x] = qRgb(x * 2 % 256, y * 6 % 256, 255 - x % 256);  // gradient
            }
        }
        const QImage fast = ReduceColors(picture, 7, 1, palette);
        ASSERT_FALSE(fast.isNull());
        TOptimisedColorLookup lookup(palette);
        const std::vector<std::uint8_t> strengths = DitherStrengths(picture, lookup);
        std::unique_ptr<TDitherEngine> engine = MakeDitherEngine(1, size.width(), lookup);
        for (int y = 0; y < size.height(); ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
            while (engine->Column() >= 0 && engine->Column() < size.width()) {
                const int x = engine->Column();
                engine->SetStrength(strengths[std::size_t(y * size.width() + x)]);
                const int index = engine->Dither(qRed(src[x]), qGreen(src[x]), qBlue(src[x]));
                ASSERT_EQ(fast.constScanLine(y)[x], index) << size.width() << " x " << size.height() << " at " << x << "," << y;
            }
            engine->NextLine();
        }
    }
}

TEST(OptimisedLookupCrowded, entriesClusteredFarAwayStillGiveTheNearest)
{
    // 256 entries packed in one corner: from the far side of the cube many
    // entries could be nearest, and the cells searched whole keep the answer
    // exact.
    std::vector<GIFColor> palette;
    for (int i = 0; i < 256; ++i)
        palette.push_back({std::uint8_t(i % 8), std::uint8_t(i / 8 % 8), std::uint8_t(i / 64)});
    TOptimisedColorLookup lookup(palette);
    std::mt19937 rng{7};
    for (int k = 0; k < 5000; ++k) {
        const int r = int(rng() % 256), g = int(rng() % 256), b = int(rng() % 256);
        GIFColor chosen;
        lookup.Lookup(r, g, b, chosen);
        const GIFColor want{std::uint8_t(std::min(r, 7)), std::uint8_t(std::min(g, 7)), std::uint8_t(std::min(b, 3))};
        ASSERT_TRUE(chosen == want) << r << "," << g << "," << b;
    }
}
