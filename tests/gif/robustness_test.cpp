// Hostile input: files that once failed, truncated and corrupted copies of
// a valid animation, and sizes refused before anything is allocated.
#include "gif/compose.h"
#include "gif/gifimage.h"

#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <random>

using namespace orugif::gif;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the fuzz target does: load, compose, save, reload.
constexpr std::int64_t kMaxComposedPixels = std::int64_t(1) << 24;

void exercise(const QByteArray& bytes)
{
    TGIFImage image;
    try {
        image.LoadFromData({reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
    } catch (const GIFException&) {
    }
    try {
        // Composition bounded as the editor bounds it on opening.
        TGIFFrameComposer composer(image);
        if (composer.TotalPixels() <= kMaxComposedPixels)
            while (composer.Advance()) {
            }
        const QByteArray saved = image.SaveToData();
        TGIFImage again;
        again.LoadFromData({reinterpret_cast<const std::uint8_t*>(saved.constData()), std::size_t(saved.size())});
    } catch (const GIFException&) {
    }
}

} // namespace

TEST(GifRobustness, crashersFromFuzzingStayFixed)
{
    const QDir dir(testsupport::testfile("data/crashers"));
    const QStringList files = dir.entryList({"*.gif"}, QDir::Files);
    EXPECT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        exercise(readFile(dir.filePath(name)));
    }
}

TEST(GifRobustness, everyTruncationOfAnAnimationFailsCleanlyOrLoadsAPart)
{
    const QByteArray full = readFile(testsupport::testdata("gif/peterdn-gif-test-suite/animated_loop_interlaced.gif"));
    ASSERT_FALSE(full.isEmpty());
    for (qsizetype n = 0; n < full.size(); ++n)
        exercise(full.left(n));
}

TEST(GifRobustness, flippedBitsAndBytesNeverCrash)
{
    const QByteArray full = readFile(testsupport::testdata("gif/peterdn-gif-test-suite/animated_transparent_frame_restoreprev_loop.gif"));
    ASSERT_FALSE(full.isEmpty());
    std::mt19937 rng(11);
    for (int round = 0; round < 1500; ++round) {
        QByteArray copy = full;
        const int changes = 1 + int(rng() % 4);
        for (int c = 0; c < changes; ++c) {
            const auto at = qsizetype(rng() % std::uint32_t(copy.size()));
            if (rng() % 2)
                copy[at] = char(copy[at] ^ char(1 << (rng() % 8)));
            else
                copy[at] = char(rng());
        }
        exercise(copy);
    }
}

TEST(GifRobustness, hugeScreensAndFramesAreRefusedBeforeAllocating)
{
    // A 65535 x 65535 screen, and a frame of that size on a small screen.
    const std::vector<std::uint8_t> hugeScreen{'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x3B};
    TGIFImage image;
    try {
        image.LoadFromData(hugeScreen);
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Image dimensions exceed the supported size");
    }
    const std::vector<std::uint8_t> hugeFrame{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0,
                                              0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 0, 0x3B};
    EXPECT_THROW(image.LoadFromData(hugeFrame), GIFException);
    // Many frames together are held to a total as well.
    const auto savedLimit = GIFDefaults::MaxTotalPixels;
    GIFDefaults::MaxTotalPixels = 1000;
    TGIFImage many;
    EXPECT_THROW(
        {
            for (int i = 0; i < 20; ++i)
                many.AddFrameImage(testsupport::solid(10, 10, 0));
        },
        GIFException);
    GIFDefaults::MaxTotalPixels = savedLimit;
    EXPECT_EQ(many.Images().Count(), 10);
}

TEST(GifRobustness, framesAndExtensionsAreCountedAgainstLimits)
{
    // Three bytes make an empty comment, a few more an extension-only frame.
    std::vector<std::uint8_t> file{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0};
    for (int i = 0; i < 300; ++i)
        file.insert(file.end(), {0x21, 0xFE, 0, 0});
    file.push_back(0x3B);
    const int frames = GIFDefaults::MaxFrames, extensions = GIFDefaults::MaxExtensions;
    TGIFImage image;
    image.LoadFromData(file);
    EXPECT_EQ(image.Images().Count(), 300);
    GIFDefaults::MaxFrames = 100;
    EXPECT_THROW(image.LoadFromData(file), GIFException);
    GIFDefaults::MaxFrames = frames;
    GIFDefaults::MaxExtensions = 299;
    try {
        image.LoadFromData(file);
        FAIL();
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Too many frames or extensions");
    }
    GIFDefaults::MaxExtensions = extensions;
}

// The total of frame pixels is kept as frames come and go: each operation
// below leaves exactly the sum of the frames' pixels, so a limit that was
// full refuses one more frame and accepts one again after a frame is gone.
class HeldPixels : public ::testing::TestWithParam<const char*> {};

TEST_P(HeldPixels, followTheFramesThroughEveryChange)
{
    const auto sum = [](const TGIFImage& image) {
        std::int64_t total = 0;
        for (const auto& s : image.Images())
            total += std::int64_t(s->Data().size());
        return total;
    };
    const auto savedLimit = GIFDefaults::MaxTotalPixels;
    GIFDefaults::MaxTotalPixels = 1000;
    TGIFImage image;
    for (int i = 0; i < 10; ++i)
        image.AddFrameImage(testsupport::solid(10, 10, unsigned(i) * 0x111111u));
    const std::string operation = GetParam();
    if (operation == "delete") {
        image.Images().Delete(3);
    } else if (operation == "clear_frame") {
        image.Images()[3]->Clear();
    } else if (operation == "reload") {
        const QByteArray bytes = image.SaveToData();
        for (int i = 0; i < 3; ++i)
            image.LoadFromData({reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
        image.Images().Delete(0);
    } else if (operation == "shrink") {
        image.Images()[3]->SetBounds(0, 0, 5, 10);  // two halves make room for one frame
        image.Images()[4]->SetBounds(0, 0, 10, 5);
    } else if (operation == "move_to_other_image") {
        TGIFImage other;
        other.AddFrameImage(testsupport::solid(10, 10, 0));
        auto moved = std::make_unique<TGIFSubImage>(&image);
        moved->Assign(*image.Images()[0]);
        EXPECT_THROW(image.AddFrameImage(testsupport::solid(10, 10, 0)), GIFException);  // the copy counts
        other.AddFrameImage(std::move(moved));
        image.Images().Delete(0);
        EXPECT_EQ(other.TotalPixels(), sum(other));
    }
    EXPECT_EQ(image.TotalPixels(), sum(image)) << operation;
    EXPECT_NO_THROW(image.AddFrameImage(testsupport::solid(10, 10, 0))) << operation;
    EXPECT_THROW(image.AddFrameImage(testsupport::solid(10, 10, 0)), GIFException) << operation;
    EXPECT_EQ(image.TotalPixels(), sum(image)) << operation;
    image.ClearAll();
    EXPECT_EQ(image.TotalPixels(), 0);
    GIFDefaults::MaxTotalPixels = savedLimit;
}

INSTANTIATE_TEST_SUITE_P(Changes, HeldPixels,
                         ::testing::Values("delete", "clear_frame", "reload", "shrink", "move_to_other_image"));
