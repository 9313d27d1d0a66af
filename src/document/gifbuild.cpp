#include "document/gifbuild.h"

#include "gif/colorreduction.h"
#include "gif/cubedither.h"
#include "gif/extensions.h"
#include "gif/gifimage.h"
#include "gif/quantize.h"

#include <algorithm>
#include <future>
#include <optional>
#include <thread>

namespace orugif {

namespace {

// The frame with the pixels of `colour` made fully transparent, for the
// codec's import, which gives them a transparent entry of their own.
QImage withPageTransparent(const QImage& frame, Colour colour)
{
    const QRgb key = toQRgb(colour) & 0x00FFFFFFu;
    if (frame.format() == QImage::Format_RGB32) {
        // A quick look first: most frames hold no page at all.
        bool any = false;
        for (int y = 0; y < frame.height() && !any; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
            any = std::any_of(row, row + frame.width(), [key](QRgb p) { return (p & 0x00FFFFFFu) == key; });
        }
        if (!any)
            return frame;
    }
    QImage out = frame.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0, w = out.width(); x < w; ++x)
            row[x] = (row[x] & 0x00FFFFFFu) == key ? key : row[x] | 0xFF000000u;
    }
    return out;
}

// Whether `next` shows the page somewhere `frame` covers it.
bool uncovers(const gif::TGIFSubImage& frame, const gif::TGIFSubImage& next)
{
    if (next.TransparentIndex() < 0)
        return false;
    const int w = std::min(frame.Width(), next.Width()), h = std::min(frame.Height(), next.Height());
    const int own = frame.TransparentIndex(), page = next.TransparentIndex();
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* a = frame.Scanline(y);
        const std::uint8_t* b = next.Scanline(y);
        for (int x = 0; x < w; ++x)
            if (b[x] == page && a[x] != own)
                return true;
    }
    return false;
}

// Every frame covers the whole screen, and its transparent pixels show the
// page. A frame stays in place for the next one (which the merge option
// relies on) unless the next shows the page where it is opaque: it is then
// restored to the background. The last frame is judged against the first,
// which follows it when the animation loops.
void chooseDisposals(gif::TGIFImage& image, bool transparent)
{
    const int count = image.Images().Count();
    for (int i = 0; i < count; ++i) {
        gif::TGIFSubImage& frame = *image.Images()[i];
        const gif::TGIFSubImage& next = *image.Images()[(i + 1) % count];
        const bool restore = count > 1 && uncovers(frame, next);
        gif::TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
        gce->SetDisposalMethod(restore ? 2 : transparent ? 1 : 0);
        if (restore && frame.TransparentIndex() < 0 && frame.ColorMap().Count() < gif::TGIFColorMap::kMaxColors) {
            // A transparent entry no pixel uses: readers that restore to
            // the frame's transparent colour then show the page, as
            // browsers do.
            gce->SetTransparentFlag(true);
            gce->SetTransparentIndex(frame.ColorMap().Add({0, 0, 0}));
        }
    }
}

// Dithering spreads each frame's error afresh, so a still area would come
// out with other indices in every frame and shimmer. Where a frame repeats
// the previous one's pixels and both have the same colour table, it takes
// the previous frame's indices: the still area stays still (and the merge
// option can make it transparent).
void keepStillPixels(const QImage& previous, const gif::TGIFSubImage& before, const QImage& current,
                     gif::TGIFSubImage& frame)
{
    if (previous.size() != current.size() || before.Width() != frame.Width() || before.Height() != frame.Height()
        || previous.format() != current.format() || previous.depth() != 32)
        return;
    const gif::TGIFColorMap& a = before.ColorMap();
    const gif::TGIFColorMap& b = frame.ColorMap();
    if (a.Count() != b.Count() || !std::equal(a.data(), a.data() + a.Count(), b.data()))
        return;
    for (int y = 0; y < current.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(previous.constScanLine(y));
        const auto* c = reinterpret_cast<const QRgb*>(current.constScanLine(y));
        const std::uint8_t* from = before.Scanline(y);
        std::uint8_t* to = frame.Scanline(y);
        for (int x = 0, w = current.width(); x < w; ++x)
            if (p[x] == c[x])
                to[x] = from[x];
    }
}

// Whether `current` differs from `previous` in at most one pixel in eight:
// a frame that mostly repeats the one before.
bool mostlyRepeats(const QImage& previous, const QImage& current)
{
    if (previous.size() != current.size() || previous.depth() != 32 || current.depth() != 32)
        return false;
    const qint64 allowed = qint64(current.width()) * current.height() / 8;
    qint64 changed = 0;
    for (int y = 0; y < current.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(previous.constScanLine(y));
        const auto* c = reinterpret_cast<const QRgb*>(current.constScanLine(y));
        for (int x = 0, w = current.width(); x < w; ++x)
            changed += p[x] != c[x];
        if (changed > allowed)
            return false;
    }
    return true;
}

// The palette of a frame of a run of repeated frames whose palette (or the
// previous frame's) is `before`: that palette, so the repeated pixels keep
// their colours and indices for the merge to find (a screen recording's
// still window), unless the frame has at most `colours` colours and some
// are missing from it; the frame then gets exactly its own colours.
std::vector<gif::GIFColor> paletteForRepeat(const QImage& frame, const std::vector<gif::GIFColor>& before,
                                            int colours)
{
    std::vector<gif::GIFColor> own = gif::DistinctColours({frame}, colours);
    if (own.empty())
        return before;
    const auto held = [&before](const gif::GIFColor& c) {
        return std::any_of(before.begin(), before.end(),
                           [&c](const gif::GIFColor& e) { return e.r == c.r && e.g == c.g && e.b == c.b; });
    };
    return std::all_of(own.begin(), own.end(), held) ? before : own;
}

// Frames reduced ahead, on every core, while addFrames adds them in order.
// A frame qualifies when the import would reduce it as it stands (32-bit
// without alpha, no page made transparent) and its palette is known before
// the frames before it are added: a fixed one (grey levels, black and
// white, the web cube, or the automatic choice, made from the frame alone),
// or with the optimised palette the shared palette, its own (chosen here),
// or, in a run of frames that each mostly repeat the one before, the one
// paletteForRepeat gives from the palette chosen for the whole run. Its result is the picture the import would have made,
// as an 8-bit picture whose colour table is the palette; the import takes
// such a picture as it is.
class ReducedAhead {
public:
    ReducedAhead(const std::vector<QImage>& frames, const std::vector<bool>& repeats, const gif::TGIFImage& image,
                 bool ownPalettes)
        : frames_(frames), repeats_(repeats), image_(image), ownPalettes_(ownPalettes), slots_(frames.size()),
          window_(2 * std::max(1u, std::thread::hardware_concurrency()))
    {
        if (!ownPalettes_) {
            // The shared palette, or none for a fixed one.
            std::promise<std::vector<gif::GIFColor>> given;
            given.set_value(image.ColorReduction == 7 ? image.SharedPalette : std::vector<gif::GIFColor>());
            shared_ = given.get_future().share();
        }
    }

    // The reduced frame i, or a null picture when it does not qualify; the
    // frames after it start reducing. Raises what the reduction raised.
    QImage take(std::size_t i)
    {
        for (; launched_ < slots_.size() && launched_ <= i + window_; ++launched_)
            launch(launched_);
        // A batch whose frames are all launched is held by their tasks
        // alone, and goes with the last of them.
        for (; released_ < std::min(batches_.size(), launched_ / kBatch); ++released_)
            batches_[released_] = {};
        return slots_[i].reduced.valid() ? slots_[i].reduced.get() : QImage();
    }

private:
    // The first frame of the run of mostly repeated frames that holds frame
    // i, and the frame after the run.
    std::size_t sceneStart(std::size_t i) const
    {
        while (i > 0 && repeats_[i])
            --i;
        return i;
    }
    std::size_t sceneEnd(std::size_t i) const
    {
        ++i;
        while (i < repeats_.size() && repeats_[i])
            ++i;
        return i;
    }

    struct Slot {
        std::shared_future<std::vector<gif::GIFColor>> palette;
        std::future<QImage> reduced;
    };

    void launch(std::size_t i)
    {
        Slot& slot = slots_[i];
        if (frames_[i].format() != QImage::Format_RGB32)
            return;
        if (!ownPalettes_) {
            slot.palette = shared_;
        } else if (const std::size_t first = sceneStart(i), end = sceneEnd(i); end - first >= 2) {
            // A run of frames that each mostly repeat the one before (a
            // screen recording's still window, a drawing that moves a
            // little): one palette chosen from them all, so still pixels keep
            // their colour and index from frame to frame; a frame of few
            // colours not all in it keeps its own exact colours.
            const int colours = std::clamp(std::min(1 << image_.ReductionBits, image_.ReductionLimit), 1, 256);
            if (scenes_.size() <= first)
                scenes_.resize(first + 1);
            if (!scenes_[first].valid()) {
                std::vector<QImage> scene(frames_.begin() + std::ptrdiff_t(first), frames_.begin() + std::ptrdiff_t(end));
                scenes_[first] = std::async(std::launch::async, [scene = std::move(scene), colours] {
                                     return gif::QuantizePalette(scene, colours);
                                 }).share();
            }
            slot.palette = std::async(std::launch::async, [frame = frames_[i], shared = scenes_[first], colours] {
                               return paletteForRepeat(frame, shared.get(), colours);
                           }).share();
        } else {
            const int colours = std::clamp(std::min(1 << image_.ReductionBits, image_.ReductionLimit), 1, 256);
            slot.palette = std::async(std::launch::async, [frame = frames_[i], colours] {
                               return gif::QuantizePalette({frame}, colours);
                           }).share();
        }
        if (!slot.palette.valid())
            return;
        if (!ownPalettes_ && image_.ColorReduction == 6 && image_.DitherMode == 1) {
            // The cube with Floyd-Steinberg: frames are dithered kBatch at a
            // time (several times faster than one by one, the same
            // pixels), then their cube colours map exactly to the indices
            // the dithered reduction gives.
            const std::size_t batch = i / kBatch;
            if (batches_.size() <= batch)
                batches_.resize(batch + 1);
            if (!batches_[batch].valid()) {
                std::vector<QImage> copies;
                for (std::size_t k = batch * kBatch; k < std::min(frames_.size(), (batch + 1) * kBatch); ++k)
                    copies.push_back(frames_[k].convertToFormat(QImage::Format_RGB32));
                batches_[batch] = std::async(std::launch::async, [copies = std::move(copies)]() mutable {
                                      gif::DitherToCubeInPlace(copies);
                                      return std::move(copies);
                                  }).share();
            }
            slot.reduced = std::async(std::launch::async, [dithered = batches_[batch], k = i % kBatch] {
                const QImage& frame = dithered.get()[k];
                QImage reduced(frame.size(), QImage::Format_Indexed8);
                if (reduced.isNull())
                    throw std::bad_alloc();
                std::vector<gif::GIFColor> used;
                gif::ReduceToIndices(frame, 6, 0, {}, used, reduced.bits(), reduced.bytesPerLine());
                QList<QRgb> table;
                for (const gif::GIFColor& c : used)
                    table.push_back(qRgb(c.r, c.g, c.b));
                reduced.setColorTable(table);
                return reduced;
            });
            return;
        }
        slot.reduced = std::async(std::launch::async, [frame = frames_[i], palette = slot.palette, &image = image_] {
            const std::vector<gif::GIFColor>& given = palette.get();
            QImage reduced(frame.size(), QImage::Format_Indexed8);
            if (reduced.isNull())
                throw std::bad_alloc();
            std::vector<gif::GIFColor> used;
            if (!gif::ReduceToIndices(frame, image.ColorReduction, image.DitherMode, given, used, reduced.bits(),
                                      reduced.bytesPerLine(), image.ReductionBits, std::min(image.ReductionLimit, 256)))
                return QImage();  // the import reports what it cannot do
            QList<QRgb> table;
            for (const gif::GIFColor& c : used)
                table.push_back(qRgb(c.r, c.g, c.b));
            reduced.setColorTable(table);
            return reduced;
        });
    }

    const std::vector<QImage>& frames_;
    const std::vector<bool>& repeats_;
    const gif::TGIFImage& image_;
    const bool ownPalettes_;
    std::shared_future<std::vector<gif::GIFColor>> shared_;
    std::vector<Slot> slots_;
    // The palette of each run of repeated frames, at its first frame.
    std::vector<std::shared_future<std::vector<gif::GIFColor>>> scenes_;
    static constexpr std::size_t kBatch = 8;
    std::vector<std::shared_future<std::vector<QImage>>> batches_;  // frames dithered to the cube together
    std::size_t released_ = 0;
    const std::size_t window_;
    std::size_t launched_ = 0;
};

// An extension kept from the opened file, read back for `sub`; none when
// the bytes do not hold one.
std::unique_ptr<gif::TGIFExtension> readBlock(const QByteArray& block, gif::TGIFSubImage& sub)
{
    gif::ByteReader in({reinterpret_cast<const std::uint8_t*>(block.constData()), std::size_t(block.size())});
    try {
        if (!gif::IsKnownExtension(in))
            return nullptr;
        auto ext = gif::CreateExtensionFor(in, &sub);
        ext->LoadFromStream(in);
        return ext;
    } catch (const std::exception&) {
        return nullptr;
    }
}

} // namespace

int loopCountOf(const gif::TGIFImage& image)
{
    for (const auto& sub : image.Images())
        for (const auto& ext : sub->Extensions())
            if (const auto* loop = dynamic_cast<const gif::TGIFAppExtNSLoop*>(ext.get()))
                return loop->LoopCount();
    return -1;
}

std::vector<QByteArray> keptBlocksOf(const gif::TGIFImage& image)
{
    std::vector<QByteArray> blocks;
    for (const auto& sub : image.Images())
        for (const auto& ext : sub->Extensions()) {
            const bool comment = dynamic_cast<const gif::TGIFCommentExtension*>(ext.get()) != nullptr;
            const bool application = dynamic_cast<const gif::TGIFApplicationExtension*>(ext.get()) != nullptr
                && dynamic_cast<const gif::TGIFAppExtNSLoop*>(ext.get()) == nullptr;
            if (!comment && !application)
                continue;
            gif::ByteWriter out;
            ext->SaveToStream(out);
            blocks.emplace_back(reinterpret_cast<const char*>(out.data().data()), qsizetype(out.data().size()));
        }
    return blocks;
}

void addFrames(gif::TGIFImage& image, const std::vector<QImage>& frames, const AnimationSettings& settings,
               const std::function<void(int, int)>& progress)
{
    image.ClearAll();
    const int count = int(frames.size());
    const bool page = settings.TransparentBackground && settings.transparentColour;
    image.ColorReduction = settings.ColorReduction;
    image.ReductionBits = settings.ReductionBits;
    image.DitherMode = settings.DitherMode;
    image.LossyTolerance = std::clamp(settings.LossyTolerance, 0, AnimationSettings::kMaxLossy);
    // A full table leaves the merge no transparent entry to add.
    image.ReductionLimit = settings.MergeDuplicatePixels || page ? 255 : 256;
    image.SharedPalette.clear();
    if (settings.ColorReduction == 7 && settings.RemoveLocalPalettes && count > 0) {
        // One palette chosen from every frame: the global table.
        const int colours = std::min(1 << std::clamp(settings.ReductionBits, 1, 8), image.ReductionLimit);
        image.SharedPalette = gif::QuantizePalette(frames, colours);
    }
    const bool ownPalettes = settings.ColorReduction == 7 && image.SharedPalette.empty();
    // Whether each frame mostly repeats the one before (pages made
    // transparent are never compared).
    std::vector<bool> repeats(frames.size(), false);
    if (ownPalettes && !page)
        for (std::size_t i = 1; i < frames.size(); ++i)
            repeats[i] = mostlyRepeats(frames[i - 1], frames[i]);
    std::optional<ReducedAhead> ahead;
    const bool fixedPalette = (settings.ColorReduction >= 3 && settings.ColorReduction <= 6)
        || settings.ColorReduction == gif::kAutomaticReduction;
    const bool optimised = settings.ColorReduction == 7 && settings.ReductionBits >= 1 && settings.ReductionBits <= 8;
    if ((optimised || fixedPalette) && !page)
        ahead.emplace(frames, repeats, image, ownPalettes);
    QImage previous;
    for (int i = 0; i < count; ++i) {
        if (progress)
            progress(i, count);
        const QImage& frame = frames[std::size_t(i)];
        const QImage picture = page ? withPageTransparent(frame, *settings.transparentColour) : frame;
        const QImage reduced = ahead ? ahead->take(std::size_t(i)) : QImage();
        if (ownPalettes && reduced.isNull()) {
            // A frame that mostly repeats the previous one keeps its palette:
            // the repeated pixels then keep their colours and indices, for
            // the merge to find (a screen recording's still window).
            image.SharedPalette.clear();
            if (repeats[std::size_t(i)]) {
                const gif::TGIFColorMap& before = image.Images()[i - 1]->ColorMap();
                const int colours = std::clamp(std::min(1 << image.ReductionBits, image.ReductionLimit), 1, 256);
                image.SharedPalette = paletteForRepeat(
                    picture, std::vector<gif::GIFColor>(before.data(), before.data() + before.Count()), colours);
            }
        }
        const int index = image.AddFrameImage(reduced.isNull() ? picture : reduced);
        gif::TGIFSubImage& sub = *image.Images()[index];
        const bool ditheredAlone = settings.videoFrames && settings.ColorReduction == 6 && settings.DitherMode == 1;
        if (settings.DitherMode != 0 && index > 0 && !ditheredAlone)
            keepStillPixels(previous, *image.Images()[index - 1], picture, sub);
        previous = picture;
        if (i == 0) {
            int at = 0;
            if (settings.loopExtension) {
                auto loop = std::make_unique<gif::TGIFAppExtNSLoop>(&sub);
                loop->SetLoopCount(settings.RepeatCount & 0xFFFF);
                sub.Extensions().Insert(at++, std::move(loop));
            }
            for (const QByteArray& block : settings.keptBlocks)
                if (auto kept = readBlock(block, sub))
                    sub.Extensions().Insert(at++, std::move(kept));
        }
        // The import gave a frame with page pixels its graphic control
        // extension already.
        gif::TGIFGraphicControlExtension* gce = sub.GraphicControlExtension();
        if (!gce) {
            auto made = std::make_unique<gif::TGIFGraphicControlExtension>(&sub);
            gce = made.get();
            sub.Extensions().Add(std::move(made));
        }
        gce->SetDelayTime(settings.delayOf(i) & 0xFFFF);
        if (settings.TransparentBackground && !page) {
            // The bottom-left pixel's colour, read after the frame was indexed.
            gce->SetTransparentFlag(true);
            gce->SetTransparentIndex(sub.Pixel(0, sub.Height() - 1));
        }
    }
    if (ownPalettes)
        image.SharedPalette.clear();
    if (count > 0)
        chooseDisposals(image, settings.TransparentBackground || settings.MergeDuplicatePixels);
    // Frames that all got the same palette (the web cube, or a screen
    // recording whose frames kept the previous palette) share it once.
    image.ShareEqualLocalTables();
    if (progress)
        progress(count, count);
}

void optimise(gif::TGIFImage& image, const AnimationSettings& settings)
{
    if (settings.RemoveLocalPalettes)
        image.OptimizeColorTable();
    int options = 0;
    if (settings.MergeDuplicatePixels)
        options |= gif::TGIFImage::ooMerge;
    if (settings.RemoveUselessFrames)
        options |= gif::TGIFImage::ooCrop;
    if (options != 0)
        image.OptimizeFrames(options, 0, 0, 0);
}

} // namespace orugif
