// Documents made from videos: a cut clip imports what decodes and says so,
// the progress window stops an import, the default save writes what the
// import always showed, the colour choices work on the true colours, and
// the AVI export holds the colours the GIF save writes.
#include "common/error.h"
#include "document/aviexport.h"
#include "document/scripted.h"
#include "formats/video.h"
#include "gif/colorreduction.h"
#include "support/ffmpegtest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;
using orugif::test::Document;

namespace {

class VideoDocument : public testsupport::FfmpegTest {
protected:
    // A slow pan over a photograph: 12 frames of 240 x 160 at 12 frames a
    // second, in H.264.
    QString photoClip()
    {
        const QString clip = path("pan.mp4");
        const QString photo = testsupport::testdata("photos/chelsea.png");
        if (!testsupport::makeClip(clip, {"-loop", "1", "-i", photo, "-vf", "crop=240:160:x='20+n*6':y=40",
                                          "-frames:v", "12", "-r", "12", "-c:v", "libx264", "-crf", "14", "-pix_fmt",
                                          "yuv420p"}))
            return {};
        return clip;
    }

    // The frames our reader decodes from `clip`.
    static std::vector<QImage> decoded(const QString& clip)
    {
        formats::VideoReader video(clip);
        std::vector<QImage> frames;
        video.read(0, video.info().frames - 1, 0, 0, [&](std::int64_t, const QImage& f) {
            frames.push_back(f);
            return true;
        });
        return frames;
    }

    // The mean PSNR of a saved GIF's frames, composed by Pillow, against `frames`.
    static double meanPsnr(const QString& gif, const std::vector<QImage>& frames)
    {
        const testsupport::Played played = testsupport::composeWithPillow(gif);
        EXPECT_EQ(played.frames.size(), frames.size());
        double sum = 0;
        for (std::size_t i = 0; i < std::min(played.frames.size(), frames.size()); ++i)
            sum += testsupport::psnr(played.frames[i], frames[i]);
        return frames.empty() ? 0 : sum / double(frames.size());
    }
};

} // namespace

TEST_F(VideoDocument, aCutClipImportsWhatDecodesAndSaysWhatIsMissing)
{
    const QString whole = path("whole.avi");
    ASSERT_TRUE(testsupport::makeClip(whole, {"-f", "lavfi", "-i", "testsrc2=size=96x64:rate=25", "-frames:v", "30",
                                              "-c:v", "mjpeg"}));
    const QString cut = cutCopy(whole, "cut.avi", 2.0 / 3.0);
    QFile in(whole);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();

    Document d;
    d.prompts.video = {0, formats::VideoReader(cut).info().frames - 1, 96};
    d.child.Charge(cut);
    const int count = d.child.ImageList1.count();
    EXPECT_GT(count, 10);
    EXPECT_LT(count, 30);
    ASSERT_EQ(d.prompts.warned.size(), 1);
    EXPECT_EQ(d.prompts.warned[0], QStringLiteral("La vidéo cut.avi est incomplète : %1 images importées sur 30 annoncées.")
                                       .arg(count));
    EXPECT_FALSE(d.child.Modified);

    // The whole clip, and an AVI of ours whose repeated frames are empty
    // chunks, are complete: no warning.
    Document e;
    e.prompts.video = {0, 29, 96};
    e.child.Charge(whole);
    EXPECT_EQ(e.child.ImageList1.count(), 30);
    e.child.setFrameDelay(3, 40);
    e.child.ImageList1.replace(4, e.child.ImageList1.frame(3));
    e.prompts.aviFile = path("ours.avi");
    ASSERT_TRUE(e.child.SauveAvi(1));
    Document f;
    f.prompts.video = {0, 28, 96};
    f.child.Charge(path("ours.avi"));
    EXPECT_TRUE(f.prompts.warned.isEmpty()) << f.prompts.warned.join(' ').toStdString();
    EXPECT_EQ(f.child.ImageList1.count(), 29);
    EXPECT_EQ(f.child.frameDelay(3), 44);  // frame 4 repeated frame 3: one frame shown for both

    // Garbage after a valid header: nothing decodes; refused, nothing changes.
    QByteArray garbage = bytes.left(bytes.indexOf("movi") + 4);
    for (int i = 0; i < 20000; ++i)
        garbage.append(char((i * 7919) >> 3));
    QFile bad(path("garbage.avi"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(garbage);
    bad.close();
    d.prompts.video = {0, 0, 96};
    EXPECT_THROW(d.child.Charge(path("garbage.avi")), Error);
    EXPECT_EQ(d.child.ImageList1.count(), count);
}

TEST_F(VideoDocument, hostileClipsAreRefusedAndChangeNothing)
{
    // No video stream; a GIF named .mp4 opens as the GIF it is, and an MP4
    // named .gif as the video it is.
    ASSERT_TRUE(testsupport::makeClip(path("sound.mp4"), {"-f", "lavfi", "-i", "sine=duration=1", "-c:a", "aac"}));
    ASSERT_TRUE(testsupport::makeClip(path("clip.mp4"), {"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=10",
                                                         "-frames:v", "3", "-pix_fmt", "yuv420p"}));
    Document d;
    d.fill({0xff0000, 0x00ff00});
    d.prompts.video = {0, 2, 64};
    EXPECT_THROW(d.child.Charge(path("sound.mp4")), Error);
    EXPECT_EQ(d.child.ImageList1.count(), 2);

    QFile::copy(path("clip.mp4"), path("named.gif"));
    d.child.Charge(path("named.gif"));
    EXPECT_EQ(d.child.ImageList1.count(), 3);
    EXPECT_TRUE(d.child.FromVideo);
    d.child.FileName = path("real.gif");
    d.child.VideoSource.clear();
    ASSERT_TRUE(d.child.Sauve(0));
    QFile::copy(path("real.gif"), path("gif.mp4"));
    Document e;
    e.child.Charge(path("gif.mp4"));
    EXPECT_EQ(e.child.ImageList1.count(), 3);
    EXPECT_FALSE(e.child.FromVideo);

    // A header claiming 16384 x 16384 for a small clip: a clear refusal.
    ASSERT_TRUE(testsupport::makeClip(path("small.avi"), {"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=10",
                                                          "-frames:v", "3", "-c:v", "rawvideo", "-pix_fmt", "bgr24"}));
    QFile small(path("small.avi"));
    ASSERT_TRUE(small.open(QIODevice::ReadOnly));
    QByteArray bytes = small.readAll();
    small.close();
    for (const char* chunk : {"avih", "strf"}) {
        const qsizetype at = bytes.indexOf(chunk) + 8 + (QByteArray(chunk) == "avih" ? 32 : 4);
        for (int k = 0; k < 2; ++k) {
            bytes[at + 4 * k] = 0;
            bytes[at + 4 * k + 1] = 0x40;
            bytes[at + 4 * k + 2] = 0;
            bytes[at + 4 * k + 3] = 0;
        }
    }
    QFile huge(path("huge.avi"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(bytes);
    huge.close();
    Document g;
    g.fill({0xff0000, 0x00ff00});
    g.prompts.video = {0, 2, 0};
    try {
        g.child.Charge(path("huge.avi"));
        ADD_FAILURE() << "a 16384 x 16384 claim was imported";
    } catch (const Error& e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
    EXPECT_EQ(g.child.ImageList1.count(), 2);
}

TEST_F(VideoDocument, stoppingTheProgressLeavesTheDocument)
{
    ASSERT_TRUE(testsupport::makeClip(path("long.mp4"), {"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=25",
                                                         "-frames:v", "100", "-pix_fmt", "yuv420p"}));
    for (int stopAt : {1, 5, 60}) {
        SCOPED_TRACE(stopAt);
        Document d;
        d.fill({0xff0000, 0x00ff00});
        d.child.FileName = "before.gif";
        d.prompts.video = {0, 99, 64};
        d.prompts.stopProgressAt = stopAt;
        d.child.Charge(path("long.mp4"));
        EXPECT_EQ(d.child.ImageList1.count(), 2);
        EXPECT_EQ(d.child.FileName, "before.gif");
        EXPECT_GE(d.prompts.progressLabels.size(), stopAt);
    }
    // Not stopped: counting, then importing, were both reported.
    Document d;
    d.prompts.video = {0, 99, 64};
    d.child.Charge(path("long.mp4"));
    EXPECT_EQ(d.child.ImageList1.count(), 100);
    EXPECT_TRUE(d.prompts.progressLabels.last().startsWith(QString::fromUtf8("Importation de long.mp4")));
}

TEST_F(VideoDocument, theDefaultSaveWritesWhatTheImportShowedAndOtherChoicesUseTheTrueColours)
{
    const QString clip = photoClip();
    ASSERT_FALSE(clip.isEmpty());
    const std::vector<QImage> frames = decoded(clip);
    ASSERT_EQ(frames.size(), 12u);
    Document d;
    d.prompts.video = {0, 11, 240};
    d.child.Charge(clip);
    ASSERT_EQ(d.child.ImageList1.count(), 12);
    // The store keeps the decoded colours.
    EXPECT_EQ(d.child.ImageList1.frame(5), frames[5]);

    // By default: the cube with Floyd-Steinberg, every frame as the import
    // always dithered it.
    d.child.FileName = path("default.gif");
    d.child.VideoSource.clear();
    ASSERT_TRUE(d.child.Sauve(0));
    const testsupport::Played played = testsupport::composeWithPillow(path("default.gif"));
    ASSERT_EQ(played.frames.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i)
        EXPECT_EQ(played.frames[i].convertToFormat(QImage::Format_RGB32), gif::DitherToCubeRgb(frames[i])) << i;
    const double cube = meanPsnr(path("default.gif"), frames);

    // "Palette optimisée" works on the true colours: as good as the same
    // frames imported as pictures, and far above the cube.
    d.child.ColorReduction = 7;
    d.child.DitherMode = 0;
    d.child.FileName = path("optimised.gif");
    ASSERT_TRUE(d.child.Sauve(0));
    const double optimised = meanPsnr(path("optimised.gif"), frames);
    QStringList pictures;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        pictures << path(QStringLiteral("frame%1.png").arg(i, 2, 10, QLatin1Char('0')));
        ASSERT_TRUE(frames[i].save(pictures.last()));
    }
    Document p;
    p.child.appendPictures(pictures);
    p.child.ColorReduction = 7;
    p.child.FileName = path("pictures.gif");
    ASSERT_TRUE(p.child.Sauve(0));
    const double asPictures = meanPsnr(path("pictures.gif"), frames);
    EXPECT_GT(optimised, asPictures - 1.0);
    EXPECT_GT(optimised, cube + 6.0) << "cube " << cube;
}

TEST_F(VideoDocument, theAviExportHoldsTheColoursOfTheGifSave)
{
    const QString clip = photoClip();
    ASSERT_FALSE(clip.isEmpty());
    for (const auto& [reduction, dither] : {std::pair{6, 1}, std::pair{7, 0}, std::pair{5, 3}, std::pair{4, 1}}) {
        SCOPED_TRACE(QStringLiteral("reduction %1 dither %2").arg(reduction).arg(dither).toStdString());
        Document d;
        d.prompts.video = {0, 11, 120};
        d.child.Charge(clip);
        d.child.ColorReduction = reduction;
        d.child.DitherMode = dither;
        d.child.RemoveLocalPalettes = true;  // one palette, as an AVI stream has
        d.child.FileName = path("same.gif");
        d.child.VideoSource.clear();
        ASSERT_TRUE(d.child.Sauve(0));
        d.prompts.aviFile = path("same.avi");
        d.prompts.answers = {Answer::Yes};
        ASSERT_TRUE(d.child.SauveAvi(1));
        // Read back by FFmpeg's AVI reader, composed by Pillow for the GIF.
        const testsupport::Played gif = testsupport::composeWithPillow(path("same.gif"));
        const std::vector<QImage> avi = decoded(path("same.avi"));
        ASSERT_EQ(avi.size(), gif.frames.size());
        for (std::size_t i = 0; i < avi.size(); ++i)
            EXPECT_EQ(avi[i], gif.frames[i].convertToFormat(QImage::Format_RGB32)) << i;
    }
}

TEST_F(VideoDocument, aLongDelayKeepsTheAviSmallAndItsTimeline)
{
    Document d;
    d.fill({0xff0000, 0x00ff00, 0x0000ff, 0xffff00}, 160, 120);
    for (int i = 0; i < 4; ++i)
        d.child.setFrameDelay(i, i == 2 ? 65535 : 10);
    d.prompts.aviFile = path("long.avi");
    ASSERT_TRUE(d.child.SauveAvi(1));
    // Four pictures, and an empty chunk for every other period of 5
    // hundredths: 24 bytes each instead of a copy of the picture.
    const std::int64_t picture = 160 * 120;
    const std::int64_t periods = (10 + 10 + 65535 + 10) / 5;
    EXPECT_LT(QFileInfo(path("long.avi")).size(), 4 * picture + periods * 24 + 4096);
    // ffprobe reads the four pictures at their times.
    const std::vector<double> times = testsupport::ffprobeFrameTimes(path("long.avi"));
    EXPECT_EQ(times, (std::vector<double>{0, 0.1, 0.2, 655.55}));
    // And the editor opens it again with the delays.
    Document e;
    e.prompts.video = {0, 3, 160};
    e.child.Charge(path("long.avi"));
    ASSERT_EQ(e.child.ImageList1.count(), 4);
    EXPECT_EQ(e.child.frameDelays(), (std::vector<int>{10, 10, 65535, 10}));
}
