// Video reading through FFmpeg against the AVI corpus: frame counts, sizes
// and delays from the manifest, first frames against the manifest's hashes
// (uncompressed clips) and against the ffmpeg command's own decoding.
#include "common/error.h"
#include "formats/manifest.h"
#include "formats/video.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orugif;
using formatstest::ManifestRow;

namespace {

std::vector<ManifestRow> clips() { return formatstest::readManifest("avi/MANIFEST.tsv"); }

// The frames at positions first..last, as the reader gives them.
std::vector<QImage> readFrames(formats::VideoReader& video, std::int64_t first, std::int64_t last, int width = 0)
{
    std::vector<QImage> frames;
    video.read(first, last, width, 0, [&](std::int64_t, const QImage& frame) {
        frames.push_back(frame);
        return true;
    });
    return frames;
}

// The mean absolute difference per channel of two pictures of one size.
double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB888), y = b.convertToFormat(QImage::Format_RGB888);
    double total = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (int i = 0; i < x.width() * 3; ++i)
            total += std::abs(int(p[i]) - int(q[i]));
    }
    return total / (double(x.width()) * x.height() * 3);
}

} // namespace

TEST(Video, corpusClipsGiveTheirCountsSizesDelaysAndPictures)
{
    const auto rows = clips();
    ASSERT_GE(rows.size(), 9u);
    const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
    QTemporaryDir dir;
    for (const ManifestRow& row : rows) {
        SCOPED_TRACE(row["file"].toStdString());
        const QString path = testsupport::testdata("avi/" + row["file"]);
        formats::VideoReader video(path);
        const formats::VideoInfo& info = video.info();
        EXPECT_EQ(info.frames, row["frames"].toLongLong());
        EXPECT_EQ(info.size, QSize(row["width"].toInt(), row["height"].toInt()));
        EXPECT_EQ(info.delay, row["delay_cs"].toInt());
        EXPECT_EQ(info.codec, row["codec"]);

        const auto frames = readFrames(video, 0, info.frames - 1);
        ASSERT_EQ(std::int64_t(frames.size()), info.frames);
        for (const QImage& frame : frames)
            ASSERT_EQ(frame.size(), info.size);
        // Uncompressed pictures convert exactly.
        if (row["codec"] == "rawvideo") {
            EXPECT_EQ(formatstest::rgbSha256(frames.front()), row["first_frame_rgb24_sha256"]);
        }
        // The last frame as ffmpeg itself decodes it.
        if (!ffmpeg.isEmpty()) {
            const QString png = dir.filePath(row["file"] + ".png");
            QProcess::execute(ffmpeg, {"-v", "error", "-y", "-i", path, "-vf",
                                       QStringLiteral("select=eq(n\\,%1)").arg(info.frames - 1), "-frames:v", "1",
                                       png});
            const QImage reference(png);
            ASSERT_FALSE(reference.isNull());
            EXPECT_LT(meanDifference(frames.back(), reference), 2.0);
        }
    }
}

TEST(Video, rangesAndWidths)
{
    formats::VideoReader video(testsupport::testdata("avi/mjpeg-25fps.avi"));
    const auto all = readFrames(video, 0, 29);
    ASSERT_NE(all[5], all[6]);
    // A range gives exactly those positions, in order.
    const auto some = readFrames(video, 5, 7);
    ASSERT_EQ(some.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(some[i], all[5 + i]) << i;
    EXPECT_TRUE(readFrames(video, 4, 3).empty());
    // A narrower width scales with the proportions; wider keeps the size.
    const auto half = readFrames(video, 0, 0, 80);
    ASSERT_EQ(half.size(), 1u);
    EXPECT_EQ(half[0].size(), QSize(80, 60));
    EXPECT_LT(meanDifference(half[0], all[0].scaled(80, 60, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)), 12.0);
    EXPECT_EQ(video.scaledSize(500), QSize(160, 120));
    // The bottom-up clip reads the right way up.
    formats::VideoReader topDown(testsupport::testdata("avi/raw-pal8-15fps.avi"));
    formats::VideoReader bottomUp(testsupport::testdata("avi/raw-pal8-bottomup-15fps.avi"));
    EXPECT_EQ(readFrames(bottomUp, 0, 0)[0], readFrames(topDown, 0, 0)[0]);
}

TEST(Video, hostileFilesRaiseMessagesNamingThem)
{
    QTemporaryDir dir;
    const QByteArray clip = formatstest::readFile(testsupport::testdata("avi/raw-pal8-15fps.avi"));
    ASSERT_GT(clip.size(), 4000);
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir.filePath(name);
    };
    const QString text = write("text.avi", "This is not a video at all, only words.\n");
    const QString empty = write("empty.avi", {});
    const QString headerOnly = write("header.avi", clip.left(600));
    for (const QString& path : {text, empty, dir.filePath("missing.avi")}) {
        try {
            formats::VideoReader video(path);
            ADD_FAILURE() << "no error for " << path.toStdString();
        } catch (const Error& e) {
            EXPECT_TRUE(e.message().contains(QFileInfo(path).fileName())) << e.what();
            EXPECT_TRUE(e.message().startsWith("Failed to")) << e.what();
        }
    }
    // A header without frames opens on no frame, or fails; nothing decodes.
    try {
        formats::VideoReader video(headerOnly);
        EXPECT_EQ(video.info().frames, 0);
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith("Failed to")) << e.what();
    }
    // Cut in the middle of its frames: the frames it still holds read, the
    // rest are missing from the count.
    formats::VideoReader cut(write("cut.avi", clip.left(clip.size() / 2)));
    ASSERT_GT(cut.info().frames, 0);
    EXPECT_LT(cut.info().frames, 16);
    const auto kept = readFrames(cut, 0, cut.info().frames - 1);
    EXPECT_GE(std::int64_t(kept.size()), cut.info().frames - 1);
    EXPECT_EQ(cut.decoded(), std::int64_t(kept.size()));
    // Positions beyond the stream name the first one it lacks.
    formats::VideoReader video(testsupport::testdata("avi/raw-pal8-15fps.avi"));
    try {
        readFrames(video, 10, 40);
        ADD_FAILURE();
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().startsWith("Failed to decompress AVI frame 16")) << e.what();
    }
}
