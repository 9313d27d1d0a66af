// PipeWire on a thread loop of its own: the stream asks for raw 32-bit video
// in shared memory (BGRx, RGBx, BGRA or RGBA) with the producer's crop region,
// and each frame becomes the latest Format_RGB32 picture (pipewireframe.cpp).
#include "record/pipewirestream.h"

#include "record/pipewireframe.h"
#include "record/screensource.h"

#include <QtGlobal>
#include <algorithm>
#include <cstring>
#include <unistd.h>

#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/buffers.h>
#include <spa/param/format-utils.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

namespace orugif::record {

struct PipeWireStream::Native {
    PipeWireStream* owner = nullptr;
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook coreListener{};
    spa_hook streamListener{};
    pw_core_events coreEvents{};
    pw_stream_events streamEvents{};
    spa_video_info_raw format{};
    bool negotiated = false;
    bool streaming = false;
    // The picture being filled on PipeWire's thread; swapped with the latest.
    QImage spare;

    static void onCoreError(void* data, std::uint32_t id, int, int res, const char* message)
    {
        if (id == PW_ID_CORE)
            static_cast<Native*>(data)->owner->failed(
                QStringLiteral("PipeWire a refusé le partage de l'écran (%1).").arg(QString::fromUtf8(message)));
    }

    static void onStateChanged(void* data, pw_stream_state old, pw_stream_state state, const char* error)
    {
        auto* self = static_cast<Native*>(data);
        if (state == PW_STREAM_STATE_ERROR)
            self->owner->failed(QStringLiteral("Le flux PipeWire de l'écran a échoué (%1).")
                                    .arg(QString::fromUtf8(error ? error : "?")));
        else if (state == PW_STREAM_STATE_STREAMING)
            self->streaming = true;
        else if (state == PW_STREAM_STATE_UNCONNECTED && old != PW_STREAM_STATE_UNCONNECTED)
            self->owner->failed(QStringLiteral("Le bureau a mis fin au partage de l'écran."));
    }

    static void onParamChanged(void* data, std::uint32_t id, const spa_pod* param)
    {
        auto* self = static_cast<Native*>(data);
        if (!param || id != SPA_PARAM_Format)
            return;
        std::uint32_t mediaType = 0, mediaSubtype = 0;
        if (spa_format_parse(param, &mediaType, &mediaSubtype) < 0 || mediaType != SPA_MEDIA_TYPE_video
            || mediaSubtype != SPA_MEDIA_SUBTYPE_raw)
            return;
        spa_video_info_raw info{};
        if (spa_format_video_raw_parse(param, &info) < 0)
            return;
        self->format = info;
        self->negotiated = true;
        // Buffers in memory we can map (not GPU buffers), with the header
        // (to skip corrupted frames) and the crop region of each frame.
        std::uint8_t bytes[1024];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(bytes, sizeof(bytes));
        const spa_pod* params[3];
        params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
            SPA_POD_CHOICE_RANGE_Int(8, 2, 32), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1), SPA_PARAM_BUFFERS_dataType,
            SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
        params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
            SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
        params[2] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type, SPA_POD_Id(SPA_META_VideoCrop),
            SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_region))));
        pw_stream_update_params(self->stream, params, 3);
    }

    static void onProcess(void* data)
    {
        auto* self = static_cast<Native*>(data);
        // Only the newest frame matters: older ones waiting go back at once.
        pw_buffer* newest = nullptr;
        while (pw_buffer* b = pw_stream_dequeue_buffer(self->stream)) {
            if (newest)
                pw_stream_queue_buffer(self->stream, newest);
            newest = b;
        }
        if (!newest)
            return;
        self->take(newest->buffer);
        pw_stream_queue_buffer(self->stream, newest);
    }

    void take(const spa_buffer* buffer)
    {
        if (negotiated && pictureOf(buffer, format, spare))
            owner->received(std::move(spare));
    }
};

PipeWireStream::PipeWireStream() = default;

PipeWireStream::~PipeWireStream()
{
    if (!native_)
        return;
    Native& n = *native_;
    if (n.loop)
        pw_thread_loop_stop(n.loop);
    if (n.stream)
        pw_stream_destroy(n.stream);
    if (n.core)
        pw_core_disconnect(n.core);
    if (n.context)
        pw_context_destroy(n.context);
    if (n.loop)
        pw_thread_loop_destroy(n.loop);
}

bool PipeWireStream::open(int fd, std::uint32_t node, QString* why)
{
    const auto fail = [&](const QString& message) {
        if (why)
            *why = message;
        return false;
    };
    pw_init(nullptr, nullptr);
    native_ = std::make_unique<Native>();
    Native& n = *native_;
    n.owner = this;
    n.loop = pw_thread_loop_new("orugif-ecran", nullptr);
    if (!n.loop) {
        ::close(fd);
        return fail(QStringLiteral("PipeWire n'a pas pu démarrer."));
    }
    n.context = pw_context_new(pw_thread_loop_get_loop(n.loop), nullptr, 0);
    if (!n.context || pw_thread_loop_start(n.loop) < 0) {
        ::close(fd);
        return fail(QStringLiteral("PipeWire n'a pas pu démarrer."));
    }
    pw_thread_loop_lock(n.loop);
    n.core = pw_context_connect_fd(n.context, fd, nullptr, 0);  // takes the descriptor, even on failure
    if (!n.core) {
        pw_thread_loop_unlock(n.loop);
        return fail(QStringLiteral("PipeWire n'est pas joignable : le partage de l'écran ne peut pas commencer."));
    }
    n.coreEvents.version = PW_VERSION_CORE_EVENTS;
    n.coreEvents.error = &Native::onCoreError;
    pw_core_add_listener(n.core, &n.coreListener, &n.coreEvents, &n);
    n.stream = pw_stream_new(n.core, "Oru Gif",
                             pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                               PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    if (!n.stream) {
        pw_thread_loop_unlock(n.loop);
        return fail(QStringLiteral("PipeWire n'a pas pu ouvrir le flux de l'écran."));
    }
    n.streamEvents.version = PW_VERSION_STREAM_EVENTS;
    n.streamEvents.state_changed = &Native::onStateChanged;
    n.streamEvents.param_changed = &Native::onParamChanged;
    n.streamEvents.process = &Native::onProcess;
    pw_stream_add_listener(n.stream, &n.streamListener, &n.streamEvents, &n);

    std::uint8_t bytes[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(bytes, sizeof(bytes));
    const spa_rectangle defSize{1920, 1080}, minSize{1, 1}, maxSize{16384, 16384};
    const spa_fraction defRate{30, 1}, minRate{0, 1}, maxRate{1000, 1};
    const spa_pod* format = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_RGBx,
                               SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBA),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defSize, &minSize, &maxSize),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&defRate, &minRate, &maxRate)));
    const int res = pw_stream_connect(n.stream, PW_DIRECTION_INPUT, node,
                                      pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
                                      &format, 1);
    pw_thread_loop_unlock(n.loop);
    if (res < 0)
        return fail(QStringLiteral("PipeWire n'a pas pu se relier au flux de l'écran (%1).")
                        .arg(QString::fromLocal8Bit(std::strerror(-res))));
    return true;
}

bool PipeWireStream::waitForFrame(std::chrono::milliseconds limit, QString* why)
{
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, limit, [this] { return frames_ > 0 || !error_.isEmpty(); });
    if (!error_.isEmpty() || frames_ == 0) {
        if (why)
            *why = !error_.isEmpty() ? error_
                                     : QStringLiteral("Le bureau n'a envoyé aucune image de l'écran en %1 s : "
                                                      "rien n'a été enregistré.")
                                           .arg(limit.count() / 1000);
        return false;
    }
    return true;
}

QSize PipeWireStream::size() const
{
    std::lock_guard lock(mutex_);
    return latest_.size();
}

std::uint64_t PipeWireStream::frames() const
{
    std::lock_guard lock(mutex_);
    return frames_;
}

bool PipeWireStream::copy(const QRect& region, QImage& into) const
{
    std::lock_guard lock(mutex_);
    if (!error_.isEmpty() || latest_.isNull() || region.isEmpty() || !latest_.rect().contains(region))
        return false;
    if (!readyForGrab(into, region.size()))
        return false;
    const std::size_t bytes = std::size_t(region.width()) * 4;
    for (int y = 0; y < region.height(); ++y)
        std::memcpy(into.scanLine(y), latest_.constScanLine(region.y() + y) + std::size_t(region.x()) * 4, bytes);
    return true;
}

void PipeWireStream::received(QImage&& frame)
{
    {
        std::lock_guard lock(mutex_);
        std::swap(latest_, frame);
        ++frames_;
    }
    // The previous picture becomes the next one to fill.
    native_->spare = std::move(frame);
    arrived_.notify_all();
}

void PipeWireStream::failed(const QString& why)
{
    {
        std::lock_guard lock(mutex_);
        if (error_.isEmpty())
            error_ = why;
    }
    arrived_.notify_all();
}

} // namespace orugif::record
