// Clips made by the ffmpeg command, read back by our video reader and
// compared with what ffmpeg and ffprobe themselves decode: every size, the
// colour matrices and ranges, rotation and pixel aspect, timing at common
// and variable rates, headers that lie and files that were cut.
#include "common/error.h"
#include "formats/video.h"
#include "support/ffmpegtest.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>
#include <gtest/gtest.h>
#include <numeric>

using namespace orugif;

namespace {

struct Read {
    std::vector<QImage> frames;
    std::vector<double> times;
    std::int64_t decoded = 0;
};

Read readAll(const QString& path, int width = 0, double fps = 0)
{
    formats::VideoReader video(path);
    Read out;
    video.read(0, video.info().frames - 1, width, fps, [&](std::int64_t, const QImage& frame) {
        out.frames.push_back(frame);
        return true;
    });
    out.times = video.times();
    out.decoded = video.decoded();
    return out;
}

class VideoClips : public testsupport::FfmpegTest {};

} // namespace

TEST_F(VideoClips, everySizeReadsWithinItsPictureAsFfmpegDecodesIt)
{
    // Widths and heights 1 to 130 (the converter writes whole blocks of
    // pixels: any width not a multiple of 16 once wrote past the picture),
    // lossless so that only the conversion differs; then common sizes of
    // real clips in H.264.
    std::vector<std::pair<QSize, bool>> sizes;
    for (int side = 1; side <= 130; ++side) {
        sizes.push_back({QSize(side, 7), false});
        sizes.push_back({QSize(9, side), false});
    }
    for (QSize common : {QSize(426, 240), QSize(200, 150), QSize(120, 90), QSize(232, 130), QSize(248, 140),
                         QSize(424, 240), QSize(854, 480), QSize(1280, 720)})
        sizes.push_back({common, true});
    for (const auto& [size, h264] : sizes) {
        SCOPED_TRACE(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
        const QString clip = path(h264 ? "c.mp4" : "c.mkv");
        const QSize made = h264 ? size : QSize(160, 160);  // cut down to odd sizes
        const QString source = QStringLiteral("testsrc2=size=%1x%2:rate=10").arg(made.width()).arg(made.height());
        QStringList options{"-f", "lavfi", "-i", source, "-frames:v", "2", "-vf",
                            QStringLiteral("format=rgb24,crop=%1:%2:0:0").arg(size.width()).arg(size.height())};
        options << (h264 ? QStringList{"-c:v", "libx264", "-pix_fmt", "yuv420p"}
                         : QStringList{"-c:v", "ffv1", "-pix_fmt", "yuv420p"});
        ASSERT_TRUE(testsupport::makeClip(clip, options));
        const Read ours = readAll(clip);
        const std::vector<QImage> reference = testsupport::ffmpegFrames(clip, size);
        ASSERT_EQ(ours.frames.size(), 2u);
        ASSERT_EQ(reference.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            ASSERT_EQ(ours.frames[i].size(), size);
            EXPECT_GT(testsupport::psnr(ours.frames[i], reference[i]), 40.0) << "frame " << i;
        }
    }
}

TEST_F(VideoClips, coloursFollowTheStreamMatrixAndRange)
{
    // Tagged BT.709, BT.601 and BT.2020 in limited and full range, and
    // untagged (FFmpeg's default): the colours ffmpeg gives, within a level.
    const struct {
        const char* matrix;
        const char* range;
    } cases[] = {{"bt709", "tv"}, {"bt709", "pc"}, {"bt470bg", "tv"}, {"smpte170m", "pc"}, {"bt2020nc", "tv"}, {nullptr, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.matrix ? QStringLiteral("%1 %2").arg(c.matrix, c.range).toStdString() : "untagged");
        const QString clip = path("colours.mp4");
        QStringList options{"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=10", "-frames:v", "2"};
        if (c.matrix)
            options << "-vf" << QStringLiteral("scale=out_color_matrix=%1:out_range=%2").arg(c.matrix, c.range)
                    << "-colorspace" << c.matrix << "-color_range" << c.range;
        options << "-pix_fmt" << "yuv420p";
        ASSERT_TRUE(testsupport::makeClip(clip, options));
        const Read ours = readAll(clip);
        const std::vector<QImage> reference = testsupport::ffmpegFrames(clip, QSize(160, 120));
        ASSERT_EQ(ours.frames.size(), reference.size());
        for (std::size_t i = 0; i < reference.size(); ++i)
            EXPECT_GT(testsupport::psnr(ours.frames[i], reference[i]), 45.0) << "frame " << i;
    }
}

TEST_F(VideoClips, picturesAreTurnedAndStretchedAsPlayersShowThem)
{
    ASSERT_TRUE(testsupport::makeClip(path("base.mp4"), {"-f", "lavfi", "-i", "testsrc2=size=160x96:rate=10",
                                                         "-frames:v", "2", "-pix_fmt", "yuv420p"}));
    for (int turn : {90, 180, 270}) {
        SCOPED_TRACE(turn);
        const QString clip = path(QStringLiteral("turned%1.mp4").arg(turn));
        ASSERT_TRUE(testsupport::makeClip(clip, {"-i", path("base.mp4"), "-c", "copy", "-metadata:s:v:0",
                                                 QStringLiteral("rotate=%1").arg(turn)}));
        formats::VideoReader video(clip);
        const QSize shown = turn == 180 ? QSize(160, 96) : QSize(96, 160);
        EXPECT_EQ(video.info().size, shown);
        EXPECT_EQ(video.info().stored, QSize(160, 96));
        // ffmpeg turns the pictures by the same display matrix.
        const Read ours = readAll(clip);
        const std::vector<QImage> reference = testsupport::ffmpegFrames(clip, shown);
        ASSERT_EQ(ours.frames.size(), reference.size());
        for (std::size_t i = 0; i < reference.size(); ++i)
            EXPECT_GT(testsupport::psnr(ours.frames[i], reference[i]), 45.0) << "frame " << i;
        // A chosen width keeps the shown proportions.
        EXPECT_EQ(readAll(clip, 48).frames.front().size(), turn == 180 ? QSize(48, 29) : QSize(48, 80));
    }
    // Pixels twice as wide as high show twice as wide.
    const QString wide = path("wide.mp4");
    ASSERT_TRUE(testsupport::makeClip(wide, {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=10", "-frames:v", "2",
                                             "-vf", "setsar=2/1", "-pix_fmt", "yuv420p"}));
    const Read stretched = readAll(wide);
    ASSERT_EQ(stretched.frames.size(), 2u);
    EXPECT_EQ(stretched.frames[0].size(), QSize(320, 120));
    const std::vector<QImage> reference = testsupport::ffmpegFrames(wide, QSize(320, 120), "scale=320:120");
    EXPECT_GT(testsupport::psnr(stretched.frames[0], reference[0]), 35.0);
}

TEST_F(VideoClips, delaysAddUpToTheClipAndFollowEachFrame)
{
    const struct {
        const char* rate;
        int seconds;
        int sameDelay;  // every frame's delay when the rate is a whole number of hundredths
    } cases[] = {{"30000/1001", 10, 0}, {"30", 3, 0}, {"24", 2, 0}, {"15", 4, 0}, {"25", 2, 4}, {"50", 1, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        const QString clip = path("timed.mp4");
        ASSERT_TRUE(testsupport::makeClip(
            clip, {"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=64x48:rate=%1:duration=%2").arg(c.rate).arg(c.seconds),
                   "-pix_fmt", "yuv420p"}));
        const Read ours = readAll(clip);
        const std::vector<double> probed = testsupport::ffprobeFrameTimes(clip);
        ASSERT_EQ(ours.frames.size(), probed.size());
        const std::vector<int> delays = formats::delaysFromTimes(ours.times, formats::VideoReader(clip).info().rate);
        ASSERT_EQ(delays.size(), probed.size());
        // The whole lasts the clip's length; each frame starts within a
        // hundredth of its own time.
        const double length = ours.times.back() - ours.times.front();
        EXPECT_NEAR(std::accumulate(delays.begin(), delays.end(), 0), length * 100.0, 1.0);
        int shown = 0;
        for (std::size_t i = 0; i < delays.size(); ++i) {
            EXPECT_NEAR(shown, (probed[i] - probed[0]) * 100.0, 1.0) << "frame " << i;
            shown += delays[i];
            if (c.sameDelay) {
                EXPECT_EQ(delays[i], c.sameDelay) << "frame " << i;
            }
        }
    }

    // A variable rate: frames at 0, 0.1, 0.2, 0.3, 0.6 and 0.9 s.
    const QString vfr = path("vfr.mkv");
    ASSERT_TRUE(testsupport::makeClip(vfr, {"-f", "lavfi", "-i", "testsrc2=size=32x24:rate=10", "-vf",
                                            "setpts='if(lt(N,3),N,3*N-6)*0.1/TB'", "-fps_mode", "passthrough",
                                            "-frames:v", "6", "-c:v", "ffv1"}));
    const Read varying = readAll(vfr);
    ASSERT_EQ(varying.frames.size(), 6u);
    const std::vector<int> delays = formats::delaysFromTimes(varying.times, 0);
    EXPECT_EQ(std::vector<int>(delays.begin(), delays.end() - 1), (std::vector<int>{10, 10, 10, 30, 30}));
}

TEST_F(VideoClips, aRangeLastsUntilTheNextFrameAndARateKeepsTheNearestFrames)
{
    // 30 frames a second for 2 s.
    const QString clip = path("thirty.mp4");
    ASSERT_TRUE(testsupport::makeClip(
        clip, {"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=30:duration=2", "-pix_fmt", "yuv420p"}));
    formats::VideoReader video(clip);
    ASSERT_EQ(video.info().frames, 60);
    std::vector<QImage> all;
    video.read(0, 59, 0, 0, [&](std::int64_t, const QImage& f) {
        all.push_back(f);
        return true;
    });
    // Positions 10 to 19: the last lasts until position 20 starts.
    std::vector<std::int64_t> positions;
    video.read(10, 19, 0, 0, [&](std::int64_t at, const QImage&) {
        positions.push_back(at);
        return true;
    });
    ASSERT_EQ(positions.size(), 10u);
    EXPECT_NEAR(video.times().back() - video.times().front(), 10.0 / 30.0, 1e-6);

    // At 10 frames a second: a frame every third, times on the ticks, the
    // delays adding up to the 2 s.
    std::vector<QImage> ticked;
    positions.clear();
    video.read(0, 59, 0, 10, [&](std::int64_t at, const QImage& f) {
        positions.push_back(at);
        ticked.push_back(f);
        return true;
    });
    ASSERT_EQ(ticked.size(), 20u);
    for (std::size_t i = 0; i < ticked.size(); ++i) {
        EXPECT_EQ(positions[i], std::int64_t(3 * i));
        EXPECT_EQ(ticked[i], all[3 * i]) << i;
    }
    const std::vector<int> delays = formats::delaysFromTimes(video.times(), 10);
    EXPECT_EQ(delays, std::vector<int>(20, 10));
    // A rate above the source's keeps every frame once.
    std::size_t kept = 0;
    video.read(0, 59, 0, 50, [&](std::int64_t, const QImage&) { return ++kept > 0; });
    EXPECT_EQ(kept, 60u);
    const std::vector<int> fast = formats::delaysFromTimes(video.times(), 50);
    EXPECT_EQ(std::accumulate(fast.begin(), fast.end(), 0), 200);
}

TEST_F(VideoClips, headersThatLieAreCountedOver)
{
    // 50 frames of MJPEG in AVI; the header's counts are rewritten.
    const QString clip = path("true.avi");
    ASSERT_TRUE(testsupport::makeClip(clip, {"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=25", "-frames:v", "50",
                                             "-c:v", "mjpeg"}));
    QFile file(clip);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    const qsizetype avih = bytes.indexOf("avih"), strh = bytes.indexOf("strh");
    ASSERT_EQ(bytes.mid(strh + 8, 4), "vids");
    ASSERT_GT(avih, 0);
    ASSERT_GT(strh, 0);
    for (std::uint32_t claimed : {10u, 60u, 10000000u}) {
        SCOPED_TRACE(claimed);
        QByteArray lying = bytes;
        qToLittleEndian<std::uint32_t>(claimed, lying.data() + avih + 8 + 16);  // total frames
        qToLittleEndian<std::uint32_t>(claimed, lying.data() + strh + 8 + 32);  // stream length
        const QString liar = path(QStringLiteral("lying%1.avi").arg(claimed));
        QFile out(liar);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(lying);
        out.close();
        formats::VideoReader video(liar);
        EXPECT_EQ(video.info().frames, 50);
        EXPECT_EQ(readAll(liar).decoded, 50);
    }
}

TEST_F(VideoClips, cutFilesGiveTheFramesThatDecode)
{
    // An MP4 with its index at the front, an AVI and a Matroska file, each
    // cut after two thirds: the reader counts and decodes what ffprobe does.
    const struct {
        const char* name;
        QStringList options;
    } cases[] = {{"front.mp4", {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-movflags", "+faststart"}},
                 {"cut.avi", {"-c:v", "mjpeg"}},
                 {"cut.mkv", {"-c:v", "libx264", "-pix_fmt", "yuv420p"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString whole = path(QStringLiteral("whole-") + c.name);
        ASSERT_TRUE(testsupport::makeClip(
            whole, QStringList{"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25", "-frames:v", "30"} + c.options));
        const QString cut = cutCopy(whole, c.name, 2.0 / 3.0);

        const Read ours = readAll(cut);
        const std::size_t probed = testsupport::ffprobeFrameTimes(cut).size();
        EXPECT_GT(ours.frames.size(), 5u);
        EXPECT_LT(ours.frames.size(), 30u);
        EXPECT_EQ(ours.frames.size(), probed);
        EXPECT_EQ(ours.decoded, std::int64_t(ours.frames.size()));
    }
}
