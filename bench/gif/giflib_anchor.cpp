// giflib doing the benchmark's work, written against its public API.
#include "giflib_anchor.h"

#include <gif_lib.h>

#include <cstring>
#include <stdexcept>

namespace bench {

namespace {

struct Reader {
    const QByteArray* data;
    int pos = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* buf, int len)
{
    auto* r = static_cast<Reader*>(gif->UserData);
    const int n = std::min(len, int(r->data->size()) - r->pos);
    std::memcpy(buf, r->data->constData() + r->pos, std::size_t(n));
    r->pos += n;
    return n;
}

int writeToMemory(GifFileType* gif, const GifByteType* buf, int len)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(buf), len);
    return len;
}

} // namespace

int giflibDecodeCompose(const QByteArray& file, std::vector<std::uint32_t>& canvas)
{
    Reader reader{&file};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, readFromMemory, &error);
    if (!gif || DGifSlurp(gif) != GIF_OK)
        throw std::runtime_error("giflib cannot read the workload");
    const int sw = gif->SWidth, sh = gif->SHeight;
    canvas.assign(std::size_t(sw) * std::size_t(sh), 0xFFFFFFFFu);
    std::vector<std::uint32_t> saved;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& img = gif->SavedImages[i];
        const GifImageDesc& d = img.ImageDesc;
        GraphicsControlBlock gcb{};
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(gif, i, &gcb);
        if (gcb.DisposalMode == DISPOSE_PREVIOUS)
            saved = canvas;
        const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        std::uint32_t colors[256] = {};
        for (int c = 0; map && c < map->ColorCount && c < 256; ++c)
            colors[c] = 0xFF000000u | std::uint32_t(map->Colors[c].Red) << 16
                | std::uint32_t(map->Colors[c].Green) << 8 | map->Colors[c].Blue;
        for (int y = 0; y < d.Height && d.Top + y < sh; ++y) {
            const GifByteType* src = img.RasterBits + std::size_t(y) * std::size_t(d.Width);
            std::uint32_t* dst = canvas.data() + std::size_t(d.Top + y) * std::size_t(sw) + d.Left;
            for (int x = 0; x < d.Width && d.Left + x < sw; ++x)
                if (src[x] != gcb.TransparentColor)
                    dst[x] = colors[src[x]];
        }
        if (gcb.DisposalMode == DISPOSE_BACKGROUND) {
            for (int y = 0; y < d.Height && d.Top + y < sh; ++y)
                for (int x = 0; x < d.Width && d.Left + x < sw; ++x)
                    canvas[std::size_t(d.Top + y) * std::size_t(sw) + std::size_t(d.Left + x)] = 0xFFFFFFFFu;
        } else if (gcb.DisposalMode == DISPOSE_PREVIOUS) {
            canvas = saved;
        }
    }
    const int frames = gif->ImageCount;
    DGifCloseFile(gif, &error);
    return frames;
}

QByteArray giflibEncodeCube(const std::vector<QImage>& frames, int width, int height)
{
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, writeToMemory, &error);
    GifColorType cube[256] = {};
    for (int i = 0; i < 216; ++i)
        cube[i] = {GifByteType(51 * (i / 36)), GifByteType(51 * (i / 6 % 6)), GifByteType(51 * (i % 6))};
    ColorMapObject* map = GifMakeMapObject(256, cube);
    EGifPutScreenDesc(gif, width, height, 8, 0, nullptr);
    std::vector<GifPixelType> line(static_cast<std::size_t>(width));
    for (const QImage& f : frames) {
        EGifPutImageDesc(gif, 0, 0, width, height, false, map);
        for (int y = 0; y < height; ++y) {
            const auto* src = reinterpret_cast<const QRgb*>(f.constScanLine(y));
            for (int x = 0; x < width; ++x)
                line[std::size_t(x)] = GifPixelType(36 * ((qRed(src[x]) + 3) / 51) + 6 * ((qGreen(src[x]) + 3) / 51)
                                                    + (qBlue(src[x]) + 3) / 51);
            EGifPutLine(gif, line.data(), width);
        }
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

} // namespace bench
