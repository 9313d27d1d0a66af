// `orugif edit` on several frames: --frames, --speed and --drop-every, the
// input written and the result read back by Pillow.
#include "clirun.h"
#include "support/reference.h"
#include "support/testsupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;
using clitest::run;

namespace {

// Six frames of 8 x 6 in six colours, each with a black left column, shown
// 100 to 150 ms; written by Pillow.
struct Six {
    QTemporaryDir dir;
    QString in = dir.filePath("in.gif");
    QString out = dir.filePath("out.gif");

    static constexpr unsigned kColours[6] = {0xff0000, 0x00ff00, 0x0000ff, 0xffff00, 0x00ffff, 0xff00ff};

    bool make()
    {
        return testsupport::runPython(
            "import sys\nfrom PIL import Image\n"
            "cs=[(255,0,0),(0,255,0),(0,0,255),(255,255,0),(0,255,255),(255,0,255)]\n"
            "fs=[]\n"
            "for c in cs:\n"
            "    im=Image.new('RGB',(8,6),c)\n"
            "    for y in range(6): im.putpixel((0,y),(0,0,0))\n"
            "    fs.append(im)\n"
            "fs[0].save(sys.argv[1],save_all=True,append_images=fs[1:],duration=[100,110,120,130,140,150],loop=0)\n",
            {in});
    }
    // Each frame Pillow plays: the colour in its middle, and whether the
    // black column is on the left (not mirrored).
    std::vector<std::pair<unsigned, bool>> frames(const testsupport::Played& played)
    {
        std::vector<std::pair<unsigned, bool>> shown;
        for (const QImage& f : played.frames)
            shown.emplace_back(f.pixel(4, 3) & 0xffffffu, (f.pixel(0, 3) & 0xffffffu) == 0);
        return shown;
    }
};

} // namespace

TEST(CommandLineFrames, framesNumberedFromOneTakeTheOperations)
{
    if (!testsupport::havePillow())
        GTEST_SKIP() << "Pillow is not installed";
    Six s;
    ASSERT_TRUE(s.make());
    const auto r = run({"edit", s.in, s.out, "--frames", "2-3,5", "--mirror-v", "--delay", "7"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const testsupport::Played played = testsupport::composeWithPillow(s.out);
    const auto frames = s.frames(played);
    ASSERT_EQ(frames.size(), 6u);
    for (int i = 0; i < 6; ++i) {
        const bool chosen = i == 1 || i == 2 || i == 4;
        EXPECT_EQ(frames[std::size_t(i)].first, Six::kColours[i]) << i;
        EXPECT_EQ(frames[std::size_t(i)].second, !chosen) << "frame " << i + 1;
    }
    EXPECT_EQ(played.durations, (std::vector<int>{100, 70, 70, 130, 70, 150}));

    // --frame keeps counting from 0, as it always has.
    ASSERT_EQ(run({"edit", s.in, s.out, "--frame", "1", "--mirror-v"}).code, 0);
    EXPECT_FALSE(s.frames(testsupport::composeWithPillow(s.out))[1].second);
}

// 200 % halves the chosen frames' delays, 50 % doubles them, rounded on the
// running time so the chosen frames' total scales; every frame without
// --frames.
TEST(CommandLineFrames, speedScalesTheChosenFramesDelays)
{
    if (!testsupport::havePillow())
        GTEST_SKIP() << "Pillow is not installed";
    Six s;
    ASSERT_TRUE(s.make());
    ASSERT_EQ(run({"edit", s.in, s.out, "--frames", "2-5", "--speed", "200%"}).code, 0);
    // 11, 12, 13, 14 hundredths: running 11, 23, 36, 50 -> 6, 12, 18, 25.
    EXPECT_EQ(testsupport::composeWithPillow(s.out).durations, (std::vector<int>{100, 60, 60, 60, 70, 150}));
    ASSERT_EQ(run({"edit", s.in, s.out, "--speed", "50"}).code, 0);
    EXPECT_EQ(testsupport::composeWithPillow(s.out).durations, (std::vector<int>{200, 220, 240, 260, 280, 300}));
}

// Every second frame of 1 to 6 goes, its delay added to the frame before
// it: the animation lasts as long as before.
TEST(CommandLineFrames, dropEveryKeepsTheTotalTime)
{
    if (!testsupport::havePillow())
        GTEST_SKIP() << "Pillow is not installed";
    Six s;
    ASSERT_TRUE(s.make());
    const auto r = run({"edit", s.in, s.out, "--drop-every", "2"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const testsupport::Played played = testsupport::composeWithPillow(s.out);
    const auto frames = s.frames(played);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].first, Six::kColours[0]);
    EXPECT_EQ(frames[1].first, Six::kColours[2]);
    EXPECT_EQ(frames[2].first, Six::kColours[4]);
    EXPECT_EQ(played.durations, (std::vector<int>{210, 250, 290}));

    // Within --frames 3-6, then the operations go on with what is left of them.
    ASSERT_EQ(run({"edit", s.in, s.out, "--frames", "3-6", "--drop-every", "3", "--mirror-v"}).code, 0);
    const testsupport::Played thinned = testsupport::composeWithPillow(s.out);
    const auto left = s.frames(thinned);
    ASSERT_EQ(left.size(), 5u);
    EXPECT_EQ(left[3].first, Six::kColours[3]);  // frame 5 went
    EXPECT_EQ(left[4].first, Six::kColours[5]);
    EXPECT_EQ(thinned.durations, (std::vector<int>{100, 110, 120, 270, 150}));
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(left[std::size_t(i)].second, i < 2) << i;
}

TEST(CommandLineFrames, badListsSpeedsAndCountsAreRefusedAndNothingIsWritten)
{
    QTemporaryDir dir;
    const QString in = dir.filePath("in.bmp"), out = dir.filePath("out.gif");
    testsupport::solid(4, 4, 0xff0000).save(in);
    for (const QStringList& bad : {QStringList{"--frames", "0"}, {"--frames", "2"}, {"--frames", "1-x"},
                                   {"--frames", "1-2-3"}, {"--frames", ""}, {"--speed", "abc"}, {"--speed", "0%"},
                                   {"--drop-every", "1"}, {"--drop-every", "x"}}) {
        const auto r = run(QStringList{"edit", in, out} + bad);
        EXPECT_NE(r.code, 0) << bad.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(out));
}
