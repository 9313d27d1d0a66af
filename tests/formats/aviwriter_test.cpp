// The AVI writer read back by FFmpeg's own demuxer and decoder: an 8-bit
// palette stream, the frame count, the time base from the delay, and every
// pixel equal to the frame's colour on the palette.
#include "common/error.h"
#include "formats/aviwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

using namespace orugif;

namespace {

struct ReadBack {
    AVPixelFormat format = AV_PIX_FMT_NONE;
    AVRational timeBase{0, 1};
    std::int64_t streamFrames = 0;
    std::vector<QImage> frames;  // RGB32, from the decoded indexes and palette
};

// Demuxes and decodes `path` with FFmpeg.
ReadBack readBack(const QString& path)
{
    ReadBack out;
    AVFormatContext* format = nullptr;
    const QByteArray name = QFile::encodeName(path);
    if (avformat_open_input(&format, name.constData(), nullptr, nullptr) < 0)
        return out;
    avformat_find_stream_info(format, nullptr);
    AVStream* stream = format->streams[0];
    out.timeBase = stream->time_base;
    out.streamFrames = stream->nb_frames;
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(context, stream->codecpar);
    avcodec_open2(context, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    const auto take = [&] {
        while (avcodec_receive_frame(context, frame) == 0) {
            out.format = AVPixelFormat(frame->format);
            QImage picture(frame->width, frame->height, QImage::Format_RGB32);
            const auto* palette = reinterpret_cast<const std::uint32_t*>(frame->data[1]);
            for (int y = 0; y < frame->height; ++y) {
                const std::uint8_t* indexes = frame->data[0] + std::ptrdiff_t(y) * frame->linesize[0];
                auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
                for (int x = 0; x < frame->width; ++x)
                    row[x] = palette[indexes[x]] | 0xff000000u;
            }
            // Empty chunks repeat the picture before: the timeline shows it
            // until the next picture's time.
            const std::int64_t at = frame->best_effort_timestamp;
            while (!out.frames.empty() && at != AV_NOPTS_VALUE && std::int64_t(out.frames.size()) < at)
                out.frames.push_back(out.frames.back());
            out.frames.push_back(picture);
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == 0 && avcodec_send_packet(context, packet) == 0)
            take();
        av_packet_unref(packet);
    }
    avcodec_send_packet(context, nullptr);
    take();
    while (!out.frames.empty() && std::int64_t(out.frames.size()) < out.streamFrames)
        out.frames.push_back(out.frames.back());
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&format);
    return out;
}

// Frames 13 x 7 (rows padded in the file) of a few colours each.
std::vector<QImage> fewColours()
{
    std::vector<QImage> frames;
    for (int f = 0; f < 3; ++f) {
        QImage frame(13, 7, QImage::Format_RGB32);
        for (int y = 0; y < frame.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = 0; x < frame.width(); ++x)
                row[x] = qRgb(17 * ((x + f) % 5), 200 - 9 * y, f * 60 + 1);
        }
        frames.push_back(frame);
    }
    return frames;
}

QImage nearestCube(const QImage& picture)
{
    QImage out = picture.convertToFormat(QImage::Format_RGB32);
    const auto level = [](int c) { return (c + 25) / 51 * 51; };
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            row[x] = qRgb(level(qRed(row[x])), level(qGreen(row[x])), level(qBlue(row[x])));
    }
    return out;
}

} // namespace

TEST(AviWriter, sharedColoursReadBackExactlyWithTheDelay)
{
    QTemporaryDir dir;
    const std::vector<QImage> frames = fewColours();
    for (int delay : {10, 7, 0}) {
        SCOPED_TRACE(delay);
        const QString path = dir.filePath(QStringLiteral("few%1.avi").arg(delay));
        formats::writeAvi(path, frames, delay);
        EXPECT_EQ(QFileInfo(path).size(), formats::aviFileSize(3, 3, 13, 7));
        const ReadBack back = readBack(path);
        EXPECT_EQ(back.format, AV_PIX_FMT_PAL8);
        EXPECT_EQ(back.streamFrames, 3);
        // Rate 100, scale the delay (at least 1): a delay of 10 plays 10 frames a second.
        EXPECT_EQ(av_cmp_q(back.timeBase, AVRational{std::max(delay, 1), 100}), 0)
            << back.timeBase.num << "/" << back.timeBase.den;
        ASSERT_EQ(back.frames.size(), 3u);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(back.frames[i], frames[i]) << i;
    }
}

TEST(AviWriter, manyColoursGoToTheCube)
{
    std::vector<QImage> frames;
    for (int f = 0; f < 2; ++f) {
        QImage frame(40, 30, QImage::Format_RGB32);
        for (int y = 0; y < 30; ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = 0; x < 40; ++x)
                row[x] = qRgb(x * 6 + f, y * 8, (x * y) % 256);
        }
        frames.push_back(frame);
    }
    const formats::AviFrames mapped = formats::aviFrames(frames);
    EXPECT_EQ(mapped.palette.size(), 216);
    QTemporaryDir dir;
    formats::writeAvi(dir.filePath("cube.avi"), frames, 4);
    const ReadBack back = readBack(dir.filePath("cube.avi"));
    ASSERT_EQ(back.frames.size(), 2u);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(back.frames[i], nearestCube(frames[i])) << i;
}

TEST(AviWriter, refusalsAndFailedWritesLeaveThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("kept.avi");
    formats::writeAvi(path, fewColours(), 10);
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    const QByteArray before = kept.readAll();
    kept.close();

    // 300 frames of 2000 x 2000 would pass 1 GiB: refused before writing.
    EXPECT_GT(formats::aviFileSize(300, 300, 2000, 2000), formats::kAviSizeLimit);
    EXPECT_LT(formats::aviFileSize(200, 200, 2000, 2000), formats::kAviSizeLimit);
    const std::vector<QImage> huge(300, QImage(2000, 2000, QImage::Format_RGB32));
    EXPECT_THROW(formats::writeAvi(path, huge, 10), Error);
    EXPECT_THROW(formats::writeAvi(path, {}, 10), Error);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), before);
    kept.close();

    // A folder that is a file: the write fails and leaves nothing behind.
    QFile plain(dir.filePath("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_THROW(formats::writeAvi(dir.filePath("plain/out.avi"), fewColours(), 10), Error);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST(AviWriter, framesOfDifferentDelaysKeepTheirTimes)
{
    // Delays 10, 50, 10, 200: a period of 10 hundredths, the frames written
    // 1, 5, 1 and 20 times; one delay for all writes each frame once; a
    // delay of 0 counts 1.
    const formats::AviTiming mixed = formats::aviTiming({10, 50, 10, 200});
    EXPECT_EQ(mixed.scale, 10u);
    EXPECT_EQ(mixed.repeats, (std::vector<int>{1, 5, 1, 20}));
    EXPECT_EQ(mixed.count, 27);
    EXPECT_EQ(formats::aviTiming({7, 7}).repeats, (std::vector<int>{1, 1}));
    EXPECT_EQ(formats::aviTiming({0, 3}).repeats, (std::vector<int>{1, 3}));

    QTemporaryDir dir;
    const QString path = dir.filePath("timed.avi");
    const std::vector<QImage> frames = fewColours();
    formats::writeAvi(path, frames, std::vector<int>{4, 12, 8});
    EXPECT_EQ(QFileInfo(path).size(), formats::aviFileSize(3, 6, 13, 7));
    const ReadBack back = readBack(path);
    EXPECT_EQ(back.timeBase.num * 100, back.timeBase.den * 4);  // 4 hundredths a frame
    ASSERT_EQ(back.frames.size(), 6u);
    const int shown[] = {0, 1, 1, 1, 2, 2};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(back.frames[std::size_t(i)], frames[std::size_t(shown[i])].convertToFormat(QImage::Format_RGB32))
            << "frame " << i;
    EXPECT_THROW(formats::writeAvi(path, frames, std::vector<int>{4, 12}), Error);
}
