// Videos on the command line: info, make from a video with a range and a
// width, AVI outputs of make and edit, and failures with a non-zero code.
#include "clirun.h"
#include "gif/compose.h"
#include "gif/gifimage.h"
#include "support/reference.h"
#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;
using clitest::Outcome;
using clitest::run;

namespace {

QString clip(const char* name) { return testsupport::testdata(QStringLiteral("avi/") + name); }

} // namespace

TEST(CommandLineVideo, infoMakeAndEditWithVideos)
{
    Outcome r = run({"info", clip("raw-pal8-29.97fps.avi")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("size: 160x120")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("frames: 16"));
    EXPECT_TRUE(r.out.contains("rate: 29.97"));
    EXPECT_TRUE(r.out.contains("codec: rawvideo"));

    QTemporaryDir dir;
    // A range and a width from a video into a GIF that loops for ever.
    const QString gifOut = dir.filePath("part.gif");
    r = run({"make", gifOut, clip("mjpeg-25fps.avi"), "--range", "2-9", "--width", "80"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    gif::TGIFImage image;
    image.LoadFromFile(gifOut);
    ASSERT_EQ(image.Images().Count(), 8);
    EXPECT_EQ(image.Width(), 80);
    EXPECT_EQ(image.Height(), 60);
    EXPECT_EQ(image.Images()[0]->GraphicControlExtension()->DelayTime(), 4);

    // The GIF into an AVI, and the AVI edited into another.
    const QString aviOut = dir.filePath("part.avi");
    r = run({"make", aviOut, gifOut});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    r = run({"info", aviOut});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("frames: 8")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("size: 80x60"));
    EXPECT_TRUE(r.out.contains("delay: 4"));
    const QString mirrored = dir.filePath("mirrored.avi");
    r = run({"edit", aviOut, mirrored, "--frame", "all", "--mirror-h"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QString back = dir.filePath("back.gif");
    ASSERT_EQ(run({"make", back, mirrored}).code, 0);
    gif::TGIFImage a, b;
    a.LoadFromFile(gifOut);
    b.LoadFromFile(back);
    const auto original = gif::ComposeFrames(a), flipped = gif::ComposeFrames(b);
    ASSERT_EQ(flipped.size(), original.size());
    EXPECT_EQ(flipped[3].convertToFormat(QImage::Format_RGB32),
              original[3].mirrored(false, true).convertToFormat(QImage::Format_RGB32));
}

TEST(CommandLineVideo, failuresExitNonZeroAndLeaveTheOutput)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("kept.gif");
    QFile kept(out);
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("old");
    kept.close();
    QFile letter(dir.filePath("letter.avi"));
    ASSERT_TRUE(letter.open(QIODevice::WriteOnly));
    letter.write("pas une video");
    letter.close();

    struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"make", out, clip("raw-pal8-15fps.avi"), "--range", "10-40"}, "Failed to decompress AVI frame 16"},
        {{"make", out, clip("raw-pal8-15fps.avi"), "--range", "9-3"}, "ne contient aucune image"},
        {{"make", out, dir.filePath("letter.avi")}, "Failed to open AVI file"},
        {{"make", out, dir.filePath("missing.avi")}, "missing.avi"},
        {{"make", out, clip("raw-pal8-15fps.avi"), "--width", "0"}, "--width"},
        {{"info", dir.filePath("letter.avi")}, "letter.avi"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args);
        EXPECT_NE(r.code, 0) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), "old");
        kept.close();
    }
}

TEST(CommandLineVideo, aCutClipWarnsAndARateThinsTheFrames)
{
    if (!testsupport::haveFfmpeg())
        GTEST_SKIP() << "no ffmpeg command";
    QTemporaryDir dir;
    // 3 s at 30 frames a second, cut after two thirds.
    const QString whole = dir.filePath("whole.avi");
    ASSERT_TRUE(testsupport::makeClip(whole, {"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=30:duration=3", "-c:v",
                                              "mjpeg"}));
    Outcome r = run({"info", whole});
    EXPECT_TRUE(r.out.contains("duration: 3.00 s")) << r.out.toStdString();
    {
        QFile in(whole);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QFile out(dir.filePath("cut.avi"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(in.readAll().chopped(in.size() / 3));
    }
    r = run({"make", dir.filePath("cut.gif"), dir.filePath("cut.avi")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith("warning: La vidéo cut.avi est incomplète : ")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("sur 90 annoncées")) << r.err.toStdString();

    // At 10 frames a second: 30 frames of 0,1 s, 3 s in all, as Pillow plays them.
    r = run({"make", dir.filePath("ten.gif"), whole, "--fps", "10"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const testsupport::Played played = testsupport::composeWithPillow(dir.filePath("ten.gif"));
    EXPECT_EQ(played.durations, std::vector<int>(30, 100));
    EXPECT_NE(run({"make", dir.filePath("x.gif"), whole, "--fps", "0"}).code, 0);
    EXPECT_NE(run({"make", dir.filePath("x.gif"), whole, "--fps", "dix"}).code, 0);
}

TEST(CommandLineVideo, makeAndEditWriteTodaysFormats)
{
    if (!testsupport::haveFfmpeg())
        GTEST_SKIP() << "no ffmpeg command";
    QTemporaryDir dir;
    const QString gif = dir.filePath("in.gif");
    ASSERT_EQ(run({"make", gif, clip("mjpeg-25fps.avi"), "--range", "0-5", "--width", "80"}).code, 0);
    for (const char* suffix : {"mp4", "webm", "webp", "png"}) {
        SCOPED_TRACE(suffix);
        const QString out = dir.filePath(QStringLiteral("out.") + suffix);
        Outcome r = run({"make", out, gif, "--quality", "30"});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        ASSERT_TRUE(QFileInfo::exists(out));
        // Read back: its frames and their size.
        r = run({"info", out});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains("frames: 6")) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains("size: 80x60")) << r.out.toStdString();
    }
    // edit writes the animation for .mp4, the current frame for .png.
    Outcome r = run({"edit", gif, dir.filePath("edited.mp4"), "--frame", "all", "--mirror-h"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(run({"info", dir.filePath("edited.mp4")}).out.contains("frames: 6"));
    ASSERT_EQ(run({"edit", gif, dir.filePath("frame.png")}).code, 0);
    EXPECT_EQ(QImage(dir.filePath("frame.png")).size(), QSize(80, 60));
    // Another suffix is refused with the list of those written.
    r = run({"make", dir.filePath("out.mkv"), gif});
    EXPECT_NE(r.code, 0);
    EXPECT_TRUE(r.err.contains(".mp4, .webm, .webp, .png")) << r.err.toStdString();
}
