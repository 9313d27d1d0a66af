// Round trips through real files: GIFs made by other tools are opened and
// saved (with and without merging and cropping), and both files are played
// by an independent decoder (Pillow). What plays must not change: composed
// pixels (the default colours keep a frame's own colours when they fit in a
// table, as they do in these files), transparent areas, timing and loop
// count.
#include "document/scripted.h"
#include "gif/extensions.h"
#include "gif/gifimage.h"
#include "support/reference.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;
using testsupport::Played;

namespace {

// One picture shown for a while: consecutive equal frames are one.
struct Shown {
    QImage picture;
    int ms = 0;
};

// Transparent pixels become 0; opaque ones keep their colour.
QImage normalised(const QImage& frame)
{
    QImage out(frame.size(), QImage::Format_ARGB32);
    for (int y = 0; y < frame.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < frame.width(); ++x)
            dst[x] = qAlpha(src[x]) < 128 ? 0 : src[x] | 0xFF000000u;
    }
    return out;
}

std::vector<Shown> timeline(const Played& played)
{
    std::vector<Shown> shown;
    for (std::size_t i = 0; i < played.frames.size(); ++i) {
        const QImage picture = normalised(played.frames[i]);
        if (!shown.empty() && shown.back().picture == picture)
            shown.back().ms += played.durations[i];
        else
            shown.push_back({picture, played.durations[i]});
    }
    return shown;
}

int transparentPixels(const QImage& picture) { return testsupport::countPixels(picture, 0); }

// Both files play the same: loop count, pictures, transparent areas, times.
void expectSamePlay(const QString& before, const QString& after)
{
    const Played a = testsupport::composeWithPillow(before);
    const Played b = testsupport::composeWithPillow(after);
    EXPECT_EQ(a.loop, b.loop) << "loop extension";
    const std::vector<Shown> ta = timeline(a), tb = timeline(b);
    ASSERT_EQ(ta.size(), tb.size()) << "pictures shown";
    for (std::size_t i = 0; i < ta.size(); ++i) {
        SCOPED_TRACE("picture " + std::to_string(i));
        EXPECT_EQ(transparentPixels(ta[i].picture), transparentPixels(tb[i].picture));
        EXPECT_TRUE(ta[i].picture == tb[i].picture);
        EXPECT_EQ(ta[i].ms, tb[i].ms);
    }
}

// A sprite over a transparent sky with a green ground bar along the bottom
// (so the bottom-left pixel is green), moving right, restored to the
// background after each frame.
const char* kSprite = R"(
import sys
from PIL import Image, ImageDraw
frames = []
for i in range(6):
    im = Image.new('P', (48, 32), 0)
    im.putpalette([0, 0, 0, 0, 160, 0, 220, 20, 20, 20, 20, 220] + [0] * 756)
    d = ImageDraw.Draw(im)
    d.rectangle([0, 28, 47, 31], fill=1)
    d.rectangle([4 + 6 * i, 10, 11 + 6 * i, 17], fill=2)
    d.point([(40, 2 + i)], fill=3)
    frames.append(im)
frames[0].save(sys.argv[1], save_all=True, append_images=frames[1:], duration=300, loop=0,
               transparency=0, disposal=2)
)";

// Opaque frames without a loop extension.
const char* kNoLoop = R"(
import sys
from PIL import Image, ImageDraw
frames = []
for i in range(4):
    im = Image.new('RGB', (30, 20), (250, 250, 240))
    ImageDraw.Draw(im).ellipse([2 + 5 * i, 3, 12 + 5 * i, 13], fill=(30, 90, 200))
    frames.append(im)
frames[0].save(sys.argv[1], save_all=True, append_images=frames[1:], duration=150)
)";

enum class Maker { Sprite, SpriteGifsicle, NoLoop, Ffmpeg, Corpus };

struct Case {
    const char* name;
    Maker maker;
    const char* corpusFile = nullptr;
};

bool make(const Case& c, const QString& path)
{
    switch (c.maker) {
    case Maker::Sprite:
        return testsupport::runPython(kSprite, {path});
    case Maker::SpriteGifsicle:
        return testsupport::runPython(kSprite, {path + ".src.gif"})
            && testsupport::run("/usr/bin/gifsicle", {"-O3", path + ".src.gif", "-o", path});
    case Maker::NoLoop:
        return testsupport::runPython(kNoLoop, {path});
    case Maker::Ffmpeg:
        return testsupport::run("/usr/bin/ffmpeg", {"-v", "error", "-f", "lavfi", "-i",
                                                    "testsrc=size=40x30:rate=10", "-frames:v", "6", "-y", path});
    case Maker::Corpus:
        return QFile::copy(testsupport::testfile(QStringLiteral("data/gif/") + c.corpusFile), path);
    }
    return false;
}

bool toolPresent(Maker maker)
{
    switch (maker) {
    case Maker::SpriteGifsicle:
        return QFile::exists("/usr/bin/gifsicle");
    case Maker::Ffmpeg:
        return QFile::exists("/usr/bin/ffmpeg");
    default:
        return true;
    }
}

struct Options {
    bool merge, crop;
};

class OpenAndSave : public ::testing::TestWithParam<std::tuple<Case, Options>> {};

} // namespace

TEST_P(OpenAndSave, playsAsTheOriginal)
{
    const auto& [source, options] = GetParam();
    if (!testsupport::havePillow() || !toolPresent(source.maker))
        GTEST_SKIP() << "Pillow or the tool that makes the file is missing";
    QTemporaryDir dir;
    const QString original = dir.filePath("original.gif"), saved = dir.filePath("saved.gif");
    ASSERT_TRUE(make(source, original));

    Document d;
    d.child.Charge(original);
    d.child.MergeDuplicatePixels = options.merge;
    d.child.RemoveUselessFrames = options.crop;
    d.prompts.saveFile = saved;
    d.child.FileName = saved;
    ASSERT_TRUE(d.child.Sauve(0));
    expectSamePlay(original, saved);
}

INSTANTIATE_TEST_SUITE_P(
    Files, OpenAndSave,
    ::testing::Combine(::testing::Values(Case{"sprite", Maker::Sprite}, Case{"spriteGifsicleO3", Maker::SpriteGifsicle},
                                         Case{"noLoop", Maker::NoLoop}, Case{"ffmpeg", Maker::Ffmpeg},
                                         Case{"restoreBackground", Maker::Corpus,
                                              "animated_transparent_frame_restorebackground_loop.gif"},
                                         Case{"restorePrevious", Maker::Corpus,
                                              "animated_transparent_restoreprev_loop.gif"},
                                         Case{"noRestore", Maker::Corpus,
                                              "animated_transparent_frame_norestore_loop.gif"},
                                         Case{"corpusNoLoop", Maker::Corpus, "animated_noloop.gif"}),
                       ::testing::Values(Options{false, false}, Options{true, false}, Options{false, true},
                                         Options{true, true})),
    [](const auto& info) {
        const Options o = std::get<1>(info.param);
        return std::string(std::get<0>(info.param).name) + (o.merge ? "Merge" : "") + (o.crop ? "Crop" : "");
    });

namespace {

// Frames drawn in the editor, saved, and played by the independent decoder.
struct Drawn : ::testing::TestWithParam<Options> {
    QTemporaryDir dir;
    Document d;

    Played save()
    {
        const Options o = GetParam();
        d.child.MergeDuplicatePixels = o.merge;
        d.child.RemoveUselessFrames = o.crop;
        d.child.FileName = dir.filePath("drawn.gif");
        EXPECT_TRUE(d.child.Sauve(0));
        return testsupport::composeWithPillow(d.child.FileName);
    }
};

QImage spriteFrame(int i)
{
    QImage f = testsupport::solid(40, 20, 0xffffff);
    for (int y = 5; y < 11; ++y)
        for (int x = 3 + 6 * i; x < 9 + 6 * i; ++x)
            f.setPixel(x, y, qRgb(255, 0, 0));
    return f;
}

} // namespace

TEST_P(Drawn, aMovingSpriteOnATransparentBackgroundLeavesNoTrail)
{
    if (!testsupport::havePillow())
        GTEST_SKIP() << "Pillow is missing";
    std::vector<QImage> frames;
    for (int i = 0; i < 5; ++i)
        frames.push_back(spriteFrame(i));
    d.child.ImageList1.assign(frames, QSize(40, 20));
    d.child.NewFrame = false;
    d.child.TransparentBackground = true;  // the white bottom-left colour
    const Played played = save();
    ASSERT_EQ(played.frames.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        // Only the sprite's 36 pixels are opaque, where the sprite is now.
        EXPECT_EQ(transparentPixels(normalised(played.frames[std::size_t(i)])), 40 * 20 - 36);
        EXPECT_EQ(played.frames[std::size_t(i)].pixel(3 + 6 * i, 5), qRgb(255, 0, 0));
        EXPECT_EQ(played.durations[std::size_t(i)], 300);
    }
    EXPECT_EQ(played.loop, 0);
}

TEST_P(Drawn, repeatedFramesKeepTheirTime)
{
    if (!testsupport::havePillow())
        GTEST_SKIP() << "Pillow is missing";
    d.fill({0xff0000, 0xff0000, 0x0000ff}, 8, 6);
    const std::vector<Shown> shown = timeline(save());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].ms, 600);
    EXPECT_EQ(shown[1].ms, 300);
}

TEST_P(Drawn, uniformTransparentFramesKeepTheLoopTheTimeAndOneFrame)
{
    if (!testsupport::havePillow())
        GTEST_SKIP() << "Pillow is missing";
    d.fill({0x00ff00, 0x00ff00, 0x00ff00}, 8, 6);
    d.child.TransparentBackground = true;  // every pixel is the corner colour
    const Played played = save();
    EXPECT_EQ(played.loop, 0);
    const std::vector<Shown> shown = timeline(played);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(transparentPixels(shown[0].picture), 8 * 6);
    EXPECT_EQ(shown[0].ms, 900);
}

INSTANTIATE_TEST_SUITE_P(Options, Drawn,
                         ::testing::Values(Options{false, false}, Options{true, false}, Options{false, true},
                                           Options{true, true}),
                         [](const auto& info) {
                             const Options o = info.param;
                             return std::string("plain") + (o.merge ? "Merge" : "") + (o.crop ? "Crop" : "");
                         });

TEST(OpenedFile, withoutLoopExtensionSavesNoneUntilTheCountChanges)
{
    Document d;
    QTemporaryDir dir;
    const QString file = testsupport::testfile("data/gif/animated_noloop.gif");
    d.child.Charge(file);
    EXPECT_EQ(d.child.RepeatCount, -1);
    auto loopOf = [&](const QString& path) -> std::optional<int> {
        gif::TGIFImage image;
        image.LoadFromFile(path);
        for (const auto& ext : image.Images()[0]->Extensions())
            if (const auto* loop = dynamic_cast<const gif::TGIFAppExtNSLoop*>(ext.get()))
                return loop->LoopCount();
        return std::nullopt;
    };
    d.child.FileName = dir.filePath("a.gif");
    ASSERT_TRUE(d.child.Sauve(0));
    EXPECT_EQ(loopOf(d.child.FileName), std::nullopt);

    d.prompts.properties = {{2, 10, false}};
    d.child.Params();
    d.child.FileName = dir.filePath("b.gif");
    ASSERT_TRUE(d.child.Sauve(0));
    EXPECT_EQ(loopOf(d.child.FileName), 2);
}
