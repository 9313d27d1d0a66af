// Exports to MP4, WebM, animated WebP and animated PNG, read back by FFmpeg
// (libavformat through the video reader, and ffprobe) and by Pillow: frame
// count, each frame's time, pixels within each format's tolerance, alpha and
// loop count; odd sizes, one frame and many; a failing disk.
#include "common/error.h"
#include "document/scripted.h"
#include "formats/animationwriter.h"
#include "formats/manifest.h"
#include "formats/video.h"
#include "support/ffmpegtest.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cmath>
#include <gtest/gtest.h>

using namespace orugif;
using formats::AnimationFormat;
using orugif::test::Document;

namespace {

// A frame with a gradient and a block at a place of its own, so that
// neighbouring frames differ everywhere a little and somewhere a lot.
QImage pattern(int w, int h, int n)
{
    QImage frame(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const bool block = x / 16 == n % std::max(1, w / 16) && y < h / 2;
            row[x] = block ? qRgb(250, 30, 30) : qRgb((x * 255) / std::max(1, w - 1), (y * 255) / std::max(1, h - 1), 60 * n % 256);
        }
    }
    return frame;
}

void fill(Document& d, int count, QSize size)
{
    d.child.ImageList1.assign({}, size);
    for (int i = 0; i < count; ++i)
        d.child.ImageList1.add(pattern(size.width(), size.height(), i));
    d.child.NewFrame = false;
    d.child.CurrentIndex = 0;
    d.child.LitCadre();
}

struct Played {
    std::vector<QImage> frames;  // ARGB32
    std::vector<int> durations;  // milliseconds
    int loop = -1;
};

// Pillow's reading of an animated WebP or PNG.
Played playWithPillow(const QString& path)
{
    Played played;
    QProcess p;
    p.start("/usr/bin/python3",
            {"-c",
             "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
             "print(im.info.get('loop', -1))\n"
             "for i in range(getattr(im, 'n_frames', 1)):\n"
             "    im.seek(i); im.load()\n"
             "    f = im.convert('RGBA')\n"
             "    print(im.info.get('duration', -1), f.width, f.height, f.tobytes().hex())\n",
             path});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        ADD_FAILURE() << "Pillow cannot read " << path.toStdString() << ": " << p.readAllStandardError().toStdString();
        return played;
    }
    const QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
    played.loop = lines.value(0).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> parts = lines[i].split(' ');
        if (parts.size() != 4)
            continue;
        played.durations.push_back(int(std::lround(parts[0].toDouble())));
        const int w = parts[1].toInt(), h = parts[2].toInt();
        const QByteArray rgba = QByteArray::fromHex(parts[3]);
        QImage frame(w, h, QImage::Format_ARGB32);
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const auto* c = reinterpret_cast<const std::uint8_t*>(rgba.constData()) + 4 * (qsizetype(y) * w + x);
                row[x] = qRgba(c[0], c[1], c[2], c[3]);
            }
        }
        played.frames.push_back(frame);
    }
    return played;
}

struct Decoded {
    std::vector<QImage> frames;
    std::vector<double> times;  // seconds, then the end
};

Decoded decode(const QString& path)
{
    formats::VideoReader video(path);
    Decoded out;
    video.read(0, video.info().frames - 1, 0, 0, [&](std::int64_t, const QImage& f) {
        out.frames.push_back(f);
        return true;
    });
    out.times = video.times();
    return out;
}

const char* suffix(AnimationFormat format)
{
    switch (format) {
    case AnimationFormat::Mp4:
        return "mp4";
    case AnimationFormat::WebM:
        return "webm";
    case AnimationFormat::WebP:
        return "webp";
    case AnimationFormat::Apng:
        break;
    }
    return "png";
}

class AnimationExport : public testsupport::FfmpegTest, public ::testing::WithParamInterface<AnimationFormat> {
protected:
    QString out(const char* base) const { return path(QStringLiteral("%1.%2").arg(base, suffix(GetParam()))); }
};

} // namespace

TEST_P(AnimationExport, framesKeepTheirTimesPixelsAndLoop)
{
    const AnimationFormat format = GetParam();
    Document d;
    fill(d, 4, QSize(96, 64));
    const std::vector<int> delays{10, 50, 0, 7};
    for (int i = 0; i < 4; ++i)
        d.child.setFrameDelay(i, delays[std::size_t(i)]);
    d.child.RepeatCount = 3;
    d.child.AnimationLossless = true;
    const QString file = out("anim");
    d.child.writeAnimationFile(file, d.child.animationOptions(format));
    // A delay of 0 gets the browsers' 2 hundredths (every format's frames
    // need a time of their own), and the user is told.
    const std::vector<int> shown{10, 50, 2, 7};
    EXPECT_EQ(d.prompts.told.size(), 1) << d.prompts.told.join('\n').toStdString();

    if (format == AnimationFormat::WebP || format == AnimationFormat::Apng) {
        // Exact pixels, each frame's own time, the plays: the three plays
        // after the first and the first.
        const Played played = playWithPillow(file);
        ASSERT_EQ(played.frames.size(), 4u);
        EXPECT_EQ(played.loop, 4);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(played.durations[i], shown[i] * 10) << i;
            EXPECT_EQ(played.frames[i].convertToFormat(QImage::Format_RGB32), d.child.ImageList1.frame(int(i))) << i;
        }
    }
    if (format != AnimationFormat::WebP) {
        // FFmpeg reads every frame at its time, to the hundredth.
        const Decoded decoded = decode(file);
        ASSERT_EQ(decoded.frames.size(), 4u);
        double at = 0;
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_NEAR(decoded.times[i] - decoded.times[0], at, 0.0051) << i;
            at += shown[i] / 100.0;
            EXPECT_GT(testsupport::psnr(decoded.frames[i], d.child.ImageList1.frame(int(i))), 30.0) << i;
        }
        EXPECT_NEAR(decoded.times.back() - decoded.times.front(), at, 0.0101);
        // ffprobe finds the same times.
        const std::vector<double> probed = testsupport::ffprobeFrameTimes(file);
        ASSERT_EQ(probed.size(), 4u);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_NEAR(probed[i] - probed[0], decoded.times[i] - decoded.times[0], 0.0051) << i;
    }
}

TEST_P(AnimationExport, transparencyIsKeptWhereTheFormatHasIt)
{
    const AnimationFormat format = GetParam();
    Document d;
    fill(d, 2, QSize(32, 32));
    // The page colour shows in the frames' lower halves.
    for (int i = 0; i < 2; ++i) {
        QImage frame = d.child.ImageList1.frame(i);
        for (int y = 16; y < 32; ++y)
            std::fill_n(reinterpret_cast<QRgb*>(frame.scanLine(y)), 32, qRgb(255, 255, 254));
        d.child.ImageList1.replace(i, frame);
    }
    d.child.LitCadre();
    d.child.TransparentBackground = true;
    d.child.transparentColour = fromQRgb(qRgb(255, 255, 254));
    d.child.AnimationLossless = true;
    const QString file = out("clear");
    d.child.writeAnimationFile(file, d.child.animationOptions(format));
    if (format == AnimationFormat::WebP || format == AnimationFormat::Apng) {
        const Played played = playWithPillow(file);
        ASSERT_EQ(played.frames.size(), 2u);
        EXPECT_EQ(qAlpha(played.frames[1].pixel(5, 20)), 0);
        EXPECT_EQ(qAlpha(played.frames[1].pixel(5, 5)), 255);
    } else {
        // A video has no alpha: the page colour shows.
        const Decoded decoded = decode(file);
        ASSERT_EQ(decoded.frames.size(), 2u);
        const QRgb page = decoded.frames[1].pixel(5, 24);
        EXPECT_GT(qRed(page) + qGreen(page) + qBlue(page), 3 * 245);
    }
}

TEST_P(AnimationExport, oddSizesOneFrameAndManyFrames)
{
    const AnimationFormat format = GetParam();
    for (QSize size : {QSize(1, 1), QSize(321, 241)}) {
        SCOPED_TRACE(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height()).toStdString());
        Document d;
        fill(d, 3, size);
        d.child.AnimationLossless = true;
        const QString file = out("odd");
        d.child.writeAnimationFile(file, d.child.animationOptions(format));
        if (format == AnimationFormat::WebP) {
            const Played played = playWithPillow(file);
            ASSERT_EQ(played.frames.size(), 3u);
            EXPECT_EQ(played.frames[0].size(), size);
            continue;
        }
        const Decoded decoded = decode(file);
        ASSERT_EQ(decoded.frames.size(), 3u);
        // H.264 in 4:2:0 takes even sides: one more column and row, said.
        const QSize written = format == AnimationFormat::Mp4 ? QSize(size.width() + size.width() % 2,
                                                                     size.height() + size.height() % 2)
                                                             : size;
        EXPECT_EQ(decoded.frames[0].size(), written);
        // One delay for all: a steady stream that still ends on time.
        EXPECT_NEAR(decoded.times.back() - decoded.times.front(), 3 * d.child.frameDelay(0) / 100.0, 0.0101);
        EXPECT_EQ(d.prompts.told.size(), format == AnimationFormat::Mp4 ? 1 : 0);
    }
    // One frame, and 2000 frames of 8 x 8.
    Document one;
    fill(one, 1, QSize(40, 30));
    one.child.writeAnimationFile(out("one"), one.child.animationOptions(format));
    Document many;
    fill(many, 2000, QSize(8, 8));
    many.child.writeAnimationFile(out("many"), many.child.animationOptions(format));
    if (format == AnimationFormat::WebP) {
        EXPECT_EQ(playWithPillow(out("one")).frames.size(), 1u);
        EXPECT_EQ(playWithPillow(out("many")).frames.size(), 2000u);
    } else {
        EXPECT_EQ(decode(out("one")).frames.size(), 1u);
        EXPECT_EQ(formats::VideoReader(out("many")).info().frames, 2000);
    }
}

TEST_P(AnimationExport, aFullDiskLeavesThePreviousFile)
{
    const AnimationFormat format = GetParam();
    const QString file = out("kept");
    const QByteArray previous(3000, 'x');
    ASSERT_TRUE(testsupport::writeBytes(file, previous));
    // Noise: every format's file passes the limit.
    Document d;
    d.child.ImageList1.assign({}, QSize(64, 48));
    for (unsigned seed : {1u, 2u, 3u})
        d.child.ImageList1.add(testsupport::noise(64, 48, seed));
    d.child.NewFrame = false;
    d.child.LitCadre();
    d.child.FileName = file;
    const int outcome = testsupport::withFileSizeLimit(2048, [&] {
        try {
            d.child.Sauve(0);
        } catch (const Error&) {
            return 0;
        }
        return 1;
    });
    EXPECT_EQ(outcome, 0) << "the failure was reported as a success";
    EXPECT_EQ(formatstest::readFile(file), previous);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(file).fileName()});
    // Without the limit "Enregistrer" writes the format the name asks for.
    d.child.Sauve(0);
    if (format != AnimationFormat::WebP) {
        EXPECT_EQ(decode(file).frames.size(), 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, AnimationExport,
                         ::testing::Values(AnimationFormat::Mp4, AnimationFormat::WebM, AnimationFormat::WebP,
                                           AnimationFormat::Apng),
                         [](const auto& info) { return std::string(suffix(info.param)); });

TEST(AnimationExportDialog, theMenuCommandAsksNameAndOptionsAndRefusesOtherSuffixes)
{
    if (!testsupport::haveFfmpeg())
        GTEST_SKIP() << "no ffmpeg command";
    QTemporaryDir dir;
    Document d;
    fill(d, 3, QSize(64, 48));
    d.child.FileName = dir.filePath("anim.gif");
    // Cancelled name, then cancelled options: nothing written.
    EXPECT_FALSE(d.child.ExporterAnimation());
    EXPECT_EQ(d.prompts.animationDialogStartedOn, dir.filePath("anim.mp4"));
    d.prompts.animationFile = dir.filePath("clip");
    EXPECT_FALSE(d.child.ExporterAnimation());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("clip.mp4")));
    // Confirmed: the estimate is the file's size; a bare name is an MP4.
    d.prompts.animationQuality = 30;
    ASSERT_TRUE(d.child.ExporterAnimation());
    EXPECT_EQ(QFileInfo(dir.filePath("clip.mp4")).size(), d.prompts.estimated);
    EXPECT_EQ(d.child.AnimationQuality, 30);
    EXPECT_EQ(d.child.FileName, dir.filePath("anim.gif"));  // an export keeps the document's name
    // An existing file is replaced only after "Oui".
    d.prompts.answers = {Answer::No};
    EXPECT_FALSE(d.child.ExporterAnimation());
    // Another suffix is refused, naming the ones that are written.
    d.prompts.animationFile = dir.filePath("clip.mkv");
    try {
        d.child.ExporterAnimation();
        ADD_FAILURE() << "a .mkv export was not refused";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains(".mp4, .webm, .webp, .png")) << e.what();
    }
}

TEST(AnimationExportDialog, aMissingEncoderIsNamed)
{
    try {
        formats::requireEncoder("no-such-encoder", "MP4 (H.264)");
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QString::fromUtf8("L'encodeur no-such-encoder de FFmpeg n'est pas installé : impossible "
                                                 "d'écrire en MP4 (H.264)."));
    }
    EXPECT_NE(formats::requireEncoder("libx264", "MP4 (H.264)"), nullptr);
}
