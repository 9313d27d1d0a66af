#include "formats/video.h"

#include "common/error.h"
#include "common/filename.h"
#include "common/limits.h"

#include <QFile>
#include <QFileInfo>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <limits>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/log.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace orugif::formats {

namespace {

Error failure(const char* message, const QString& path) { return Error(QStringLiteral("%1: %2").arg(QString::fromLatin1(message), QFileInfo(path).fileName())); }

std::uint32_t littleU32(const QByteArray& bytes, qsizetype at)
{
    return std::uint32_t(std::uint8_t(bytes[at])) | std::uint32_t(std::uint8_t(bytes[at + 1])) << 8
         | std::uint32_t(std::uint8_t(bytes[at + 2])) << 16 | std::uint32_t(std::uint8_t(bytes[at + 3])) << 24;
}

// The scale and rate of the first video stream header of an AVI file, read
// from its first bytes, and the stream's number; false when the file is no
// AVI or holds none.
bool aviScaleAndRate(const QString& path, std::uint32_t& scale, std::uint32_t& rate, int& stream)
{
    QFile file;
    QString reason;
    if (!openForReading(file, path, reason))
        return false;
    const QByteArray head = file.read(64 * 1024);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "AVI ")
        return false;
    // Every "strh" chunk: type "vids", then handler, flags, priority and
    // language, initial frames, scale, rate.
    stream = 0;
    for (qsizetype at = head.indexOf("strh"); at >= 0 && at + 36 <= head.size(); at = head.indexOf("strh", at + 4)) {
        if (head.mid(at + 8, 4) == "vids") {
            scale = littleU32(head, at + 8 + 20);
            rate = littleU32(head, at + 8 + 24);
            return true;
        }
        ++stream;
    }
    return false;
}

// The periods the index of an AVI file gives stream number `stream`: one an
// entry, empty chunks (the picture before, shown again) included, which
// FFmpeg passes over; -1 when the file has no index.
std::int64_t aviIndexPeriods(const QString& path, int stream)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || stream < 0 || stream > 99)
        return -1;
    const QByteArray head = file.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "AVI ")
        return -1;
    const qint64 end = std::min<qint64>(file.size(), 8 + qint64(littleU32(head, 4)));
    const QByteArray number = QByteArray::number(stream).rightJustified(2, '0');
    for (qint64 at = 12; at + 8 <= end;) {
        if (!file.seek(at))
            return -1;
        const QByteArray chunk = file.read(8);
        if (chunk.size() < 8)
            return -1;
        const qint64 size = littleU32(chunk, 4);
        if (chunk.startsWith("idx1")) {
            const QByteArray entries = file.read(std::min(size, end - at - 8) / 16 * 16);
            std::int64_t periods = 0;
            for (qsizetype e = 0; e + 16 <= entries.size(); e += 16)
                if (entries.mid(e, 2) == number && (entries.mid(e + 2, 2) == "db" || entries.mid(e + 2, 2) == "dc"))
                    ++periods;
            return periods;
        }
        at += 8 + size + (size & 1);
    }
    return -1;
}

// The clockwise turn, in degrees (0, 90, 180 or 270), a player gives the
// stream's pictures by its display matrix.
int displayRotation(const AVStream* stream)
{
    const std::uint8_t* matrix = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (!matrix)
        return 0;
    // The matrix turns counter-clockwise; players turn the picture back.
    const double theta = -av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix));
    if (!std::isfinite(theta))
        return 0;
    const long quarter = std::lround(theta / 90.0);
    return int(((quarter % 4) + 4) % 4) * 90;
}

// A picture whose rows leave room for the converter, which writes whole
// blocks of pixels: rows 64-byte aligned and spare bytes after the last
// one. The pixels live in FFmpeg's memory, released with the picture.
QImage paddedPicture(QSize size)
{
    const qsizetype stride = (qsizetype(size.width()) * 4 + 63) & ~qsizetype(63);
    const std::size_t bytes = std::size_t(stride) * std::size_t(size.height()) + 256;
    auto* data = static_cast<uchar*>(av_malloc(bytes));
    if (!data)
        return {};
    return QImage(data, size.width(), size.height(), stride, QImage::Format_RGB32, [](void* p) { av_free(p); }, data);
}

// The colour matrix swscale knows for a stream's colour space; unknown ones
// take FFmpeg's default (BT.601), as the ffmpeg command does.
int matrixOf(AVColorSpace space)
{
    switch (space) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_FCC:
        return SWS_CS_FCC;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    default:
        return SWS_CS_DEFAULT;
    }
}

// Whether a frame's samples are full range: tagged so, or of the JPEG
// formats, which always are.
bool fullRange(const AVFrame* frame)
{
    switch (frame->format) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
        return true;
    default:
        return frame->color_range == AVCOL_RANGE_JPEG;
    }
}

// Whether a frame holds luma and chroma, whose matrix and range matter.
bool isYuv(int format)
{
    const AVPixFmtDescriptor* described = av_pix_fmt_desc_get(AVPixelFormat(format));
    return described && !(described->flags & AV_PIX_FMT_FLAG_RGB) && described->nb_components >= 3;
}

std::int64_t frameDuration(const AVFrame* frame)
{
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(57, 30, 100)
    return frame->duration;
#else
    return frame->pkt_duration;
#endif
}

} // namespace

int aviDelay(std::uint32_t scale, std::uint32_t rate)
{
    if (rate > 0)
        return int(std::lround(double(scale) * 100.0 / double(rate)));
    return int(scale / 100);
}

std::vector<int> delaysFromTimes(const std::vector<double>& times, double rate)
{
    if (times.size() < 2)
        return {};
    const std::size_t frames = times.size() - 1;
    const double step = rate > 0 ? 1.0 / rate : 0.1;
    // Unknown times follow from the frame's place; a time that goes back
    // is held at the one before.
    std::vector<double> at(times.size());
    for (std::size_t i = 0; i < times.size(); ++i) {
        double t = times[i];
        if (!std::isfinite(t))
            t = i == 0 ? 0.0 : at[i - 1] + step;
        at[i] = i == 0 ? t : std::max(t, at[i - 1]);
    }
    std::vector<int> delays(frames);
    long long shown = 0;  // hundredths given so far
    for (std::size_t i = 0; i < frames; ++i) {
        const long long end = std::llround((at[i + 1] - at[0]) * 100.0);
        const long long delay = std::clamp<long long>(end - shown, 1, 0xFFFF);
        delays[i] = int(delay);
        shown += delay;
    }
    return delays;
}

struct VideoReader::State {
    std::vector<double> times;
    std::int64_t decoded = 0;
    // Seconds between frames when the stream's stamps cannot be trusted
    // (an AVI header without a rate); 0 otherwise.
    double fixedStep = 0;
    // Where an AVI's index says the stream ends (seconds; 0 unknown).
    double indexedEnd = 0;
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

    // Reads every packet of the stream: how many there are, and the time
    // from the first to the end of the last.
    void count(const VideoProgress& progress)
    {
        AVPacket* packet = av_packet_alloc();
        if (!packet)
            throw std::bad_alloc();
        struct Release {
            AVPacket*& packet;
            ~Release() { av_packet_free(&packet); }
        } release{packet};
        const std::int64_t total = format->pb ? std::max<std::int64_t>(avio_size(format->pb), 0) : 0;
        std::int64_t start = std::numeric_limits<std::int64_t>::max(), end = std::numeric_limits<std::int64_t>::min();
        info.frames = 0;
        while (av_read_frame(format, packet) >= 0) {
            if (packet->stream_index == stream) {
                ++info.frames;
                if (packet->pts != AV_NOPTS_VALUE) {
                    start = std::min(start, packet->pts);
                    end = std::max(end, packet->pts + std::max<std::int64_t>(packet->duration, 0));
                }
                if (progress && info.frames % 64 == 0 && !progress(format->pb ? avio_tell(format->pb) : 0, total))
                    throw VideoCancelled{};
            }
            av_packet_unref(packet);
        }
        if (end > start)
            info.duration = double(end - start) * av_q2d(format->streams[stream]->time_base);
    }
};

VideoReader::VideoReader(const QString& path, const VideoProgress& progress) : d_(std::make_unique<State>())
{
    // FFmpeg's own log stays silent: failures reach the user through the
    // reader's messages, and the command line prints only its own output.
    av_log_set_level(AV_LOG_QUIET);
    d_->path = path;
    d_->openFormat();
    AVStream* stream = d_->format->streams[d_->stream];
    const AVCodecParameters* parameters = stream->codecpar;
    VideoInfo& info = d_->info;
    info.stored = QSize(parameters->width, parameters->height);
    // Sizes from the file are checked before any frame is allocated.
    if (!pictureSizeAllowed(info.stored.width(), info.stored.height()))
        throw Error(QStringLiteral("Failed to get AVI stream format: %1 (%2 x %3)")
                        .arg(QFileInfo(path).fileName(), QString::number(info.stored.width()),
                             QString::number(info.stored.height())));
    // Shown as players show it: pixels of their aspect, then turned.
    int shownWidth = info.stored.width();
    const AVRational aspect = av_guess_sample_aspect_ratio(d_->format, stream, nullptr);
    if (aspect.num > 0 && aspect.den > 0 && aspect.num != aspect.den)
        shownWidth = int(std::clamp<long long>(std::llround(double(shownWidth) * aspect.num / aspect.den), 1,
                                               kMaxPictureSide));
    info.rotation = displayRotation(stream);
    info.size = QSize(shownWidth, info.stored.height());
    if (info.rotation % 180 != 0)
        info.size.transpose();
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
    int aviStream = 0;
    if (aviScaleAndRate(path, scale, aviRate, aviStream)) {
        info.delay = aviDelay(scale, aviRate);  // the AVI header's own figures
        // Without a rate the header's delay is the only timing there is.
        if (aviRate == 0 && info.delay > 0)
            d_->fixedStep = info.delay / 100.0;
        // The index tells how long the stream lasts, empty chunks counted:
        // the last picture shows until then.
        const std::int64_t periods = aviIndexPeriods(path, aviStream);
        if (periods > 0 && scale > 0 && aviRate > 0)
            d_->indexedEnd = double(periods) * double(scale) / double(aviRate);
    }
    else {
        info.delay = rate.num > 0 ? aviDelay(std::uint32_t(rate.den), std::uint32_t(rate.num)) : 10;
    }

    // A header may claim any count: the packets are counted instead.
    info.announced = std::max<std::int64_t>(stream->nb_frames, 0);
    const double timeBase = av_q2d(stream->time_base);
    info.start = stream->start_time != AV_NOPTS_VALUE ? double(stream->start_time) * timeBase : 0.0;
    if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0)
        info.announcedDuration = double(stream->duration) * timeBase;
    else if (d_->format->duration != AV_NOPTS_VALUE && d_->format->duration > 0)
        info.announcedDuration = double(d_->format->duration) / AV_TIME_BASE;
    // A count of frames is a claim on the length too.
    if (info.announced > 0 && info.rate > 0)
        info.announcedDuration = std::max(info.announcedDuration, double(info.announced) / info.rate);
    d_->count(progress);
    d_->openFormat();  // back to the start
}

VideoReader::~VideoReader() = default;

const VideoInfo& VideoReader::info() const { return d_->info; }

const std::vector<double>& VideoReader::times() const { return d_->times; }

std::int64_t VideoReader::decoded() const { return d_->decoded; }

QSize VideoReader::scaledSize(int width) const
{
    const QSize full = d_->info.size;
    if (width <= 0 || width >= full.width())
        return full;
    return QSize(width, std::max(1, int(std::lround(double(full.height()) * width / full.width()))));
}

void VideoReader::read(std::int64_t first, std::int64_t last, int width, double fps,
                       const std::function<bool(std::int64_t, const QImage&)>& sink)
{
    d_->times.clear();
    d_->decoded = 0;
    if (last < first)
        return;
    // Positions past the frames the stream holds cannot be read.
    if (last >= d_->info.frames)
        throw Error(QStringLiteral("Failed to decompress AVI frame %1: %2")
                        .arg(std::max(first, d_->info.frames))
                        .arg(QFileInfo(d_->path).fileName()));
    AVStream* stream = d_->format->streams[d_->stream];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    avcodec_free_context(&d_->codec);
    d_->codec = avcodec_alloc_context3(decoder);
    if (!d_->codec || avcodec_parameters_to_context(d_->codec, stream->codecpar) < 0)
        throw failure("Failed to start AVI decompression", d_->path);
    d_->codec->thread_count = 0;  // as many decoding threads as cores, where the codec can
    if (avcodec_open2(d_->codec, decoder, nullptr) < 0)
        throw failure("Failed to start AVI decompression", d_->path);

    // The picture is scaled before it is turned: a quarter turn scales to
    // the shown size's transpose.
    const int rotation = d_->info.rotation;
    QSize target = scaledSize(width);
    if (rotation % 180 != 0)
        target.transpose();

    SwsContext* scaler = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    AVFrame* held = av_frame_alloc();  // with a rate chosen: the frame before, not yet handed over
    struct Release {
        SwsContext*& scaler;
        AVPacket*& packet;
        AVFrame*& frame;
        AVFrame*& held;
        ~Release()
        {
            sws_freeContext(scaler);
            av_packet_free(&packet);
            av_frame_free(&frame);
            av_frame_free(&held);
        }
    } release{scaler, packet, frame, held};
    if (!packet || !frame || !held)
        throw std::bad_alloc();

    // What the converter was last set up for.
    struct Setup {
        int width = -1, height = -1, format = -1, matrix = -1, range = -1;
        bool operator==(const Setup&) const = default;
    } setup;
    const auto convert = [&](const AVFrame* source, std::int64_t position) {
        const int flags = target.width() < source->width ? SWS_AREA : SWS_BICUBIC;
        const Setup wanted{source->width, source->height, source->format, matrixOf(source->colorspace),
                           fullRange(source) ? 1 : 0};
        SwsContext* next = sws_getCachedContext(scaler, source->width, source->height, AVPixelFormat(source->format),
                                                target.width(), target.height(), AV_PIX_FMT_BGRA, flags, nullptr,
                                                nullptr, nullptr);
        if (!next)
            throw failure("Failed to start AVI decompression", d_->path);
        if ((next != scaler || !(wanted == setup)) && isYuv(source->format)) {
            // The stream's own matrix and range, to full-range RGB.
            int* inverse = nullptr;
            int* table = nullptr;
            int sourceRange = 0, destinationRange = 0, brightness = 0, contrast = 0, saturation = 0;
            if (sws_getColorspaceDetails(next, &inverse, &sourceRange, &table, &destinationRange, &brightness,
                                         &contrast, &saturation)
                >= 0)
                sws_setColorspaceDetails(next, sws_getCoefficients(wanted.matrix), wanted.range,
                                         sws_getCoefficients(SWS_CS_DEFAULT), 1, brightness, contrast, saturation);
            setup = wanted;
        }
        scaler = next;
        QImage picture = paddedPicture(target);
        if (picture.isNull())
            throw Error(QStringLiteral("Mémoire insuffisante pour le cadre %1 de %2.")
                            .arg(position)
                            .arg(QFileInfo(d_->path).fileName()));
        std::uint8_t* planes[4] = {picture.bits(), nullptr, nullptr, nullptr};
        int strides[4] = {int(picture.bytesPerLine()), 0, 0, 0};
        sws_scale(scaler, source->data, source->linesize, 0, source->height, planes, strides);
        if (rotation != 0)
            picture = picture.transformed(QTransform().rotate(rotation));
        return picture;
    };

    const double timeBase = av_q2d(stream->time_base);
    const double step = d_->fixedStep > 0 ? d_->fixedStep : d_->info.rate > 0 ? 1.0 / d_->info.rate : NAN;
    // A frame's time in seconds: its stamp, else one step after the frame
    // before; NaN when neither is known.
    double lastTime = NAN;
    const auto timeOf = [&](const AVFrame* f) {
        const std::int64_t stamp = d_->fixedStep > 0 ? AV_NOPTS_VALUE : f->best_effort_timestamp;
        double t = stamp != AV_NOPTS_VALUE         ? double(stamp) * timeBase
                   : std::isfinite(lastTime)       ? lastTime + step
                   : d_->fixedStep > 0 ? 0.0 : NAN;
        if (std::isfinite(lastTime) && std::isfinite(t) && t < lastTime)
            t = lastTime;  // never back in time
        lastTime = t;
        return t;
    };

    double end = NAN;
    std::int64_t position = 0;
    bool stop = false;
    // With a rate chosen: the next tick, and whether the held frame was
    // handed over already.
    double start = NAN, tick = NAN;
    std::int64_t ticks = 0;
    double heldTime = NAN;
    std::int64_t heldPosition = -1;
    bool heldHanded = true;
    const auto hand = [&](const AVFrame* f, std::int64_t at, double time) {
        d_->times.push_back(time);
        if (!sink(at, convert(f, at)))
            stop = true;
    };
    // Frame `f` at `time`: handed over now, or held until the next tick
    // tells whether it is the nearest.
    bool lastDurationKnown = false;
    const auto take = [&](AVFrame* f, std::int64_t at, double time) {
        ++d_->decoded;
        lastDurationKnown = frameDuration(f) > 0 && d_->fixedStep <= 0;
        const double shownUntil = time + (lastDurationKnown ? double(frameDuration(f)) * timeBase : step);
        end = std::isfinite(shownUntil) ? shownUntil : NAN;
        if (fps <= 0 || !std::isfinite(time)) {
            hand(f, at, time);
            return;
        }
        if (!std::isfinite(start))
            start = tick = time;
        // Every tick up to this frame goes to the nearer of the held frame
        // and this one.
        while (!stop && tick <= time) {
            if (heldPosition >= 0 && tick - heldTime <= time - tick) {
                if (!heldHanded)
                    hand(held, heldPosition, tick);
                heldHanded = true;
            } else {
                hand(f, at, tick);
                av_frame_unref(held);
                av_frame_move_ref(held, f);
                heldTime = time;
                heldPosition = at;
                heldHanded = true;
                tick = start + double(++ticks) / fps;
                // Later ticks before this frame's time are nearer to it too.
                while (tick <= time)
                    tick = start + double(++ticks) / fps;
                return;
            }
            tick = start + double(++ticks) / fps;
        }
        av_frame_unref(held);
        av_frame_move_ref(held, f);
        heldTime = time;
        heldPosition = at;
        heldHanded = false;
    };
    bool past = false;  // the frame after the range was seen
    // Hands every decoded frame in range over; returns once the decoder
    // wants more.
    const auto drain = [&]() {
        for (int failures = 0; !stop && !past;) {
            const int got = avcodec_receive_frame(d_->codec, frame);
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return;  // more input needed, or the end
            if (got < 0) {
                // A frame that did not decode is passed over; the decoder
                // goes on with the next.
                if (++failures > 64)
                    return;
                continue;
            }
            const double time = timeOf(frame);
            if (position > last) {
                end = time;  // the range lasts until the stream's next frame
                past = true;
            } else if (position >= first) {
                take(frame, position, time);
            }
            av_frame_unref(frame);
            ++position;
        }
    };
    while (!stop && !past && av_read_frame(d_->format, packet) >= 0) {
        if (packet->stream_index == d_->stream) {
            // A packet that does not decode is passed over, as players do;
            // one the decoder cannot take yet waits until its frames are out.
            while (avcodec_send_packet(d_->codec, packet) == AVERROR(EAGAIN) && !stop && !past)
                drain();
            av_packet_unref(packet);
            drain();
        } else {
            av_packet_unref(packet);
        }
    }
    if (!stop && !past) {
        avcodec_send_packet(d_->codec, nullptr);  // the frames the decoder still holds
        drain();
    }
    // An AVI's last picture shows until the end its index gives; a last
    // frame of no stated duration, until the end of the stream (within a
    // GIF's longest delay).
    if (!past && d_->indexedEnd > 0 && std::isfinite(end))
        end = std::max(end, d_->info.start + d_->indexedEnd);
    else if (!past && !lastDurationKnown && d_->info.announcedDuration > 0 && std::isfinite(end))
        end = std::clamp(d_->info.start + d_->info.announcedDuration, end, end + 655.35);
    // The ticks left before the end show the last frame.
    if (!stop && fps > 0 && heldPosition >= 0 && !heldHanded && std::isfinite(end) && tick < end)
        hand(held, heldPosition, tick);
    d_->times.push_back(end);
    d_->openFormat();  // ready for another read from the start
}

} // namespace orugif::formats
