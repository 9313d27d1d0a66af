// Colour table and frame optimisation of a GIF image before it is saved.
#include "gif/compose.h"
#include "gif/gifimage.h"
#include "gif/lzw.h"

#include "support/reference.h"
#include "support/testsupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <set>

using namespace orugif::gif;

namespace {

TGIFGraphicControlExtension* addControl(TGIFSubImage* s, int delay, int disposal = 0)
{
    auto gce = std::make_unique<TGIFGraphicControlExtension>(s);
    gce->SetDelayTime(delay);
    gce->SetDisposalMethod(disposal);
    auto* raw = gce.get();
    s->Extensions().Add(std::move(gce));
    return raw;
}

// A frame on the global table with the given pixels.
TGIFSubImage* addIndexedFrame(TGIFImage& image, int left, int top, int w, int h, std::vector<std::uint8_t> pixels)
{
    auto s = std::make_unique<TGIFSubImage>(&image);
    TGIFSubImage* raw = s.get();
    image.AddFrameImage(std::move(s));
    raw->SetBounds(left, top, w, h);
    raw->Data() = std::move(pixels);
    return raw;
}

// A global table of `count` distinct colours.
void distinctTable(TGIFImage& image, int count)
{
    for (int i = 0; i < count; ++i)
        image.GlobalColorMap().Add({std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(7 * i)});
}

// width x height pixels, each 0 or 1 at random (the same for a seed).
std::vector<std::uint8_t> twoColourNoise(int width, int height, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> pixels(std::size_t(width) * std::size_t(height));
    for (auto& p : pixels)
        p = std::uint8_t(rng() % 2);
    return pixels;
}

// The saved file plays `expected` (the frames composed before optimising),
// read by our reader and by Pillow's.
void expectSamePlay(TGIFImage& image, const std::vector<QImage>& expected)
{
    const QByteArray bytes = image.SaveToData();
    TGIFImage reread;
    reread.LoadFromData({reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
    EXPECT_EQ(ComposeFrames(reread), expected);
    QTemporaryDir dir;
    if (!testsupport::havePillow() || !testsupport::writeBytes(dir.filePath("o.gif"), bytes))
        return;
    const testsupport::Played played = testsupport::composeWithPillow(dir.filePath("o.gif"));
    ASSERT_EQ(played.frames.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(played.frames[i].convertToFormat(QImage::Format_RGB32), expected[i]) << "Pillow, frame " << i;
}

} // namespace

TEST(OptimizeFrames, identicalFrameBecomesTransparentThenIsDropped)
{
    for (bool firstTransparent : {false, true}) {
        TGIFImage image;
        QImage picture = testsupport::solid(6, 4, 0x3366CC);
        picture.setPixel(2, 1, qRgb(255, 255, 255));
        image.AddFrameImage(picture);
        image.AddFrameImage(picture);
        TGIFGraphicControlExtension* first = addControl(image.Images()[0], 10);
        if (firstTransparent) {
            first->SetTransparentFlag(true);
            first->SetTransparentIndex(0);
        }
        addControl(image.Images()[1], 25);

        image.OptimizeFrames(TGIFImage::ooMerge);
        TGIFSubImage* second = image.Images()[1];
        ASSERT_EQ(second->ColorMap().Count(), 217);
        EXPECT_EQ(second->ColorMap()[216], (GIFColor{0, 0, 0}));
        EXPECT_EQ(second->TransparentIndex(), 216);
        EXPECT_TRUE(std::all_of(second->Data().begin(), second->Data().end(), [](auto p) { return p == 216; }));

        image.OptimizeFrames(TGIFImage::ooCrop);
        ASSERT_EQ(image.Images().Count(), 1);
        // The removed frame's time goes to the frame shown before it.
        EXPECT_EQ(image.Images()[0]->GraphicControlExtension()->DelayTime(), 35);
    }
}

TEST(OptimizeFrames, frameAfterRestoreToBackgroundIsNotMerged)
{
    // Restoring either frame to the background prevents the merge: after
    // the first, nothing of it remains to repeat; for the second, its
    // transparent pixels must show the page once it is restored.
    for (int restored : {0, 1}) {
        SCOPED_TRACE(restored);
        TGIFImage image;
        const QImage picture = testsupport::solid(3, 3, 0xFF0000);
        image.AddFrameImage(picture);
        image.AddFrameImage(picture);
        addControl(image.Images()[0], 10, restored == 0 ? 2 : 1);
        addControl(image.Images()[1], 10, restored == 1 ? 2 : 1);
        image.OptimizeFrames(TGIFImage::ooMerge | TGIFImage::ooCrop);
        ASSERT_EQ(image.Images().Count(), 2);
        EXPECT_EQ(image.Images()[1]->TransparentIndex(), -1);
        EXPECT_EQ(image.Images()[1]->Width(), 3);
    }
}

TEST(OptimizeFrames, mergeThenCropKeepsOnlyTheChangedRectangle)
{
    TGIFImage image;
    QImage a = testsupport::solid(10, 8, 0x00FF00);
    QImage b = a;
    b.setPixel(3, 5, qRgb(255, 0, 0));
    b.setPixel(6, 2, qRgb(0, 0, 255));
    image.AddFrameImage(a);
    image.AddFrameImage(b);
    image.Images()[1]->SetLeft(0);
    const auto before = ComposeFrames(image);
    image.OptimizeFrames(TGIFImage::ooMerge | TGIFImage::ooCrop);
    const TGIFSubImage* second = image.Images()[1];
    EXPECT_EQ(second->Left(), 3);
    EXPECT_EQ(second->Top(), 2);
    EXPECT_EQ(second->Width(), 4);
    EXPECT_EQ(second->Height(), 4);
    // The animation still shows the same pictures.
    const auto after = ComposeFrames(image);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i], before[i]);
    // And so does the file written from it.
    TGIFImage reread;
    const QByteArray bytes = image.SaveToData();
    reread.LoadFromData({reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
    EXPECT_EQ(ComposeFrames(reread)[1], before[1]);
}

TEST(OptimizeFrames, sharedTransparentEntryIsNotAColourTheFrameShows)
{
    // Frame 0 is transparent on index 1 (red); frame 1 shows red itself, so
    // its transparent index must be another.
    TGIFImage image;
    image.GlobalColorMap().Add({0, 0, 255});
    image.GlobalColorMap().Add({255, 0, 0});
    TGIFSubImage* f0 = addIndexedFrame(image, 0, 0, 2, 1, {0, 1});
    TGIFGraphicControlExtension* g0 = addControl(f0, 5);
    g0->SetTransparentFlag(true);
    g0->SetTransparentIndex(1);
    addIndexedFrame(image, 0, 0, 2, 1, {0, 1});
    const auto before = ComposeFrames(image);
    image.OptimizeFrames(TGIFImage::ooMerge);
    const TGIFSubImage* f1 = image.Images()[1];
    ASSERT_GE(f1->TransparentIndex(), 0);
    EXPECT_EQ(f1->Data()[0], f1->TransparentIndex());
    EXPECT_EQ(image.GlobalColorMap()[f1->Data()[1]], (GIFColor{255, 0, 0}));
    EXPECT_EQ(ComposeFrames(image)[1], before[1]);
}

TEST(OptimizeColorTable, keepsThe256MostUsedColoursAndMapsTheRestToTheNearest)
{
    for (bool transparent : {false, true}) {
        TGIFImage image;
        // Two frames with 150 colours each, colour c used c + 1 times.
        std::vector<GIFColor> originals;
        for (int f = 0; f < 2; ++f) {
            auto s = std::make_unique<TGIFSubImage>(&image);
            TGIFSubImage* raw = s.get();
            image.AddFrameImage(std::move(s));
            std::vector<std::uint8_t> pixels;
            for (int i = 0; i < 150; ++i) {
                const int c = f * 150 + i;
                raw->ColorMap().Add({std::uint8_t(c % 256), std::uint8_t(c / 2), std::uint8_t(255 - c % 200)});
                pixels.insert(pixels.end(), std::size_t(c + 1), std::uint8_t(i));
            }
            pixels.resize(300 * 100, 0);
            raw->SetBounds(0, 0, 300, 100);
            raw->Data() = pixels;
            if (transparent && f == 1) {
                raw->Data()[0] = 149;  // index 149 marks transparent pixels here
                TGIFGraphicControlExtension* g = addControl(raw, 0);
                g->SetTransparentFlag(true);
                g->SetTransparentIndex(149);
            }
        }
        std::vector<std::vector<GIFColor>> shown;
        for (const auto& s : image.Images()) {
            std::vector<GIFColor> colours;
            for (std::uint8_t p : s->Data())
                colours.push_back(s->ColorMap()[p]);
            shown.push_back(colours);
        }
        image.OptimizeColorTable();
        const TGIFColorMap& table = image.GlobalColorMap();
        ASSERT_EQ(table.Count(), 256);
        EXPECT_TRUE(table.Optimized());
        if (transparent) {
            EXPECT_EQ(table[255], (GIFColor{0, 0, 0}));
        }
        for (int f = 0; f < 2; ++f) {
            const TGIFSubImage* s = image.Images()[f];
            EXPECT_TRUE(s->ColorMap().Empty());
            for (std::size_t i = 0; i < s->Data().size(); i += 37) {
                const int p = s->Data()[i];
                if (p == s->TransparentIndex())
                    continue;
                const GIFColor want = shown[std::size_t(f)][i];
                int nearest = 765;
                for (int k = 0; k < table.Count() - (transparent ? 1 : 0); ++k)
                    nearest = std::min(nearest, std::abs(table[k].r - want.r) + std::abs(table[k].g - want.g)
                                                    + std::abs(table[k].b - want.b));
                const GIFColor got = table[p];
                ASSERT_EQ(std::abs(got.r - want.r) + std::abs(got.g - want.g) + std::abs(got.b - want.b), nearest);
            }
        }
        if (transparent) {
            EXPECT_EQ(image.Images()[1]->TransparentIndex(), 255);
            EXPECT_EQ(image.Images()[1]->Data()[0], 255);
        }
        // The most used colour comes first: frame 0's entry 0 fills the rest
        // of its rows.
        EXPECT_EQ(table[0], (GIFColor{0, 0, 255}));
    }
}

TEST(OptimizeColorTable, transparentFrameWithoutTransparentPixelsLosesTransparency)
{
    TGIFImage image;
    image.AddFrameImage(testsupport::solid(2, 2, 0xFFFFFF));
    TGIFGraphicControlExtension* g = addControl(image.Images()[0], 0);
    g->SetTransparentFlag(true);
    g->SetTransparentIndex(3);
    image.OptimizeColorTable();
    EXPECT_FALSE(g->TransparentFlag());
    EXPECT_EQ(image.GlobalColorMap().Count(), 1);
    EXPECT_EQ(image.GlobalColorMap()[0], (GIFColor{255, 255, 255}));
    EXPECT_EQ(image.Images()[0]->Pixel(1, 1), 0);
    // Written with the sort flag, so as GIF89a.
    const QByteArray bytes = image.SaveToData();
    EXPECT_EQ(bytes.left(6), "GIF89a");
    EXPECT_EQ(std::uint8_t(bytes[10]) & 0x08, 0x08);
}

TEST(OptimizeFrames, cropKeepsWhatRemovingAnEmptiedFrameWouldChange)
{
    // Three 2 x 2 frames on a global table; index 3 is transparent. Frame 0
    // is fully transparent, frame 1 opaque and restored to the background,
    // frame 2 fully transparent (it shows the page for its 20).
    TGIFImage image;
    for (int i = 0; i < 4; ++i)
        image.GlobalColorMap().Add({std::uint8_t(60 * i), 0, 0});
    const std::vector<std::uint8_t> clear(4, 3), full(4, 1);
    const int disposals[] = {1, 2, 1};
    const std::vector<std::uint8_t>* pixels[] = {&clear, &full, &clear};
    for (int i = 0; i < 3; ++i) {
        TGIFSubImage* s = addIndexedFrame(image, 0, 0, 2, 2, *pixels[i]);
        TGIFGraphicControlExtension* gce = addControl(s, 10 * (i + 1), disposals[i]);
        gce->SetTransparentFlag(true);
        gce->SetTransparentIndex(3);
    }
    image.OptimizeFrames(TGIFImage::ooCrop);
    ASSERT_EQ(image.Images().Count(), 3);
    // The first frame stays (it starts the animation and would carry the
    // loop extension), as one transparent pixel with its time.
    const TGIFSubImage* first = image.Images()[0];
    EXPECT_EQ(first->Width() * first->Height(), 1);
    EXPECT_EQ(first->Data(), std::vector<std::uint8_t>{std::uint8_t(first->TransparentIndex())});
    EXPECT_EQ(first->GraphicControlExtension()->DelayTime(), 10);
    // After a frame restored to the background the empty frame shows the
    // page: it stays too.
    const TGIFSubImage* third = image.Images()[2];
    EXPECT_EQ(third->Data(), std::vector<std::uint8_t>{std::uint8_t(third->TransparentIndex())});
    EXPECT_EQ(image.Images()[2]->GraphicControlExtension()->DelayTime(), 30);
    EXPECT_EQ(image.Images()[1]->GraphicControlExtension()->DelayTime(), 20);
}

TEST(OptimizeFrames, framesShowingFewColoursGetTheLowIndices)
{
    // Frame 0 shows 40 colours; frame 1 changes two corners to colours 38
    // and 39. Those two, shown by both frames, move to the front of the
    // table, and frame 1 is transparent on an index it does not show (no
    // entry of its own): it is coded with 2-bit codes, the table keeps its
    // 40 entries.
    TGIFImage image;
    distinctTable(image, 40);
    std::vector<std::uint8_t> shown(16 * 16);
    for (std::size_t i = 0; i < shown.size(); ++i)
        shown[i] = std::uint8_t(i * 13 % 40);
    addControl(addIndexedFrame(image, 0, 0, 16, 16, shown), 10, 1);
    shown.front() = 38;
    shown.back() = 39;
    addControl(addIndexedFrame(image, 0, 0, 16, 16, shown), 10, 1);
    const auto before = ComposeFrames(image);
    image.OptimizeFrames(TGIFImage::ooMerge | TGIFImage::ooCrop);
    EXPECT_EQ(image.GlobalColorMap().Count(), 40);
    const TGIFSubImage* second = image.Images()[1];
    EXPECT_LT(*std::max_element(second->Data().begin(), second->Data().end()), 4);
    expectSamePlay(image, before);
}

TEST(OptimizeFrames, aFullTableSharesItsOneTransparentEntry)
{
    // 255 colours and the entry the merge adds fill the table: every frame
    // after the first is still merged, on that one entry.
    TGIFImage image;
    distinctTable(image, 255);
    std::vector<std::uint8_t> pixels(64, 7);
    for (int i = 0; i < 4; ++i) {
        pixels[std::size_t(i)] = 9;
        addControl(addIndexedFrame(image, 0, 0, 8, 8, pixels), 10, 1);
    }
    const auto before = ComposeFrames(image);
    image.OptimizeFrames(TGIFImage::ooMerge);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(std::count(image.Images()[i]->Data().begin(), image.Images()[i]->Data().end(),
                             std::uint8_t(image.Images()[i]->TransparentIndex())),
                  63)
            << "frame " << i;
    expectSamePlay(image, before);
}

TEST(OptimizeFrames, aMergedFrameKeepsWhicheverCodingIsSmallest)
{
    // Frame 1 is all colour 0 over a noise of 0 and 1: merged, a noise of
    // transparent and 0; its own pixels code far smaller: it keeps them and
    // is opaque again. Frame 2 changes two corners of frame 1: its
    // transparent run codes smallest. Frame 3 draws a pattern over frame 2.
    TGIFImage image;
    distinctTable(image, 4);
    const int w = 48, h = 32;
    std::vector<std::vector<std::uint8_t>> frames{twoColourNoise(w, h, 3), std::vector<std::uint8_t>(48 * 32, 0)};
    frames.push_back(frames[1]);
    frames[2].front() = frames[2].back() = 2;
    frames.push_back(frames[2]);
    for (int y = 8; y < 20; ++y)
        for (int x = 5; x < 41; ++x)
            frames[3][std::size_t(y * w + x)] = std::uint8_t((x / 2 + y) % 5 < 3 ? 0 : 1 + (x + y) % 3);
    for (const auto& pixels : frames)
        addControl(addIndexedFrame(image, 0, 0, w, h, pixels), 10, 1);
    const auto before = ComposeFrames(image);
    image.OptimizeFrames(TGIFImage::ooMerge | TGIFImage::ooCrop);
    ASSERT_EQ(image.Images().Count(), 4);
    const TGIFSubImage* second = image.Images()[1];
    EXPECT_EQ(second->TransparentIndex(), -1);
    EXPECT_EQ(std::set(second->Data().begin(), second->Data().end()).size(), 1u);
    const TGIFSubImage* third = image.Images()[2];
    EXPECT_EQ(std::count(third->Data().begin(), third->Data().end(), std::uint8_t(third->TransparentIndex())),
              w * h - 2);
    // No frame codes longer than its merged or its own pixels would in its
    // rectangle, each numbered from 0 (as the table's order mostly gives).
    const auto codedSize = [](std::vector<std::uint8_t> pixels, int width) {
        std::array<int, 256> number;
        number.fill(-1);
        int next = 0;
        for (std::uint8_t& p : pixels)
            p = std::uint8_t(number[p] < 0 ? number[p] = next++ : number[p]);
        return EncodedSize(pixels.data(), false, int(pixels.size()) / width, width);
    };
    for (int i = 1; i < 4; ++i) {
        const TGIFSubImage* s = image.Images()[i];
        std::vector<std::uint8_t> own, merged;
        for (int y = s->Top(); y < s->Top() + s->Height(); ++y)
            for (int x = s->Left(); x < s->Left() + s->Width(); ++x) {
                const std::size_t at = std::size_t(y * w + x);
                own.push_back(frames[std::size_t(i)][at]);
                merged.push_back(own.back() == frames[std::size_t(i - 1)][at] ? 255 : own.back());
            }
        const std::size_t kept = codedSize(s->Data(), s->Width());
        EXPECT_LE(kept, std::min(codedSize(own, s->Width()), codedSize(merged, s->Width()))) << "frame " << i;
    }
    expectSamePlay(image, before);
}

TEST(OptimizeFrames, anEntryAFrameNoLongerNeedsServesTheNextMerge)
{
    // A full table but for one entry. Frame 3 (merged first) takes it as
    // its transparent entry, then keeps its own pixels (one colour over
    // noise, as above); frame 2, which repeats frame 1 but for a 2 x 2
    // block, still finds an entry to be transparent with and is cut to it.
    TGIFImage image;
    distinctTable(image, 255);
    const int w = 32, h = 32;
    const std::vector<std::uint8_t> flat(std::size_t(w * h), 0), noise = twoColourNoise(w, h, 9);
    std::vector<std::uint8_t> block = noise;
    for (int y = 10; y < 12; ++y)
        std::fill_n(block.begin() + y * w + 20, 2, 5);
    for (const auto& pixels : {flat, noise, block, flat})
        addControl(addIndexedFrame(image, 0, 0, w, h, pixels), 10, 1);
    const auto before = ComposeFrames(image);
    image.OptimizeFrames(TGIFImage::ooMerge | TGIFImage::ooCrop);
    ASSERT_EQ(image.Images().Count(), 4);
    const TGIFSubImage* third = image.Images()[2];
    EXPECT_EQ(QRect(third->Left(), third->Top(), third->Width(), third->Height()), QRect(20, 10, 2, 2));
    expectSamePlay(image, before);
}

TEST(ShareEqualLocalTables, equalTablesBecomeTheGlobalOneOthersStay)
{
    for (bool equal : {true, false}) {
        TGIFImage image;
        image.AddFrameImage(testsupport::solid(4, 3, 0x3366CC));
        image.AddFrameImage(testsupport::solid(4, 3, 0xFF0000));
        if (!equal)
            image.Images()[1]->ColorMap()[0] = {1, 2, 3};  // an entry no pixel shows
        const auto before = ComposeFrames(image);
        EXPECT_EQ(image.ShareEqualLocalTables(), equal);
        EXPECT_EQ(image.GlobalColorMap().Empty(), !equal);
        EXPECT_EQ(image.Images()[1]->ColorMap().Empty(), equal);
        expectSamePlay(image, before);
    }
}

TEST(OptimizeFrames, aProgressHandlerCanAbandonTheOptimisation)
{
    // The size estimate stops a cancelled run from the progress handler:
    // the optimisation must let that reach its caller, after its last word.
    struct Abandon {};
    TGIFImage image;
    for (int i = 0; i < 3; ++i)
        image.AddFrameImage(testsupport::solid(6, 4, 0x3366CC + i));
    std::vector<ProgressStage> heard;
    image.SetOnProgress([&](ProgressStage stage, int, const QString&) {
        heard.push_back(stage);
        if (stage == ProgressStage::Running)
            throw Abandon{};
    });
    EXPECT_THROW(image.OptimizeFrames(TGIFImage::ooMerge | TGIFImage::ooCrop), Abandon);
    EXPECT_EQ(heard, (std::vector<ProgressStage>{ProgressStage::Starting, ProgressStage::Running, ProgressStage::Ending}));
}
