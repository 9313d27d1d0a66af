// LZW coding: hand-derived code streams, round trips over many sizes and
// palettes, and the decoder's handling of damaged data.
#include "gif/lzw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

using namespace orugif::gif;

namespace {

std::vector<std::uint8_t> encode(const std::vector<std::uint8_t>& pixels, int width, int height,
                                 bool interlaced = false, int colors = 256)
{
    ByteWriter out;
    EncodeImage(out, colors, pixels.data(), interlaced, height, width);
    return out.data();
}

struct Decoded {
    std::vector<std::uint8_t> pixels;
    std::vector<std::string> warnings;
    std::size_t position = 0;
};

Decoded decode(const std::vector<std::uint8_t>& data, int width, int height, bool interlaced = false,
               std::uint8_t fill = 0)
{
    Decoded d;
    d.pixels.resize(std::size_t(width) * std::size_t(height));
    ByteReader in(data);
    DecodeImageData(in, d.pixels, width, height, interlaced, fill,
                    [&d](const char* m) { d.warnings.emplace_back(m); });
    d.position = in.position();
    return d;
}

// Packs codes of given widths least significant bit first into one data
// sub-block, preceded by the minimum code size.
std::vector<std::uint8_t> pack(int minCodeSize, const std::vector<std::pair<int, int>>& codes,
                               bool terminate = true)
{
    std::vector<std::uint8_t> bytes;
    std::uint64_t acc = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        acc |= std::uint64_t(code) << bits;
        bits += width;
        while (bits >= 8) {
            bytes.push_back(std::uint8_t(acc));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0)
        bytes.push_back(std::uint8_t(acc));
    std::vector<std::uint8_t> out{std::uint8_t(minCodeSize)};
    for (std::size_t at = 0; at < bytes.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, bytes.size() - at);
        out.push_back(std::uint8_t(n));
        out.insert(out.end(), bytes.begin() + long(at), bytes.begin() + long(at + n));
    }
    if (terminate)
        out.push_back(0);
    return out;
}

} // namespace

TEST(LzwEncoder, oneColourImageUsesCodeSizeTwoAndThreeBitCodes)
{
    // clear 4, pixel 0, end 5, each 3 bits: 100 000 101 -> 0x44 0x01.
    EXPECT_EQ(encode({0}, 1, 1, false, 1), (std::vector<std::uint8_t>{0x02, 0x02, 0x44, 0x01, 0x00}));
}

TEST(LzwEncoder, widthGrowsAfterTheCodeThatFillsTheCurrentWidth)
{
    // 0 1 1 1: clear(4) 0 1 7 at 3 bits; entry 7 makes the next free code 8,
    // so the end code (5) goes out with 4 bits.
    EXPECT_EQ(encode({0, 1, 1, 1}, 4, 1, false, 2),
              (std::vector<std::uint8_t>{0x02, 0x02, 0x44, 0x5E, 0x00}));
}

TEST(LzwEncoder, clearsWhenTheNextFreeCodeWouldReach4095)
{
    // 4096 pixels in which no pair of neighbours repeats: every pixel is
    // emitted as its own code and adds one table entry, so the code k-th
    // code goes out while the next free code is 258 + k.
    std::vector<std::uint8_t> pixels;
    for (int step = 1; step < 32; step += 2)
        for (int i = 0; i < 256; ++i)
            pixels.push_back(std::uint8_t(i * step));
    ASSERT_EQ(pixels.size(), 4096u);
    std::vector<std::pair<int, int>> codes{{256, 9}};
    for (int k = 0; k < 4096; ++k) {
        int width;
        if (k <= 254)
            width = 9;           // next free 258..512
        else if (k <= 766)
            width = 10;          // ..1024
        else if (k <= 1790)
            width = 11;          // ..2048
        else if (k <= 3837)
            width = 12;          // up to 4095, where the table restarts
        else if (k <= 4092)
            width = 9;           // after the clear: 258 again
        else
            width = 10;
        codes.push_back({pixels[std::size_t(k)], width});
        if (k == 3837)
            codes.push_back({256, 12});  // clear in the width then in force
    }
    codes.push_back({257, 10});
    EXPECT_EQ(encode(pixels, 64, 64), pack(8, codes));
    EXPECT_EQ(decode(encode(pixels, 64, 64), 64, 64).pixels, pixels);
}

TEST(LzwEncoder, codeSizeFollowsTheHighestIndexUsed)
{
    // Whatever the table, pixels up to 3 take the smallest size (2), up to
    // 9 four bits, up to 200 eight.
    for (auto [highest, size] : {std::pair{3, 2}, std::pair{9, 4}, std::pair{200, 8}}) {
        std::vector<std::uint8_t> pixels(300);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = std::uint8_t(i * 7 % std::size_t(highest + 1));
        const auto data = encode(pixels, 20, 15);
        EXPECT_EQ(data[0], size);
        EXPECT_EQ(decode(data, 20, 15).pixels, pixels);
    }
}

TEST(LzwEncoder, subBlocksHoldAtMost255Bytes)
{
    std::mt19937 rng(7);
    std::vector<std::uint8_t> pixels(5000);
    for (auto& p : pixels)
        p = std::uint8_t(rng());
    const auto data = encode(pixels, 100, 50);
    std::size_t at = 1;
    std::vector<int> lengths;
    while (data[at] != 0) {
        lengths.push_back(data[at]);
        at += 1 + data[at];
    }
    EXPECT_EQ(at, data.size() - 1);
    for (std::size_t i = 0; i + 1 < lengths.size(); ++i)
        EXPECT_EQ(lengths[i], 255);
    EXPECT_GT(lengths.back(), 0);
}

TEST(LzwEncoder, refusesAPixelOutsideTheColourTable)
{
    ByteWriter out;
    const std::vector<std::uint8_t> pixels{0, 1, 2, 5};
    try {
        EncodeImage(out, 4, pixels.data(), false, 1, 4);
        FAIL() << "no exception";
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Color not in color table");
    }
}

TEST(LzwRoundTrip, everySizeUpTo20InterlacedAndNot)
{
    std::mt19937 rng(1);
    for (int w = 1; w <= 20; ++w)
        for (int h = 1; h <= 20; ++h)
            for (bool interlaced : {false, true}) {
                std::vector<std::uint8_t> pixels(std::size_t(w * h));
                for (auto& p : pixels)
                    p = std::uint8_t(rng() % 5);
                const auto d = decode(encode(pixels, w, h, interlaced, 5), w, h, interlaced);
                ASSERT_EQ(d.pixels, pixels) << w << "x" << h << (interlaced ? " interlaced" : "");
                EXPECT_TRUE(d.warnings.empty());
            }
}

TEST(LzwRoundTrip, everyTableSizeFrom1To256)
{
    std::mt19937 rng(2);
    for (int colors = 1; colors <= 256; ++colors) {
        const int w = 37, h = 23;
        std::vector<std::uint8_t> pixels(std::size_t(w * h));
        // Runs and noise, so strings of many lengths occur.
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = std::uint8_t((i / 7 + (rng() % 3 == 0 ? rng() : 0)) % std::size_t(colors));
        int bits = 2;
        while ((1 << bits) <= *std::max_element(pixels.begin(), pixels.end()))
            ++bits;
        const auto data = encode(pixels, w, h, colors % 2 == 0, colors);
        EXPECT_EQ(data[0], bits);
        ASSERT_EQ(decode(data, w, h, colors % 2 == 0).pixels, pixels) << colors << " colours";
    }
}

TEST(LzwRoundTrip, largeImagesAndLongRuns)
{
    std::mt19937 rng(3);
    for (auto [w, h] : {std::pair{1000, 1}, std::pair{1, 1000}, std::pair{640, 480}, std::pair{2000, 300}}) {
        std::vector<std::uint8_t> pixels(std::size_t(w) * std::size_t(h));
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = std::uint8_t((i % 997 < 500) ? 3 : rng() % 256);
        ASSERT_EQ(decode(encode(pixels, w, h), w, h).pixels, pixels) << w << "x" << h;
    }
    // One colour everywhere makes the longest strings the table can hold.
    std::vector<std::uint8_t> flat(std::size_t(3000) * 3000, 9);
    EXPECT_EQ(decode(encode(flat, 3000, 3000, false, 16), 3000, 3000).pixels, flat);
}

TEST(LzwRoundTrip, interlacedRowsLandInPlaceForShortImages)
{
    for (int h : {1, 2, 3, 4, 5, 8, 9, 17}) {
        std::vector<std::uint8_t> pixels(std::size_t(3 * h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < 3; ++x)
                pixels[std::size_t(y * 3 + x)] = std::uint8_t(y);
        ASSERT_EQ(decode(encode(pixels, 3, h, true, 32), 3, h, true).pixels, pixels) << h;
    }
    EXPECT_EQ(storedRowOrder(5, true), (std::vector<int>{0, 4, 2, 1, 3}));
}

TEST(LzwDecoder, missingEndCodeWarnsAndKeepsTheFill)
{
    // clear, 1, then the terminator: the second pixel is never reached.
    const auto data = pack(2, {{4, 3}, {1, 3}});
    const auto d = decode(data, 2, 1, false, 3);
    EXPECT_EQ(d.pixels, (std::vector<std::uint8_t>{1, 3}));
    EXPECT_EQ(d.warnings, std::vector<std::string>{"Decoder bit buffer under-run"});
    EXPECT_EQ(d.position, data.size());
}

TEST(LzwDecoder, dataEndingAfterACopiedStringLeavesTheRestAtTheFill)
{
    // clear twice, 0, 1, 2, 3 (the width grows to 4 bits), then code 6 =
    // "0 1" at pixel 4, and the data ends (one bit short of another code):
    // pixels 6 on keep the fill.
    const auto data = pack(2, {{4, 3}, {4, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}, {6, 4}});
    const auto d = decode(data, 40, 1, false, 0xEE);
    std::vector<std::uint8_t> expected(40, 0xEE);
    for (std::uint8_t i : {0, 1, 2, 3})
        expected[i] = i;
    expected[4] = 0;
    expected[5] = 1;
    EXPECT_EQ(d.pixels, expected);
    EXPECT_EQ(d.warnings, std::vector<std::string>{"Decoder bit buffer under-run"});
}

TEST(LzwDecoder, earlyEndCodeStopsSilentlyAfterTheTerminator)
{
    auto data = pack(2, {{4, 3}, {2, 3}, {5, 3}});
    data.push_back(0x3B);  // what follows the image data stays unread
    const auto d = decode(data, 3, 1, false, 1);
    EXPECT_EQ(d.pixels, (std::vector<std::uint8_t>{2, 1, 1}));
    EXPECT_TRUE(d.warnings.empty());
    EXPECT_EQ(d.position, data.size() - 1);
}

TEST(LzwDecoder, subBlockLongerThanTheFileWarnsAndDecodesWhatIsThere)
{
    std::vector<std::uint8_t> pixels(64);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = std::uint8_t(i % 4);
    auto data = encode(pixels, 8, 8, false, 4);
    data.erase(data.end() - 4, data.end());  // cut inside the only sub-block
    const auto d = decode(data, 8, 8, false, 0);
    EXPECT_EQ(d.warnings.front(), "Premature end of data");
    EXPECT_EQ(std::vector<std::uint8_t>(d.pixels.begin(), d.pixels.begin() + 8),
              std::vector<std::uint8_t>(pixels.begin(), pixels.begin() + 8));
}

TEST(LzwDecoder, extraDataAfterTheLastPixelIsSkippedToTheTerminator)
{
    const auto data = pack(2, {{4, 3}, {1, 3}, {1, 3}, {1, 3}, {5, 4}});
    const auto d = decode(data, 1, 1);
    EXPECT_EQ(d.pixels, std::vector<std::uint8_t>{1});
    EXPECT_EQ(d.position, data.size());
}

TEST(LzwDecoder, refusesMinimumCodeSizeAbove11)
{
    std::vector<std::uint8_t> pixels(4);
    for (int size : {12, 59, 255}) {
        const std::vector<std::uint8_t> data{std::uint8_t(size), 2, 0xFF, 0xFF, 0};
        ByteReader in(data);
        EXPECT_THROW(DecodeImageData(in, pixels, 2, 2, false, 0, [](const char*) {}), GIFException);
    }
    // Size 11 is allowed: codes start 12 bits wide.
    const auto d = decode(pack(11, {{2048, 12}, {7, 12}, {2049, 12}}), 1, 1);
    EXPECT_EQ(d.pixels, std::vector<std::uint8_t>{7});
}

TEST(LzwDecoder, selfReferencingEntryIsRefused)
{
    // A code above the next free one makes entry 7 its own prefix.
    const auto data = pack(2, {{4, 3}, {0, 3}, {7, 3}, {1, 3}, {7, 4}});
    std::vector<std::uint8_t> pixels(16);
    ByteReader in(data);
    try {
        DecodeImageData(in, pixels, 4, 4, false, 0, [](const char*) {});
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Circular decoder table entry");
    }
}

TEST(LzwDecoder, tableLoopLongerThanTheStackIsRefused)
{
    // Entries 11 and 12 end up as each other's prefix.
    const auto data = pack(3, {{8, 4}, {0, 4}, {12, 4}, {11, 4}, {0, 4}, {11, 4}});
    std::vector<std::uint8_t> pixels(100);
    ByteReader in(data);
    try {
        DecodeImageData(in, pixels, 10, 10, false, 0, [](const char*) {});
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Decoder stack overflow");
    }
}

TEST(LzwDecoder, codesAboveTheNextFreeCodeRepeatTheLastString)
{
    // After the first pixel, code 7 (next free is 6) yields old + first.
    const auto d = decode(pack(2, {{4, 3}, {2, 3}, {7, 3}, {5, 3}}), 3, 1);
    EXPECT_EQ(d.pixels, (std::vector<std::uint8_t>{2, 2, 2}));
}

TEST(LzwChoice, takesEitherValueInTheOrderTheRowsAreStored)
{
    // Where `first` is 9 (a transparent pixel over a picture), either value
    // may be taken; elsewhere both agree and the value stays.
    std::mt19937 rng(5);
    const int w = 37, h = 21;
    std::vector<std::uint8_t> picture(std::size_t(w * h)), holes(picture.size());
    for (std::size_t i = 0; i < picture.size(); ++i) {
        picture[i] = std::uint8_t(i % 5 == 0 ? rng() % 8 : (i / 3) % 4);
        holes[i] = rng() % 3 ? 9 : picture[i];
    }
    for (bool interlaced : {false, true}) {
        const auto chosen = ChooseForCompression(holes.data(), picture.data(), interlaced, h, w);
        ASSERT_EQ(chosen.size(), holes.size());
        std::size_t taken[2] = {0, 0};
        for (std::size_t i = 0; i < chosen.size(); ++i) {
            ASSERT_TRUE(chosen[i] == holes[i] || chosen[i] == picture[i]) << i;
            if (holes[i] != picture[i])
                ++taken[chosen[i] == 9 ? 0 : 1];
        }
        // Both values serve somewhere: the choice is made pixel by pixel.
        EXPECT_GT(taken[0], 0u);
        EXPECT_GT(taken[1], 0u);
        EXPECT_EQ(decode(encode(chosen, w, h, interlaced), w, h, interlaced).pixels, chosen);
    }
}
