#include "formats/animationwriter.h"

#include "common/error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <map>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace orugif::formats {

namespace {

struct Kind {
    const char* encoder;
    const char* muxer;
    const char* suffix;
    AVPixelFormat pixels;
    bool evenSize;      // H.264 in 4:2:0 wants even sides
    bool needsDuration;  // a frame of no time has no place in the stream (FFmpeg's muxers want rising times)
};

Kind kindOf(AnimationFormat format)
{
    switch (format) {
    case AnimationFormat::Mp4:
        return {"libx264", "mp4", "mp4", AV_PIX_FMT_YUV420P, true, true};
    case AnimationFormat::WebM:
        return {"libvpx-vp9", "webm", "webm", AV_PIX_FMT_YUV420P, false, true};
    case AnimationFormat::WebP:
        return {"libwebp_anim", "webp", "webp", AV_PIX_FMT_BGRA, false, true};
    case AnimationFormat::Apng:
        break;
    }
    return {"apng", "apng", "png", AV_PIX_FMT_RGBA, false, true};
}

bool hasAlpha(AnimationFormat format) { return format == AnimationFormat::WebP || format == AnimationFormat::Apng; }

QString averror(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

Error failed(const QString& what, int code)
{
    return Error(QStringLiteral("L'exportation a échoué (%1 : %2).").arg(what, averror(code)));
}

// What FFmpeg holds during one export, released in reverse order.
struct Encoding {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    ~Encoding()
    {
        av_packet_free(&packet);
        av_frame_free(&frame);
        sws_freeContext(scaler);
        avcodec_free_context(&codec);
        if (format && format->pb)
            avio_closep(&format->pb);
        avformat_free_context(format);
    }
};

// The frame as the format takes it: 32-bit with the transparent pixels'
// alpha at 0 where the format keeps transparency, grown to `size` by
// repeating its last column and row.
QImage prepared(const QImage& source, QSize size, const AnimationOptions& options)
{
    QImage frame = source.convertToFormat(hasAlpha(options.format) ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (frame.isNull())
        throw std::bad_alloc();
    if (hasAlpha(options.format) && (options.transparent || options.eachFrameCorner) && frame.height() > 0) {
        const QRgb key = (options.eachFrameCorner ? frame.pixel(0, frame.height() - 1) : *options.transparent) & 0xFFFFFFu;
        for (int y = 0; y < frame.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = 0, w = frame.width(); x < w; ++x)
                row[x] = (row[x] & 0xFFFFFFu) == key ? 0u : row[x] | 0xFF000000u;
        }
    }
    if (frame.size() == size)
        return frame;
    QImage grown(size, frame.format());
    if (grown.isNull())
        throw std::bad_alloc();
    for (int y = 0; y < size.height(); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(frame.constScanLine(std::min(y, frame.height() - 1)));
        auto* to = reinterpret_cast<QRgb*>(grown.scanLine(y));
        std::copy_n(from, frame.width(), to);
        std::fill(to + frame.width(), to + size.width(), from[frame.width() - 1]);
    }
    return grown;
}

// The encoder gives an animated WebP's last frame a time of its own
// choosing: its frame chunk ("ANMF": position, size, then the duration in
// milliseconds on 24 bits) is made to end the animation at `totalMs`. With
// `alpha`, the file's header says it has transparency, which the muxer
// leaves out (readers then show transparent pixels black).
void finishWebp(QByteArray& webp, std::int64_t totalMs, bool alpha)
{
    const auto u24 = [&](qsizetype at) {
        return int(std::uint8_t(webp[at])) | int(std::uint8_t(webp[at + 1])) << 8 | int(std::uint8_t(webp[at + 2])) << 16;
    };
    if (webp.size() < 12 || !webp.startsWith("RIFF") || webp.mid(8, 4) != "WEBP")
        return;
    qsizetype last = -1;
    std::int64_t before = 0, lastDuration = 0;
    for (qsizetype at = 12; at + 8 <= webp.size();) {
        const qsizetype size = qsizetype(std::uint32_t(u24(at + 4)) | std::uint32_t(std::uint8_t(webp[at + 7])) << 24);
        if (alpha && webp.mid(at, 4) == "VP8X" && at + 9 <= webp.size())
            webp[at + 8] = char(std::uint8_t(webp[at + 8]) | 0x10);
        if (webp.mid(at, 4) == "ANMF" && at + 8 + 16 <= webp.size()) {
            before += lastDuration;
            last = at + 8 + 12;
            lastDuration = u24(last);
        }
        at += 8 + size + (size & 1);
    }
    const std::int64_t duration = std::clamp<std::int64_t>(totalMs - before, 1, 0xFFFFFF);
    if (last < 0)
        return;
    for (int k = 0; k < 3; ++k)
        webp[last + k] = char(duration >> (8 * k));
}

} // namespace

const AVCodec* requireEncoder(const char* name, const QString& format)
{
    const AVCodec* encoder = avcodec_find_encoder_by_name(name);
    if (!encoder)
        throw Error(QString::fromUtf8("L'encodeur %1 de FFmpeg n'est pas installé : impossible d'écrire en %2.")
                        .arg(QString::fromLatin1(name), format));
    return encoder;
}

std::optional<AnimationFormat> animationFormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (AnimationFormat format : {AnimationFormat::Mp4, AnimationFormat::WebM, AnimationFormat::WebP, AnimationFormat::Apng})
        if (suffix == QLatin1String(kindOf(format).suffix))
            return format;
    return std::nullopt;
}

QString animationSuffixes() { return QStringLiteral(".mp4, .webm, .webp, .png"); }

QString animationFormatName(AnimationFormat format)
{
    switch (format) {
    case AnimationFormat::Mp4:
        return QStringLiteral("MP4 (H.264)");
    case AnimationFormat::WebM:
        return QStringLiteral("WebM (VP9)");
    case AnimationFormat::WebP:
        return QString::fromUtf8("WebP animé");
    case AnimationFormat::Apng:
        break;
    }
    return QString::fromUtf8("PNG animé (APNG)");
}

int defaultQuality(AnimationFormat format)
{
    switch (format) {
    case AnimationFormat::Mp4:
        return 23;
    case AnimationFormat::WebM:
        return 31;
    case AnimationFormat::WebP:
        return 75;
    case AnimationFormat::Apng:
        break;
    }
    return 0;
}

int maximumQuality(AnimationFormat format)
{
    switch (format) {
    case AnimationFormat::Mp4:
        return 51;
    case AnimationFormat::WebM:
        return 63;
    case AnimationFormat::WebP:
        return 100;
    case AnimationFormat::Apng:
        break;
    }
    return 0;
}

QByteArray encodeAnimation(const std::vector<QImage>& frames, const std::vector<int>& delays,
                           const AnimationOptions& options, QStringList& notes,
                           const std::function<bool(int, int)>& progress)
{
    if (frames.empty())
        throw Error(QStringLiteral("L'animation ne contient aucun cadre : rien n'a été enregistré."));
    if (delays.size() != frames.size())
        throw Error(QStringLiteral("Chaque cadre doit avoir sa durée : rien n'a été enregistré."));
    const Kind kind = kindOf(options.format);
    const QSize frameSize = frames.front().size();
    QSize size = frameSize;
    if (kind.evenSize) {
        size = QSize(size.width() + size.width() % 2, size.height() + size.height() % 2);
        if (size != frameSize)
            notes << QString::fromUtf8("La taille %1 x %2 devient %3 x %4 (%5 demande des côtés pairs) : "
                                       "la dernière colonne ou ligne est répétée.")
                         .arg(frameSize.width())
                         .arg(frameSize.height())
                         .arg(size.width())
                         .arg(size.height())
                         .arg(animationFormatName(options.format));
    }
    // Presentation times in hundredths: each frame starts when the one
    // before ends. A frame of no time gets the browsers' 2 hundredths where
    // the format needs a duration.
    std::vector<int> shown(delays.size());
    int lengthened = 0;
    for (std::size_t i = 0; i < delays.size(); ++i) {
        shown[i] = std::clamp(delays[i], 0, 0xFFFF);
        if (shown[i] == 0 && kind.needsDuration) {
            shown[i] = 2;
            ++lengthened;
        }
    }
    if (lengthened > 0)
        notes << QString::fromUtf8("%1 cadre(s) de durée 0 durent 0,02 s, le minimum des navigateurs (%2 demande une "
                                   "durée).")
                     .arg(lengthened)
                     .arg(animationFormatName(options.format));

    av_log_set_level(AV_LOG_QUIET);  // failures reach the user through the messages here
    const AVCodec* encoder = requireEncoder(kind.encoder, animationFormatName(options.format));

    // FFmpeg writes to a scratch file (the MP4 muxer goes back over it to
    // put its index first); the caller writes the bytes where they belong.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw Error(QStringLiteral("L'exportation a échoué : aucun dossier temporaire n'est disponible."));
    const QString temporary = scratch.filePath(QStringLiteral("export.") + QLatin1String(kind.suffix));
    const QByteArray temporaryName = QFile::encodeName(temporary);

    Encoding e;
    int code = avformat_alloc_output_context2(&e.format, nullptr, kind.muxer, temporaryName.constData());
    if (code < 0 || !e.format)
        throw failed(QStringLiteral("format %1").arg(QLatin1String(kind.muxer)), code);
    e.codec = avcodec_alloc_context3(encoder);
    e.frame = av_frame_alloc();
    e.packet = av_packet_alloc();
    if (!e.codec || !e.frame || !e.packet)
        throw std::bad_alloc();
    AVCodecContext* c = e.codec;
    c->width = size.width();
    c->height = size.height();
    c->pix_fmt = kind.pixels;
    if (options.format == AnimationFormat::Apng && !options.transparent && !options.eachFrameCorner)
        c->pix_fmt = AV_PIX_FMT_RGB24;  // no alpha to keep: smaller files
    long long total = 0;
    for (int d : shown)
        total += d;
    // Frames of one delay make a stream of that period, whose frames count
    // one tick each: H.264 can then predict from later frames and still
    // give every frame, the last one included, its time. Other delays are
    // counted in hundredths.
    const bool steady = std::adjacent_find(shown.begin(), shown.end(), std::not_equal_to<>()) == shown.end();
    const int tick = steady ? shown.front() : 1;
    c->time_base = AVRational{tick, 100};
    c->framerate = AVRational{int(std::max<long long>(frames.size(), 1) * 100), int(std::max<long long>(total, 1))};
    c->thread_count = 0;
    if (e.format->oformat->flags & AVFMT_GLOBALHEADER)
        c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int quality = options.quality >= 0 ? std::min(options.quality, maximumQuality(options.format))
                                              : defaultQuality(options.format);
    AVDictionary* settings = nullptr;
    switch (options.format) {
    case AnimationFormat::Mp4:
        c->colorspace = AVCOL_SPC_SMPTE170M;
        c->color_range = AVCOL_RANGE_MPEG;
        av_dict_set_int(&settings, "crf", quality, 0);
        // With unequal delays, no B-frames: the decoding order is then the
        // showing order, so the file's sample times are the frames' own.
        if (!steady)
            av_dict_set(&settings, "bf", "0", 0);
        break;
    case AnimationFormat::WebM:
        c->colorspace = AVCOL_SPC_SMPTE170M;
        c->color_range = AVCOL_RANGE_MPEG;
        c->bit_rate = 0;  // quality alone decides
        av_dict_set_int(&settings, "crf", quality, 0);
        av_dict_set(&settings, "deadline", "good", 0);
        av_dict_set(&settings, "cpu-used", "4", 0);
        av_dict_set(&settings, "row-mt", "1", 0);
        break;
    case AnimationFormat::WebP:
        av_dict_set_int(&settings, "lossless", options.lossless ? 1 : 0, 0);
        av_dict_set_int(&settings, "quality", options.lossless ? 100 : quality, 0);
        break;
    case AnimationFormat::Apng:
        break;
    }
    code = avcodec_open2(c, encoder, &settings);
    av_dict_free(&settings);
    if (code < 0)
        throw failed(QStringLiteral("encodeur %1").arg(QLatin1String(kind.encoder)), code);
    AVStream* stream = avformat_new_stream(e.format, nullptr);
    if (!stream)
        throw std::bad_alloc();
    stream->time_base = c->time_base;
    avcodec_parameters_from_context(stream->codecpar, c);
    if (!(e.format->oformat->flags & AVFMT_NOFILE)) {
        code = avio_open(&e.format->pb, temporaryName.constData(), AVIO_FLAG_WRITE);
        if (code < 0)
            throw failed(temporary, code);
    }
    // The loop count where the format has one: the number of plays, 0 for
    // ever (a GIF's count tells the plays after the first).
    AVDictionary* muxing = nullptr;
    const int plays = options.repeatCount == 0 ? 0 : options.repeatCount < 0 ? 1 : std::min(options.repeatCount + 1, 0xFFFF);
    if (options.format == AnimationFormat::WebP)
        av_dict_set_int(&muxing, "loop", plays, 0);
    if (options.format == AnimationFormat::Apng) {
        av_dict_set_int(&muxing, "plays", plays, 0);
        // The last frame's time, which no next frame tells.
        av_dict_set(&muxing, "final_delay", QByteArray::number(shown.back() / 100.0, 'f', 2).constData(), 0);
    }
    if (options.format == AnimationFormat::Mp4)
        av_dict_set(&muxing, "movflags", "+faststart", 0);
    code = avformat_write_header(e.format, &muxing);
    av_dict_free(&muxing);
    if (code < 0)
        throw failed(QStringLiteral("en-tête"), code);

    // Each packet gets its frame's own duration (found by its time).
    std::map<std::int64_t, int> durations;
    const auto drain = [&] {
        while (true) {
            code = avcodec_receive_packet(c, e.packet);
            if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
                return;
            if (code < 0)
                throw failed(QStringLiteral("encodage"), code);
            if (const auto it = durations.find(e.packet->pts); it != durations.end())
                e.packet->duration = it->second;
            av_packet_rescale_ts(e.packet, c->time_base, stream->time_base);
            e.packet->stream_index = stream->index;
            code = av_interleaved_write_frame(e.format, e.packet);
            if (code < 0)
                throw failed(QStringLiteral("écriture"), code);
        }
    };

    std::int64_t at = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (progress && !progress(int(i), int(frames.size())))
            throw Error(QString::fromUtf8("Exportation annulée."));
        const QImage picture = prepared(frames[i], size, options);
        av_frame_unref(e.frame);
        e.frame->format = c->pix_fmt;
        e.frame->width = c->width;
        e.frame->height = c->height;
        if (av_frame_get_buffer(e.frame, 0) < 0)
            throw std::bad_alloc();
        // 32-bit pictures hold blue, green, red and alpha in that order.
        e.scaler = sws_getCachedContext(e.scaler, size.width(), size.height(), AV_PIX_FMT_BGRA, size.width(), size.height(),
                                        c->pix_fmt, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                        nullptr, nullptr);
        if (!e.scaler)
            throw Error(QStringLiteral("L'exportation a échoué : conversion des couleurs impossible."));
        const std::uint8_t* planes[4] = {picture.constBits(), nullptr, nullptr, nullptr};
        const int strides[4] = {int(picture.bytesPerLine()), 0, 0, 0};
        sws_scale(e.scaler, planes, strides, 0, size.height(), e.frame->data, e.frame->linesize);
        e.frame->pts = at / tick;
#if LIBAVUTIL_VERSION_INT >= AV_VERSION_INT(57, 30, 100)
        e.frame->duration = shown[i] / tick;
#else
        e.frame->pkt_duration = shown[i] / tick;
#endif
        durations[at / tick] = shown[i] / tick;
        at += shown[i];
        code = avcodec_send_frame(c, e.frame);
        if (code < 0)
            throw failed(QStringLiteral("encodage"), code);
        drain();
    }
    if (progress && !progress(int(frames.size()), int(frames.size())))
        throw Error(QString::fromUtf8("Exportation annulée."));
    avcodec_send_frame(c, nullptr);
    drain();
    code = av_write_trailer(e.format);
    if (code < 0)
        throw failed(QStringLiteral("fin du fichier"), code);
    avio_closep(&e.format->pb);

    QFile written(temporary);
    if (!written.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("L'exportation a échoué : %1.").arg(written.errorString()));
    QByteArray bytes = written.readAll();
    if (options.format == AnimationFormat::WebP)
        finishWebp(bytes, total * 10, options.transparent || options.eachFrameCorner);
    return bytes;
}

} // namespace orugif::formats
