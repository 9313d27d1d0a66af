// The chosen reductions: each error-diffusion kernel's weights against the
// published tables on a hand-worked 4 x 3 case, in both scan directions, the
// clamping of corrected values, and method 7's palette.
#include "gif/colorreduction.h"
#include "gif/quantize.h"

#include "support/testsupport.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace orugif::gif;

namespace {

// Chooses black for a full-white corrected colour and the exact colour for
// any other, and records the corrected red value at each pixel: one pixel
// of error 255 then shows where, and in what share, the kernel sends it.
class Recording : public TColorLookup {
public:
    Recording() : TColorLookup(256) {}
    int Lookup(int r, int g, int b, GIFColor& chosen) override
    {
        seen.push_back(r);
        chosen = r == 255 ? GIFColor{} : GIFColor{std::uint8_t(r), std::uint8_t(g), std::uint8_t(b)};
        return 0;
    }
    std::vector<int> seen;
};

// The 4 x 3 picture, black but for one white pixel at `source`; returns the
// corrected red value at every pixel, row by row.
std::vector<int> diffuse(int mode, QPoint source, int& lookups)
{
    const int w = 4, h = 3;
    Recording lookup;
    auto engine = MakeDitherEngine(mode, w, lookup);
    std::vector<int> at(std::size_t(w * h), -1);
    for (int y = 0; y < h; ++y) {
        while (engine->Column() >= 0 && engine->Column() < w) {
            const int x = engine->Column();
            const int v = QPoint(x, y) == source ? 255 : 0;
            engine->Dither(v, v, v);
            at[std::size_t(y * w + x)] = lookup.seen.back();
        }
        engine->NextLine();
    }
    lookups = int(lookup.seen.size());
    return at;
}

struct Kernel {
    int mode;
    const char* name;
    // (dx ahead in the scan direction, dy below, weight), and the divisor:
    // the published tables.
    std::vector<std::array<int, 3>> weights;
    int divisor;
};

class Diffusion : public ::testing::TestWithParam<Kernel> {};

} // namespace

TEST_P(Diffusion, spreadsTheErrorByTheKernelsWeightsAndMirrorsItOnReversedRows)
{
    const Kernel& k = GetParam();
    // Row 0 runs left to right, row 1 right to left.
    for (const QPoint source : {QPoint(1, 0), QPoint(2, 1)}) {
        const int direction = source.y() % 2 == 0 ? 1 : -1;
        std::map<std::pair<int, int>, int> expected;
        for (const auto& [dx, dy, weight] : k.weights) {
            const int x = source.x() + dx * direction, y = source.y() + dy;
            if (x >= 0 && x < 4 && y < 3)
                expected[{x, y}] = (255 * weight + k.divisor / 2) / k.divisor;
        }
        int lookups = 0;
        const std::vector<int> got = diffuse(k.mode, source, lookups);
        EXPECT_EQ(lookups, 12);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) {
                const auto it = expected.find({x, y});
                const int want = QPoint(x, y) == source ? 255 : it != expected.end() ? it->second : 0;
                EXPECT_EQ(got[std::size_t(y * 4 + x)], want) << k.name << " from (" << source.x() << ", "
                                                             << source.y() << ") at (" << x << ", " << y << ")";
            }
    }
}

TEST_P(Diffusion, keepsEveryCorrectedChannelWithinRangeHoweverLargeTheError)
{
    // White everywhere, always answered black: the error only grows.
    class AlwaysBlack : public TColorLookup {
    public:
        AlwaysBlack() : TColorLookup(1) {}
        int Lookup(int r, int g, int b, GIFColor& chosen) override
        {
            low = std::min({low, r, g, b});
            high = std::max({high, r, g, b});
            chosen = {};
            return 0;
        }
        int low = 255, high = 0;
    } lookup;
    const int w = 9;
    auto engine = MakeDitherEngine(GetParam().mode, w, lookup);
    for (int y = 0; y < 9; ++y) {
        while (engine->Column() >= 0 && engine->Column() < w)
            engine->Dither(255, 255, 255);
        engine->NextLine();
    }
    EXPECT_EQ(lookup.low, 255);
    EXPECT_EQ(lookup.high, 255);
}

INSTANTIATE_TEST_SUITE_P(
    Kernels, Diffusion,
    ::testing::Values(
        Kernel{1, "FloydSteinberg", {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}, 16},
        Kernel{2, "Stucki",
               {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}, {-2, 2, 1}, {-1, 2, 2},
                {0, 2, 4}, {1, 2, 2}, {2, 2, 1}},
               42},
        Kernel{3, "Sierra",
               {{1, 0, 5}, {2, 0, 3}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5}, {1, 1, 4}, {2, 1, 2}, {-1, 2, 2}, {0, 2, 3},
                {1, 2, 2}},
               32},
        Kernel{4, "JarvisJudiceNinke",
               {{1, 0, 7}, {2, 0, 5}, {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5}, {2, 1, 3}, {-2, 2, 1}, {-1, 2, 3},
                {0, 2, 5}, {1, 2, 3}, {2, 2, 1}},
               48},
        Kernel{5, "StevensonArce",
               {{2, 0, 32}, {-3, 1, 12}, {-1, 1, 26}, {1, 1, 30}, {3, 1, 16}, {-2, 2, 12}, {0, 2, 26}, {2, 2, 12}},
               200},
        Kernel{6, "Burkes", {{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}}, 32}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OptimisedPalette, holdsAtMostTwoToTheBitsColours)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 5, (x * y) % 256));
    for (int bits : {1, 2, 5, 8})
        for (int dither : {0, 1, 4}) {
            const QImage reduced = ReduceColors(picture, 7, dither, {}, bits);
            ASSERT_FALSE(reduced.isNull()) << bits;
            EXPECT_GE(reduced.colorCount(), 1);
            EXPECT_LE(reduced.colorCount(), 1 << bits) << bits << " bits, dither " << dither;
            std::set<int> used;
            for (int y = 0; y < reduced.height(); ++y)
                for (int x = 0; x < reduced.width(); ++x)
                    used.insert(reduced.pixelIndex(x, y));
            EXPECT_LT(*used.rbegin(), reduced.colorCount());
        }
}

TEST(OptimisedPalette, aPictureWithFewEnoughColoursComesBackExactlyEvenDithered)
{
    // 256 greys: neighbours share their 5-5-5 key, so only an exact mapping
    // keeps them apart.
    QImage picture(32, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 32; ++x) {
            const int v = (y * 32 + x * 7) % 256;
            picture.setPixel(x, y, qRgb(v, v, 255 - v));
        }
    for (int dither : {0, 1, 2, 5}) {
        const QImage reduced = ReduceColors(picture, 7, dither);
        ASSERT_FALSE(reduced.isNull());
        EXPECT_EQ(reduced.convertToFormat(QImage::Format_RGB32), picture) << "dither " << dither;
    }
    // A single colour, one pixel, and long thin frames.
    for (const QSize size : {QSize(1, 1), QSize(5, 3), QSize(4096, 1), QSize(1, 4096)})
        for (int dither = 0; dither <= 6; ++dither) {
            const QImage one = testsupport::solid(size.width(), size.height(), 0x336699);
            const QImage reduced = ReduceColors(one, 7, dither);
            ASSERT_EQ(reduced.colorCount(), 1);
            EXPECT_EQ(reduced.color(0) & 0xFFFFFFu, 0x336699u);
        }
}

TEST(OptimisedPalette, isCloseToAPhotographsColours)
{
    // A smooth picture of many colours: the chosen 256 leave a small error,
    // far below the 216-colour cube's.
    QImage picture(96, 64, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(40 + x, 90 + y + x / 4, 200 - y));
    const auto meanError = [&](const QImage& reduced) {
        const QImage rgb = reduced.convertToFormat(QImage::Format_RGB32);
        double sum = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb a = picture.pixel(x, y), b = rgb.pixel(x, y);
                sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
            }
        return sum / (3.0 * picture.width() * picture.height());
    };
    const double optimised = meanError(ReduceColors(picture, 7, 0));
    const double cube = meanError(ReduceColors(picture, 6, 0));
    EXPECT_LT(optimised, 3.0);
    EXPECT_LT(optimised * 3, cube);
}

TEST(OptimisedPalette, itsLookupKeepsPaletteColoursThatShareACacheCell)
{
    // (8, 8, 8) and (9, 9, 9) share a 5-5-5 key: the plain fast lookup gives
    // both the first one's entry, method 7's gives each its own.
    const std::vector<GIFColor> palette{{200, 0, 0}, {8, 8, 8}, {9, 9, 9}, {15, 15, 15}};
    TOptimisedColorLookup lookup(palette);
    GIFColor chosen;
    EXPECT_EQ(lookup.Lookup(9, 9, 9, chosen), 2);
    EXPECT_EQ(lookup.Lookup(8, 8, 8, chosen), 1);
    EXPECT_EQ(lookup.Lookup(15, 15, 15, chosen), 3);
    EXPECT_EQ(chosen, (GIFColor{15, 15, 15}));
    EXPECT_EQ(lookup.Lookup(190, 3, 2, chosen), 0);  // not in the palette: the nearest
    TFastColorLookup plain(palette);
    EXPECT_EQ(plain.Lookup(9, 9, 9, chosen), 1);
}

TEST(OptimisedPalette, itsLookupTakesTheNearestEntryBySquaredDistanceInAFineCell)
{
    // Black is 70 + 0 + 0 from (70, 0, 0) and 30 + 30 + 30 from (30, 30, 30):
    // nearer the first by |d| sums, the second by squared distance.
    const std::vector<GIFColor> palette{{70, 0, 0}, {30, 30, 30}, {60, 100, 0}, {72, 100, 0}};
    TOptimisedColorLookup lookup(palette);
    GIFColor chosen;
    EXPECT_EQ(lookup.Lookup(0, 0, 0, chosen), 1);
    EXPECT_EQ(chosen, (GIFColor{30, 30, 30}));
    // (64, 100, 0) and (68, 100, 0) share a 5-5-5 key but not a 6-6-6 one:
    // each gets its own nearest entry.
    EXPECT_EQ(lookup.Lookup(64, 100, 0, chosen), 2);
    EXPECT_EQ(lookup.Lookup(68, 100, 0, chosen), 3);
}

TEST(OptimisedPalette, theVectorSearchFindsTheFirstNearestEntry)
{
    // Against a plain search, on palettes of every padding, with repeated
    // entries (ties go to the first) and colours far from all entries.
    std::uint32_t seed = 99;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return int(seed >> 16 & 0xFF);
    };
    for (const int size : {1, 3, 8, 9, 17, 255, 256}) {
        std::vector<GIFColor> palette;
        for (int i = 0; i < size; ++i)
            palette.push_back(i % 5 == 4 ? palette[std::size_t(i / 2)]
                                         : GIFColor{std::uint8_t(next()), std::uint8_t(next()), std::uint8_t(next())});
        const PaletteChannels channels(palette);
        for (int probe = 0; probe < 300; ++probe) {
            const int r = next(), g = next(), b = next();
            int best = 1 << 30, expected = 0;
            for (int i = 0; i < size; ++i) {
                const int dr = palette[std::size_t(i)].r - r, dg = palette[std::size_t(i)].g - g,
                          db = palette[std::size_t(i)].b - b;
                if (dr * dr + dg * dg + db * db < best) {
                    best = dr * dr + dg * dg + db * db;
                    expected = i;
                }
            }
            ASSERT_EQ(channels.nearest(r, g, b), expected) << size << " entries, colour " << r << "," << g << "," << b;
        }
    }
    EXPECT_EQ(PaletteChannels({}).nearest(1, 2, 3), 0);
}
