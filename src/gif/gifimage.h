// The GIF image model: logical screen descriptor with the global colour
// table, the frames (sub-images) with their extensions, settings copied from
// process-wide defaults, and the reader and writer of GIF87a/GIF89a files.
#pragma once
#include "common/limits.h"
#include "gif/subimage.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

namespace orugif::gif {

// Colour value meaning "no colour" for the drawing background.
inline constexpr std::int32_t clNone = 0x1FFFFFFF;

// Process-wide defaults every new image copies.
struct GIFDefaults {
    static inline std::uint16_t DrawOptions = 0x060F;
    static inline int ColorReduction = 6;
    static inline int ReductionBits = 8;
    static inline int DitherMode = 0;
    static inline int Compression = 0;  // 0 = LZW (the only coding provided)
    static inline int ThreadPriority = 3;
    static inline int AnimationSpeed = 100;
    // Largest frame (and logical screen) the reader and the bounds accept,
    // in pixels, and the largest sum of frame pixels of one image: the
    // editor's own animation limit, so that every animation it holds can be
    // saved.
    static inline std::int64_t MaxFramePixels = std::int64_t(1) << 28;
    static inline std::int64_t MaxTotalPixels = animationPixelLimit();
    // Largest number of frames, and of extensions, one file may bring: a
    // few bytes of file make a frame or an extension, so these bound the
    // memory a small hostile file can claim.
    static inline int MaxFrames = 65536;
    static inline int MaxExtensions = 1 << 20;
};

// Draw option bits used by the codec itself.
inline constexpr std::uint16_t goDither = 0x0200;
inline constexpr std::uint16_t goAutoDither = 0x0400;

// Logical screen descriptor (7 bytes in the file) and the global table.
class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage* image) : TGIFItem(image), ColorMap(this) {}
    int Width = 0, Height = 0;
    std::uint8_t Packed = 0;  // as read; recomputed when written
    std::uint8_t BackgroundColorIndex = 0;
    std::uint8_t AspectRatio = 0;
    TGIFColorMap ColorMap;
};

// The trailer that ends a GIF file (the byte 0x3B).
class TGIFTrailer : public TGIFItem {
public:
    static constexpr std::uint8_t kTrailer = 0x3B;
    using TGIFItem::TGIFItem;
    // Reads the trailer: another byte warns "Invalid Image trailer", none at
    // all is accepted.
    void LoadFromStream(ByteReader& in) const;
    void SaveToStream(ByteWriter& out) const { out.byte(kTrailer); }
};

// Something that draws an image from another thread and must be stopped
// before the image changes (the animation painter).
class TGIFPainterHandle {
public:
    virtual ~TGIFPainterHandle() = default;
    // Ends the painter and waits for it; it must not touch the list.
    virtual void Stop() = 0;
};

class TGIFImage {
public:
    TGIFImage();
    ~TGIFImage();
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    TGIFHeader& Header() { return header_; }
    const TGIFHeader& Header() const { return header_; }
    TGIFColorMap& GlobalColorMap() { return header_.ColorMap; }
    const TGIFColorMap& GlobalColorMap() const { return header_.ColorMap; }
    TGIFImageList& Images() { return images_; }
    const TGIFImageList& Images() const { return images_; }

    int Width() const { return header_.Width; }
    int Height() const { return header_.Height; }
    // Refused ("Image width/height too small for contained frames") below
    // the right or bottom edge of any frame.
    void SetWidth(int width);
    void SetHeight(int height);
    bool Empty() const { return images_.Count() == 0; }

    // Reader and writer; a failed load leaves the frames read before the
    // error, a failed save leaves the file untouched.
    void LoadFromFile(const QString& path);
    void SaveToFile(const QString& path);
    void LoadFromStream(QIODevice& device);
    void SaveToStream(QIODevice& device);
    void LoadFromData(std::span<const std::uint8_t> data);
    QByteArray SaveToData();

    // Stops painters, frees every frame, empties the global table and
    // sets the screen to 0 x 0.
    void ClearAll();
    // Appends a frame made from a picture; returns its index.
    int AddFrameImage(const QImage& bitmap);
    // Appends a sub-image unchanged ("Object type not supported for
    // operation" for none); returns its index.
    int AddFrameImage(std::unique_ptr<TGIFSubImage> subImage);
    void Assign(const TGIFImage& other);
    // Any picture becomes the single frame.
    void Assign(const QImage& bitmap);

    bool HasTransparency() const;

    // Settings (copied from GIFDefaults at creation).
    std::uint16_t DrawOptions() const { return drawOptions_; }
    void SetDrawOptions(std::uint16_t options);
    int ColorReduction = GIFDefaults::ColorReduction;
    int ReductionBits = GIFDefaults::ReductionBits;
    int DitherMode = GIFDefaults::DitherMode;
    // Method 7's palette when one is chosen for every frame together;
    // empty: each frame's own.
    std::vector<GIFColor> SharedPalette;
    // Method 7 chooses at most this many colours (room for a transparent
    // entry the frame optimisation may add).
    int ReductionLimit = 256;
    // Lossy LZW coding on writing: 0 codes every pixel exactly; above, a
    // pixel may be written with a colour that differs by at most this much
    // in each channel (see EncodeImageLossy).
    int LossyTolerance = 0;
    int Compression = GIFDefaults::Compression;
    int ThreadPriority = GIFDefaults::ThreadPriority;
    int AnimationSpeed = GIFDefaults::AnimationSpeed;
    std::int32_t DrawBackgroundColor = clNone;

    // Replaces all colour tables by one global table of the colours used.
    void OptimizeColorTable();
    // When there is no global table and every frame has a table of its own,
    // all equal, that table becomes the global one (written once instead of
    // once a frame). Tells whether it did.
    bool ShareEqualLocalTables();
    // Option bits of OptimizeFrames.
    static constexpr int ooCrop = 1, ooMerge = 2, ooCleanup = 4, ooColorMap = 8;
    // Makes frames transparent where they repeat the frame before (merge)
    // and crops them to their visible part (crop).
    void OptimizeFrames(int options, int reductionMethod = 0, int ditherMode = 0, int reductionBits = 0);

    void SetOnWarning(GIFWarningHandler handler) { onWarning_ = std::move(handler); }
    void SetOnProgress(GIFProgressHandler handler) { onProgress_ = std::move(handler); }
    void Warning(const TGIFItem* sender, int severity, const char* message) const;
    void Progress(ProgressStage stage, int percent, const char* message) const;

    // Painters register here; every change of frames, bounds, colours or
    // draw options stops them first.
    void AddPainter(TGIFPainterHandle* painter);
    void RemovePainter(TGIFPainterHandle* painter);
    void StopPainters();

    // Bits of the largest colour table, global or local: the code size of a
    // frame written without a table of its own. Worked out once per save.
    int LargestTableBits() const;

    // Counts an extension read from a file against the limit.
    void CountLoadedExtension();

    // Sum of frame pixels, checked against the limits before allocating.
    // The sum is kept as the sub-images change (every sub-image made for
    // this image counts, in the list or not), so a check costs the same
    // whatever the number of frames.
    void CheckFrameSize(std::int64_t width, std::int64_t height, std::int64_t alreadyHeld) const;
    std::int64_t TotalPixels() const { return heldPixels_; }
    void AddHeldPixels(std::int64_t delta) { heldPixels_ += delta; }

private:
    void ReadFrom(ByteReader& in);
    void WriteTo(ByteWriter& out);
    // The crop step for frame i: cut to its visible part, removed or kept
    // as one transparent pixel when nothing is left. False when removed.
    bool cropOrRemove(int i);

    std::int64_t heldPixels_ = 0;  // declared first: the frames uncount themselves as they go
    TGIFHeader header_;
    TGIFImageList images_;
    std::uint16_t drawOptions_ = GIFDefaults::DrawOptions;
    int loadedExtensions_ = 0;
    int writingTableBits_ = -1;  // LargestTableBits while a save runs
    GIFWarningHandler onWarning_;
    GIFProgressHandler onProgress_;
    std::recursive_mutex painterLock_;
    std::vector<TGIFPainterHandle*> painters_;
};

} // namespace orugif::gif
