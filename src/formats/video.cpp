#include "formats/video.h"

#include "common/error.h"
#include "common/filename.h"
#include "common/limits.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

namespace orugif::formats {

namespace {

Error failure(const char* message, const QString& path) { return Error(QStringLiteral("%1: %2").arg(QString::fromLatin1(message), QFileInfo(path).fileName())); }

// The scale and rate of the first video stream header of an AVI file, read
// from its first bytes; false when the file is no AVI or holds none.
bool aviScaleAndRate(const QString& path, std::uint32_t& scale, std::uint32_t& rate)
{
    QFile file;
    QString reason;
    if (!openForReading(file, path, reason))
        return false;
    const QByteArray head = file.read(64 * 1024);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "AVI ")
        return false;
    const auto u32 = [&](qsizetype at) {
        return std::uint32_t(std::uint8_t(head[at])) | std::uint32_t(std::uint8_t(head[at + 1])) << 8
             | std::uint32_t(std::uint8_t(head[at + 2])) << 16 | std::uint32_t(std::uint8_t(head[at + 3])) << 24;
    };
    // Every "strh" chunk: type "vids", then handler, flags, priority and
    // language, initial frames, scale, rate.
    for (qsizetype at = head.indexOf("strh"); at >= 0 && at + 36 <= head.size(); at = head.indexOf("strh", at + 4)) {
        if (head.mid(at + 8, 4) == "vids") {
            scale = u32(at + 8 + 20);
            rate = u32(at + 8 + 24);
            return true;
        }
    }
    return false;
}

} // namespace

int aviDelay(std::uint32_t scale, std::uint32_t rate)
{
    if (rate > 0)
        return int(std::lround(double(scale) * 100.0 / double(rate)));
    return int(scale / 100);
}

std::vector<int> variableDelays(const std::vector<double>& times, int averageDelay)
{
    if (times.size() < 3)
        return {};  // one frame: nothing varies
    const std::size_t frames = times.size() - 1;
    double shortest = INFINITY, longest = -INFINITY;
    for (std::size_t i = 0; i + 1 < frames; ++i) {
        const double duration = times[i + 1] - times[i];
        if (!std::isfinite(duration) || duration <= 0)
            return {};
        shortest = std::min(shortest, duration);
        longest = std::max(longest, duration);
    }
    if (longest - shortest <= 0.0015)
        return {};
    // Hundredths counted from the first frame, so that rounding never drifts.
    const auto at = [&](std::size_t i) { return std::llround((times[i] - times[0]) * 100.0); };
    std::vector<int> delays(frames);
    for (std::size_t i = 0; i + 1 < frames; ++i)
        delays[i] = int(std::clamp<long long>(at(i + 1) - at(i), 1, 0xFFFF));
    const double end = times[frames];
    delays[frames - 1] = std::isfinite(end) && end > times[frames - 1]
                             ? int(std::clamp<long long>(at(frames) - at(frames - 1), 1, 0xFFFF))
                             : averageDelay;
    return delays;
}

struct VideoReader::State {
    std::vector<double> times;
    QString path;
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    int stream = -1;
    VideoInfo info;

    ~State()
    {
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }

    void openFormat()
    {
        avformat_close_input(&format);
        if (avformat_open_input(&format, fileNameBytes(path).constData(), nullptr, nullptr) < 0)
            throw failure("Failed to open AVI file", path);
        if (avformat_find_stream_info(format, nullptr) < 0)
            throw failure("Failed to get AVI stream info", path);
        stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (stream < 0)
            throw failure("Failed to open AVI stream", path);
    }
};

VideoReader::VideoReader(const QString& path) : d_(std::make_unique<State>())
{
    // FFmpeg's own log stays silent: failures reach the user through the
    // reader's messages, and the command line prints only its own output.
    av_log_set_level(AV_LOG_QUIET);
    d_->path = path;
    d_->openFormat();
    AVStream* stream = d_->format->streams[d_->stream];
    const AVCodecParameters* parameters = stream->codecpar;
    VideoInfo& info = d_->info;
    info.size = QSize(parameters->width, parameters->height);
    // Sizes from the file are checked before any frame is allocated.
    if (!pictureSizeAllowed(info.size.width(), info.size.height()))
        throw Error(QStringLiteral("Failed to get AVI stream format: %1 (%2 x %3)")
                        .arg(QFileInfo(path).fileName(), QString::number(info.size.width()),
                             QString::number(info.size.height())));
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    info.codec = QString::fromLatin1(decoder ? decoder->name : avcodec_get_name(parameters->codec_id));
    if (!decoder)
        throw failure("Failed to start AVI decompression", path);

    AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    info.rate = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 0;
    std::uint32_t scale = 0, aviRate = 0;
    if (aviScaleAndRate(path, scale, aviRate))
        info.delay = aviDelay(scale, aviRate);  // the AVI header's own figures
    else
        info.delay = rate.num > 0 ? aviDelay(std::uint32_t(rate.den), std::uint32_t(rate.num)) : 10;

    // The exact count: the container's, else one pass over the packets.
    info.frames = stream->nb_frames;
    if (info.frames <= 0) {
        info.frames = 0;
        AVPacket* packet = av_packet_alloc();
        while (av_read_frame(d_->format, packet) >= 0) {
            if (packet->stream_index == d_->stream)
                ++info.frames;
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
        d_->openFormat();  // back to the start
    }
}

VideoReader::~VideoReader() = default;

const VideoInfo& VideoReader::info() const { return d_->info; }

const std::vector<double>& VideoReader::times() const { return d_->times; }

QSize VideoReader::scaledSize(int width) const
{
    const QSize full = d_->info.size;
    if (width <= 0 || width >= full.width())
        return full;
    return QSize(width, std::max(1, int(std::lround(double(full.height()) * width / full.width()))));
}

void VideoReader::read(std::int64_t first, std::int64_t last, int width,
                       const std::function<bool(std::int64_t, const QImage&)>& sink)
{
    if (last < first)
        return;
    AVStream* stream = d_->format->streams[d_->stream];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    avcodec_free_context(&d_->codec);
    d_->codec = avcodec_alloc_context3(decoder);
    if (!d_->codec || avcodec_parameters_to_context(d_->codec, stream->codecpar) < 0)
        throw failure("Failed to start AVI decompression", d_->path);
    d_->codec->thread_count = 0;  // as many decoding threads as cores, where the codec can
    if (avcodec_open2(d_->codec, decoder, nullptr) < 0)
        throw failure("Failed to start AVI decompression", d_->path);

    const QSize out = scaledSize(width);
    SwsContext* scaler = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    struct Release {
        SwsContext*& scaler;
        AVPacket*& packet;
        AVFrame*& frame;
        ~Release()
        {
            sws_freeContext(scaler);
            av_packet_free(&packet);
            av_frame_free(&frame);
        }
    } release{scaler, packet, frame};

    d_->times.clear();
    const double timeBase = av_q2d(stream->time_base);
    // A frame's time in seconds; NaN when unknown.
    const auto seconds = [&](std::int64_t stamp) { return stamp == AV_NOPTS_VALUE ? NAN : double(stamp) * timeBase; };
    double end = NAN;
    std::int64_t position = 0;
    bool stop = false;
    // Hands every decoded frame in range to the sink; false once done.
    const auto drain = [&]() {
        while (!stop) {
            const int got = avcodec_receive_frame(d_->codec, frame);
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return;
            if (got < 0)
                throw Error(QStringLiteral("Failed to decompress AVI frame %1: %2")
                                .arg(position)
                                .arg(QFileInfo(d_->path).fileName()));
            if (position >= first) {
                const int flags = out.width() < frame->width ? SWS_AREA : SWS_BICUBIC;
                scaler = sws_getCachedContext(scaler, frame->width, frame->height, AVPixelFormat(frame->format),
                                              out.width(), out.height(), AV_PIX_FMT_BGRA, flags, nullptr, nullptr,
                                              nullptr);
                if (!scaler)
                    throw failure("Failed to start AVI decompression", d_->path);
                QImage picture(out, QImage::Format_RGB32);
                if (picture.isNull())
                    throw Error(QStringLiteral("Mémoire insuffisante pour le cadre %1 de %2.")
                                    .arg(position)
                                    .arg(QFileInfo(d_->path).fileName()));
                std::uint8_t* planes[4] = {picture.bits(), nullptr, nullptr, nullptr};
                int strides[4] = {int(picture.bytesPerLine()), 0, 0, 0};
                sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
                d_->times.push_back(seconds(frame->best_effort_timestamp));
                end = frame->pkt_duration > 0 ? d_->times.back() + double(frame->pkt_duration) * timeBase : NAN;
                if (!sink(position, picture))
                    stop = true;
            }
            av_frame_unref(frame);
            if (++position > last)
                stop = true;
        }
    };
    while (!stop && av_read_frame(d_->format, packet) >= 0) {
        if (packet->stream_index == d_->stream) {
            const int sent = avcodec_send_packet(d_->codec, packet);
            av_packet_unref(packet);
            if (sent < 0 && sent != AVERROR(EAGAIN))
                throw Error(QStringLiteral("Failed to decompress AVI frame %1: %2")
                                .arg(position)
                                .arg(QFileInfo(d_->path).fileName()));
            drain();
        } else {
            av_packet_unref(packet);
        }
    }
    if (!stop) {
        avcodec_send_packet(d_->codec, nullptr);  // the frames the decoder still holds
        drain();
    }
    if (!stop && position <= last)
        throw Error(QStringLiteral("Failed to decompress AVI frame %1: %2")
                        .arg(position)
                        .arg(QFileInfo(d_->path).fileName()));
    d_->times.push_back(end);
    d_->openFormat();  // ready for another read from the start
}

} // namespace orugif::formats
