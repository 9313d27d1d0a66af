// One frame of a GIF file: image descriptor, local colour table, pixel
// buffer of colour indices, extensions, and the bitmap rendered from them.
#pragma once
#include "gif/colormap.h"
#include "gif/extensions.h"

#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

namespace orugif::gif {

// Writes a colour table padded with black up to 2^(its bit depth) entries.
void WriteColorTable(ByteWriter& out, const TGIFColorMap& map);

class TGIFSubImage : public TGIFItem {
public:
    explicit TGIFSubImage(TGIFImage* image);
    ~TGIFSubImage() override;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Setting bounds stores the four values; a changed size drops the
    // rendered bitmap and gives a new zero-filled pixel buffer. A frame that
    // no longer fits grows the logical screen (with warnings unless the
    // screen was still empty).
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
    void SetTop(int v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(int v) { SetBounds(left_, top_, width_, v); }

    bool Interlaced() const { return interlaced_; }
    void SetInterlaced(bool on) { interlaced_ = on; }

    TGIFColorMap& ColorMap() { return localMap_; }
    const TGIFColorMap& ColorMap() const { return localMap_; }
    // The local table when it has entries, else the global one.
    const TGIFColorMap* ActiveColorMap() const;

    // Pixel buffer: Width x Height colour indices, rows top-down.
    // The pixels; a caller that resizes them keeps the image's total high
    // until the next change made here (limits stay on the safe side).
    std::vector<std::uint8_t>& Data() { return pixels_; }
    const std::vector<std::uint8_t>& Data() const { return pixels_; }
    std::uint8_t* Scanline(int y) { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
    const std::uint8_t* Scanline(int y) const { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
    // Colour index at (x, y); "Invalid pixel coordinates" outside.
    int Pixel(int x, int y) const;
    bool Empty() const { return pixels_.empty() || width_ == 0 || height_ == 0; }
    // Replaces bounds and pixels at once (a crop keeps what is inside).
    void CropTo(int left, int top, int width, int height, std::vector<std::uint8_t> pixels);
    // Empties the sub-image: bounds, pixels, local table, extensions.
    void Clear();

    TGIFExtensionList& Extensions() { return extensions_; }
    const TGIFExtensionList& Extensions() const { return extensions_; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on) { transparent_ = on; }
    TGIFGraphicControlExtension* GraphicControlExtension() const { return gce_; }
    void SetGraphicControlExtension(TGIFGraphicControlExtension* gce) { gce_ = gce; }
    // The transparent index when the sub-image is transparent, else -1.
    int TransparentIndex() const;

    // GIF89a when the local table is sorted or there is an extension.
    int Version() const override;

    // Bitmap import: any QImage. Indexed pictures keep their palette and
    // indices; others are reduced with the image's reduction settings. An
    // image with an alpha channel is transparent where alpha is below 128.
    void Assign(const QImage& bitmap);
    // Copy of another sub-image: descriptor, transparency, pixels, colour
    // table and extensions.
    void Assign(const TGIFSubImage& other);

    // The frame as an 8-bit picture with its colour table (cached until
    // pixels, bounds or colours change), and the 1-bit mask of its
    // transparent pixels (1 = transparent; null when not transparent).
    QImage RenderBitmap();
    QImage RenderMask();
    // Drops the rendered bitmap and mask.
    void FreeBitmap();

    void LoadFromStream(ByteReader& in);
    void SaveToStream(ByteWriter& out) const;

    // Reports the pixel count to the owning image's running total (after
    // every change of the pixels, and when the sub-image changes image).
    void CountPixels();
    void Uncount();

private:
    void ReadExtensions(ByteReader& in);
    // After reading: pixels indexing past the colour table in force become
    // entry 0 (with the warning "Invalid color index"), as they are shown.
    void MapIndicesIntoTable();
    void AllocatePixels();
    friend class TGIFImage;

    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool interlaced_ = false;
    TGIFColorMap localMap_;
    std::vector<std::uint8_t> pixels_;
    // The pixel count last reported to the image's running total.
    std::int64_t counted_ = 0;
    TGIFExtensionList extensions_;
    bool transparent_ = false;
    TGIFGraphicControlExtension* gce_ = nullptr;
    QImage bitmap_, mask_;
};

// Owning list of sub-images in frame order.
class TGIFImageList {
public:
    int Count() const { return int(items_.size()); }
    TGIFSubImage* Items(int i) const { return items_[std::size_t(i)].get(); }
    TGIFSubImage* operator[](int i) const { return Items(i); }
    int AddItem(std::unique_ptr<TGIFSubImage> item);
    void Delete(int i);
    void Clear() { items_.clear(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<std::unique_ptr<TGIFSubImage>> items_;
};

} // namespace orugif::gif
