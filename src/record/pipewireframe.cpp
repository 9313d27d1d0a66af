#include "record/pipewireframe.h"

#include <QRect>
#include <cstdint>

#include <spa/buffer/buffer.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/raw.h>

namespace orugif::record {

bool pictureOf(const spa_buffer* buffer, const spa_video_info_raw& format, QImage& into)
{
    if (!buffer || buffer->n_datas < 1)
        return false;
    const spa_data& d = buffer->datas[0];
    if (!d.data || !d.chunk || d.chunk->size == 0 || (d.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED))
        return false;
    if (const auto* h = static_cast<const spa_meta_header*>(
            spa_buffer_find_meta_data(buffer, SPA_META_Header, sizeof(spa_meta_header)));
        h && (h->flags & SPA_META_HEADER_FLAG_CORRUPTED))
        return false;
    bool swap = false;
    switch (format.format) {
    case SPA_VIDEO_FORMAT_BGRx:
    case SPA_VIDEO_FORMAT_BGRA:
        break;
    case SPA_VIDEO_FORMAT_RGBx:
    case SPA_VIDEO_FORMAT_RGBA:
        swap = true;
        break;
    default:
        return false;
    }
    const QRect whole(0, 0, int(format.size.width), int(format.size.height));
    QRect shown = whole;
    if (const auto* crop = static_cast<const spa_meta_region*>(
            spa_buffer_find_meta_data(buffer, SPA_META_VideoCrop, sizeof(spa_meta_region)));
        crop && spa_meta_region_is_valid(crop))
        shown = QRect(crop->region.position.x, crop->region.position.y, int(crop->region.size.width),
                      int(crop->region.size.height))
                    .intersected(whole);
    if (shown.isEmpty())
        return false;
    const std::int64_t stride = d.chunk->stride > 0 ? d.chunk->stride : std::int64_t(whole.width()) * 4;
    // Every row read must lie inside the buffer.
    const std::int64_t end = std::int64_t(d.chunk->offset) + stride * shown.bottom() + std::int64_t(shown.right() + 1) * 4;
    if (stride < std::int64_t(whole.width()) * 4 || end > std::int64_t(d.maxsize))
        return false;
    if (into.size() != shown.size() || into.format() != QImage::Format_RGB32 || !into.isDetached())
        into = QImage(shown.size(), QImage::Format_RGB32);
    if (into.isNull())
        return false;
    const auto* base = static_cast<const std::uint8_t*>(d.data) + d.chunk->offset;
    for (int y = 0; y < shown.height(); ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(base + stride * (shown.y() + y)) + shown.x();
        auto* dst = reinterpret_cast<std::uint32_t*>(into.scanLine(y));
        if (swap)
            for (int x = 0; x < shown.width(); ++x) {
                const std::uint32_t p = src[x];
                dst[x] = 0xff000000u | ((p & 0xffu) << 16) | (p & 0xff00u) | ((p >> 16) & 0xffu);
            }
        else
            for (int x = 0; x < shown.width(); ++x)
                dst[x] = src[x] | 0xff000000u;
    }
    return true;
}

} // namespace orugif::record
