// Sub-image bounds, pixel access, copying, and its part of the GIF reader
// and writer (extensions, image descriptor, local table, image data).
#include "gif/subimage.h"

#include "gif/gifimage.h"
#include "gif/lzw.h"

#include <algorithm>

namespace orugif::gif {

namespace {
constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kTrailer = 0x3B;

void readColorTable(ByteReader& in, TGIFColorMap& map, int sizeBits)
{
    const int count = 2 << (sizeBits & 7);
    GIFColor colors[256];
    in.read(colors, std::size_t(count) * 3);
    map.Assign(colors, count);
}

} // namespace

void WriteColorTable(ByteWriter& out, const TGIFColorMap& map)
{
    const int padded = 1 << map.BitsPerPixel();
    out.write(map.data(), std::size_t(map.Count()) * 3);
    for (int i = map.Count(); i < padded; ++i) {
        out.byte(0);
        out.byte(0);
        out.byte(0);
    }
}

TGIFSubImage::TGIFSubImage(TGIFImage* image) : TGIFItem(image), localMap_(this) {}

TGIFSubImage::~TGIFSubImage()
{
    Uncount();
    extensions_.Clear();
}

void TGIFSubImage::CountPixels()
{
    const std::int64_t now = std::int64_t(pixels_.size());
    if (Image())
        Image()->AddHeldPixels(now - counted_);
    counted_ = now;
}

void TGIFSubImage::Uncount()
{
    if (Image())
        Image()->AddHeldPixels(-counted_);
    counted_ = 0;
}

const TGIFColorMap* TGIFSubImage::ActiveColorMap() const
{
    if (!localMap_.Empty() || !Image())
        return &localMap_;
    return &Image()->GlobalColorMap();
}

int TGIFSubImage::TransparentIndex() const
{
    return transparent_ && gce_ ? gce_->TransparentIndex() : -1;
}

void TGIFSubImage::AllocatePixels()
{
    const std::int64_t held = Image() ? Image()->TotalPixels() - counted_ : 0;
    if (Image())
        Image()->CheckFrameSize(width_, height_, held);
    else if (std::int64_t(width_) * height_ > GIFDefaults::MaxFramePixels)
        throw GIFException(msg::ImageTooLarge);
    pixels_.assign(std::size_t(width_) * std::size_t(height_), 0);
    CountPixels();
}

void TGIFSubImage::SetBounds(int left, int top, int width, int height)
{
    left = std::clamp(left, 0, 0xFFFF);
    top = std::clamp(top, 0, 0xFFFF);
    width = std::clamp(width, 0, 0xFFFF);
    height = std::clamp(height, 0, 0xFFFF);
    const bool resized = width != width_ || height != height_;
    if (resized) {
        const std::int64_t held = Image() ? Image()->TotalPixels() - counted_ : 0;
        if (Image())
            Image()->CheckFrameSize(width, height, held);
    }
    if (Image())
        Image()->StopPainters();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    if (resized) {
        FreeBitmap();
        AllocatePixels();
    }
    TGIFImage* image = Image();
    if (!image)
        return;
    TGIFHeader& h = image->Header();
    if (left_ + width_ > h.Width) {
        const bool warn = h.Width >= 1;
        h.Width = std::min(left_ + width_, 0xFFFF);
        if (warn) {
            Warning(1, msg::WidthTooSmall);
            Warning(1, msg::ExceedsScreen);
        }
    }
    if (top_ + height_ > h.Height) {
        const bool warn = h.Height >= 1;
        h.Height = std::min(top_ + height_, 0xFFFF);
        if (warn) {
            Warning(1, msg::HeightTooSmall);
            Warning(1, msg::ExceedsScreen);
        }
    }
}

void TGIFSubImage::CropTo(int left, int top, int width, int height, std::vector<std::uint8_t> pixels)
{
    if (Image())
        Image()->StopPainters();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    pixels_ = std::move(pixels);
    CountPixels();
    FreeBitmap();
}

int TGIFSubImage::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw GIFException(msg::InvalidPixelCoordinates);
    if (pixels_.empty())
        throw GIFException(msg::ImageEmpty);
    return Scanline(y)[x];
}

void TGIFSubImage::Clear()
{
    if (Image())
        Image()->StopPainters();
    FreeBitmap();
    extensions_.Clear();
    gce_ = nullptr;
    transparent_ = false;
    localMap_.Clear();
    pixels_.clear();
    pixels_.shrink_to_fit();
    CountPixels();
    left_ = top_ = width_ = height_ = 0;
    interlaced_ = false;
}

int TGIFSubImage::Version() const
{
    return localMap_.Optimized() || extensions_.Count() > 0 ? 2 : 1;
}

void TGIFSubImage::FreeBitmap()
{
    bitmap_ = QImage();
    mask_ = QImage();
}

void TGIFSubImage::Assign(const TGIFSubImage& other)
{
    if (&other == this)
        return;
    Clear();
    left_ = other.left_;
    top_ = other.top_;
    width_ = other.width_;
    height_ = other.height_;
    interlaced_ = other.interlaced_;
    pixels_ = other.pixels_;
    CountPixels();
    localMap_.Assign(other.localMap_.data(), other.localMap_.Count());
    localMap_.SetOptimized(other.localMap_.Optimized());
    for (const auto& ext : other.extensions_) {
        ByteWriter bytes;
        ext->SaveToStream(bytes);
        ByteReader reader(bytes.data());
        auto copy = CreateExtensionFor(reader, this);
        copy->LoadFromStream(reader);
        // The copy of the block that governs the other's image governs this
        // one (not one a plain text took before it).
        if (ext.get() == other.gce_)
            gce_ = static_cast<TGIFGraphicControlExtension*>(copy.get());
        else if (gce_ == copy.get())
            gce_ = nullptr;
        extensions_.Add(std::move(copy));
    }
    transparent_ = other.transparent_;
}

// --- reading ---------------------------------------------------------------

void TGIFSubImage::ReadExtensions(ByteReader& in)
{
    for (;;) {
        const std::size_t at = in.position();
        const int b = in.tryByte();
        if (b < 0)
            return;
        if (b == kImageSeparator || b == kTrailer) {
            in.seek(at);
            return;
        }
        if (b != kExtensionIntroducer) {
            Warning(1, msg::InvalidExtensionIntroducer);
            in.seek(at);
            return;
        }
        in.seek(at);
        if (Image())
            Image()->CountLoadedExtension();
        if (!IsKnownExtension(in)) {
            // A label this codec does not know (a tool's private block, or
            // one defined later): its sub-blocks are passed over.
            Warning(1, msg::UnknownExtension);
            SkipExtension(in);
            continue;
        }
        auto ext = CreateExtensionFor(in, this);
        ext->LoadFromStream(in);
        const bool plainText = ext->Label() == TGIFTextExtension::kLabel;
        extensions_.Add(std::move(ext));
        if (plainText && gce_) {
            // A graphic control extension governs the next graphic block
            // only: the plain text took the one read before it, and the
            // image takes the next one read, if any.
            gce_ = nullptr;
            transparent_ = false;
        }
    }
}

void TGIFSubImage::LoadFromStream(ByteReader& in)
{
    ReadExtensions(in);
    const int next = in.peek();
    if (next == kTrailer || next == 0 || next < 0)
        return;
    std::uint8_t d[10];
    in.read(d, sizeof d);
    left_ = d[1] | d[2] << 8;
    top_ = d[3] | d[4] << 8;
    width_ = d[5] | d[6] << 8;
    height_ = d[7] | d[8] << 8;
    const std::uint8_t packed = d[9];
    interlaced_ = packed & 0x40;
    if (width_ == 0 || height_ == 0) {
        width_ = Image() ? Image()->Width() : 0;
        height_ = Image() ? Image()->Height() : 0;
        Warning(1, msg::ExceedsScreen);
    }
    if (packed & 0x80) {
        readColorTable(in, localMap_, packed & 7);
        localMap_.SetOptimized(packed & 0x20);
    }
    AllocatePixels();
    const int fill = TransparentIndex();
    DecodeImageData(in, pixels_, width_, height_, interlaced_, std::uint8_t(fill < 0 ? 0 : fill),
                    [this](const char* m) { Warning(1, m); });
    MapIndicesIntoTable();
}

void TGIFSubImage::MapIndicesIntoTable()
{
    TGIFColorMap& map = localMap_.Empty() && Image() ? Image()->GlobalColorMap() : localMap_;
    const int count = map.Count();
    if (count == 0 || count >= TGIFColorMap::kMaxColors || pixels_.empty())
        return;
    // Indices past the table are shown as entry 0: they become it. The
    // transparent index stays transparent even past the table, which grows
    // with black entries up to it, so the frame can be written again.
    const int tidx = TransparentIndex();
    bool outside = false;
    for (std::uint8_t& p : pixels_)
        if (p >= count && p != tidx) {
            p = 0;
            outside = true;
        }
    if (outside)
        Warning(1, msg::InvalidColorIndex);
    if (tidx >= count && std::find(pixels_.begin(), pixels_.end(), std::uint8_t(tidx)) != pixels_.end())
        while (map.Count() <= tidx)
            map.Add({0, 0, 0});
}

// --- writing ---------------------------------------------------------------

void TGIFSubImage::SaveToStream(ByteWriter& out) const
{
    for (const auto& ext : extensions_)
        ext->SaveToStream(out);
    if (Empty())
        return;
    out.byte(kImageSeparator);
    out.word(std::uint16_t(left_));
    out.word(std::uint16_t(top_));
    out.word(std::uint16_t(width_));
    out.word(std::uint16_t(height_));
    std::uint8_t packed = interlaced_ ? 0x40 : 0;
    // The pixels are checked against the table they are shown with; a frame
    // without a table of its own may use the padding of the largest one.
    int count = 0;
    if (!localMap_.Empty()) {
        count = localMap_.Count();
        packed |= std::uint8_t(0x80 | (localMap_.Optimized() ? 0x20 : 0) | (localMap_.BitsPerPixel() - 1));
    } else {
        count = Image() ? 1 << Image()->LargestTableBits() : 1;
    }
    out.byte(packed);
    if (!localMap_.Empty())
        WriteColorTable(out, localMap_);
    const int tolerance = Image() ? Image()->LossyTolerance : 0;
    if (tolerance > 0) {
        const TGIFColorMap& map = *ActiveColorMap();
        EncodeImageLossy(out, count, pixels_.data(), interlaced_, height_, width_,
                         std::span<const GIFColor>(map.data(), std::size_t(map.Count())), TransparentIndex(),
                         tolerance);
        return;
    }
    EncodeImage(out, count, pixels_.data(), interlaced_, height_, width_);
}

// --- list ------------------------------------------------------------------

int TGIFImageList::AddItem(std::unique_ptr<TGIFSubImage> item)
{
    items_.push_back(std::move(item));
    return int(items_.size()) - 1;
}

void TGIFImageList::Delete(int i)
{
    items_.erase(items_.begin() + i);
}

} // namespace orugif::gif
