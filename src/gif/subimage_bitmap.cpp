// Sub-image and bitmaps: importing a picture into a frame (colour reduction
// and transparency) and rendering a frame back into a picture and its mask.
#include "gif/colorreduction.h"
#include "gif/gifimage.h"

#include <QHash>
#include <algorithm>
#include <cstring>

namespace orugif::gif {

namespace {

bool isIndexed(const QImage& image)
{
    return image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono
        || image.format() == QImage::Format_MonoLSB;
}

// Marks the transparent pixels of the picture (alpha below one half).
std::vector<bool> transparencyMask(const QImage& bitmap)
{
    std::vector<bool> mask;
    if (!bitmap.hasAlphaChannel())
        return mask;
    const QImage argb = bitmap.convertToFormat(QImage::Format_ARGB32);
    mask.resize(std::size_t(argb.width()) * std::size_t(argb.height()));
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            mask[std::size_t(y) * std::size_t(argb.width()) + std::size_t(x)] = qAlpha(row[x]) < 128;
    }
    return mask;
}

} // namespace

void TGIFSubImage::Assign(const QImage& bitmap)
{
    Clear();
    if (bitmap.isNull())
        return;
    SetBounds(left_, top_, bitmap.width(), bitmap.height());
    TGIFImage* image = Image();
    if (image)
        image->Progress(ProgressStage::Starting, 0, msg::Converting);
    try {
        const int w = width_, h = height_;
        const std::vector<bool> mask = transparencyMask(bitmap);
        if (isIndexed(bitmap)) {
            const QImage indexed = bitmap.format() == QImage::Format_Indexed8
                ? bitmap
                : bitmap.convertToFormat(QImage::Format_Indexed8);
            const QList<QRgb> table = indexed.colorTable();
            for (qsizetype i = 0; i < table.size() && i < TGIFColorMap::kMaxColors; ++i)
                localMap_.Add({std::uint8_t(qRed(table[i])), std::uint8_t(qGreen(table[i])),
                               std::uint8_t(qBlue(table[i]))});
            for (int y = 0; y < h; ++y)
                std::memcpy(Scanline(y), indexed.constScanLine(y), std::size_t(w));
        } else {
            const int method = image ? image->ColorReduction : GIFDefaults::ColorReduction;
            const int dither = image ? image->DitherMode : GIFDefaults::DitherMode;
            const int bits = image ? image->ReductionBits : GIFDefaults::ReductionBits;
            std::vector<GIFColor> palette;
            if (method == 0) {
                // True colour: every distinct colour gets an entry.
                const QImage rgb = bitmap.convertToFormat(QImage::Format_RGB32);
                QHash<QRgb, int> known;
                for (int y = 0; y < h; ++y) {
                    const auto* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
                    std::uint8_t* out = Scanline(y);
                    for (int x = 0; x < w; ++x) {
                        const QRgb c = src[x] | 0xFF000000u;
                        auto it = known.constFind(c);
                        if (it == known.constEnd())
                            it = known.insert(c, localMap_.Add({std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)),
                                                                std::uint8_t(qBlue(c))}));
                        out[x] = std::uint8_t(*it);
                    }
                }
            } else {
                // A frame with transparent pixels keeps an entry free for them.
                const int most = std::min(image ? image->ReductionLimit : 256, mask.empty() ? 256 : 255);
                static const std::vector<GIFColor> none;
                if (!ReduceToIndices(bitmap, method, dither, image ? image->SharedPalette : none, palette,
                                     pixels_.data(), w, bits, most))
                    throw GIFException(msg::UnsupportedPixelFormat);
                localMap_.Assign(palette.data(), int(palette.size()));
            }
        }
        if (!mask.empty() && localMap_.Count() >= 1 && localMap_.Count() <= 255) {
            const int index = localMap_.Add({0, 0, 0});
            bool any = false;
            for (std::size_t i = 0; i < mask.size(); ++i)
                if (mask[i]) {
                    pixels_[i] = std::uint8_t(index);
                    any = true;
                }
            if (any) {
                auto gce = std::make_unique<TGIFGraphicControlExtension>(this);
                gce->SetTransparentFlag(true);
                gce->SetTransparentIndex(index);
                extensions_.Add(std::move(gce));
            } else {
                localMap_.DeleteLast();
            }
        }
    } catch (...) {
        if (image)
            image->Progress(ProgressStage::Ending, 0, msg::Converting);
        throw;
    }
    if (image)
        image->Progress(ProgressStage::Ending, 100, msg::Converting);
}

QImage TGIFSubImage::RenderBitmap()
{
    if (!bitmap_.isNull() || Empty())
        return bitmap_;
    TGIFImage* image = Image();
    if (image)
        image->Progress(ProgressStage::Starting, 0, msg::Rendering);
    try {
        const TGIFColorMap* map = ActiveColorMap();
        if (map->Empty())
            throw GIFException(msg::ColorTableEmpty);
        QImage out(width_, height_, QImage::Format_Indexed8);
        for (int y = 0; y < height_; ++y)
            std::memcpy(out.scanLine(y), Scanline(y), std::size_t(width_));
        const bool outside = map->Count() < 256 && *std::max_element(pixels_.begin(), pixels_.end()) >= map->Count();
        // Indices outside the table show entry 0.
        QList<QRgb> table(256);
        for (int i = 0; i < 256; ++i) {
            const GIFColor& c = (*map)[i < map->Count() ? i : 0];
            table[i] = qRgb(c.r, c.g, c.b);
        }
        if (outside)
            Warning(1, msg::InvalidColorIndex);
        out.setColorTable(table);
        const std::uint16_t options = image ? image->DrawOptions() : GIFDefaults::DrawOptions;
        // A palette-based display never occurs here, so dithering applies only
        // when asked for without the "only on palette displays" option.
        if ((options & goDither) && !(options & goAutoDither))
            out = ReduceColors(out.convertToFormat(QImage::Format_RGB32), 6, 1);
        bitmap_ = out;
        mask_ = QImage();
        const int tidx = TransparentIndex();
        if (tidx >= 0) {
            mask_ = QImage(width_, height_, QImage::Format_Mono);
            mask_.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
            mask_.fill(0);
            for (int y = 0; y < height_; ++y) {
                const std::uint8_t* src = Scanline(y);
                std::uint8_t* m = mask_.scanLine(y);
                for (int x = 0; x < width_; ++x)
                    if (src[x] == tidx)
                        m[x >> 3] |= std::uint8_t(0x80 >> (x & 7));
            }
        }
    } catch (...) {
        if (image)
            image->Progress(ProgressStage::Ending, 0, msg::Rendering);
        throw;
    }
    if (image)
        image->Progress(ProgressStage::Ending, 100, msg::Rendering);
    return bitmap_;
}

QImage TGIFSubImage::RenderMask()
{
    RenderBitmap();
    return mask_;
}

} // namespace orugif::gif
