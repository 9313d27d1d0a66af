#include "document/gifbuild.h"

#include "gif/extensions.h"
#include "gif/gifimage.h"
#include "gif/quantize.h"

#include <algorithm>
#include <atomic>
#include <exception>
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
        for (int x = 0; x < out.width(); ++x)
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
        for (int x = 0; x < current.width(); ++x)
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
        for (int x = 0; x < current.width(); ++x)
            changed += p[x] != c[x];
        if (changed > allowed)
            return false;
    }
    return true;
}

// The palettes of the frames that choose their own (method 7 without a
// shared palette), chosen on every core before the frames are added in
// order: empty for a frame that keeps the previous frame's palette or whose
// palette the import must choose itself (pictures with alpha or a colour
// table, pages made transparent). `checkpoint` runs on the calling thread
// between palettes and may throw to abandon the work.
std::vector<std::vector<gif::GIFColor>> ownPalettesOf(const std::vector<QImage>& frames, int colours, bool page,
                                                      const std::function<void()>& checkpoint)
{
    const std::size_t count = frames.size();
    std::vector<std::vector<gif::GIFColor>> palettes(count);
    std::vector<std::size_t> wanted;
    for (std::size_t i = 0; i < count; ++i) {
        const bool kept = i > 0 && mostlyRepeats(frames[i - 1], frames[i]);
        if (!page && !kept && frames[i].format() == QImage::Format_RGB32)
            wanted.push_back(i);
    }
    std::atomic<std::size_t> next{0};
    std::atomic<bool> abandoned{false};
    const auto work = [&](bool caller) {
        for (std::size_t k = next++; k < wanted.size() && !abandoned; k = next++) {
            palettes[wanted[k]] = gif::QuantizePalette({frames[wanted[k]]}, colours);
            if (caller && checkpoint)
                checkpoint();
        }
    };
    // A helper's failure (memory) is raised again on the calling thread.
    const unsigned helpers = std::min<unsigned>(std::max(1u, std::thread::hardware_concurrency()) - 1, 7);
    std::vector<std::exception_ptr> failures(helpers);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < helpers && t + 1 < wanted.size(); ++t)
        threads.emplace_back([&, t] {
            try {
                work(false);
            } catch (...) {
                failures[t] = std::current_exception();
                abandoned = true;
            }
        });
    const auto joinAll = [&] {
        for (std::thread& t : threads)
            t.join();
    };
    try {
        work(true);
    } catch (...) {
        abandoned = true;
        joinAll();
        throw;
    }
    joinAll();
    for (const std::exception_ptr& failure : failures)
        if (failure)
            std::rethrow_exception(failure);
    return palettes;
}

} // namespace

void addFrames(gif::TGIFImage& image, const std::vector<QImage>& frames, const AnimationSettings& settings,
               const std::function<void(int, int)>& progress)
{
    image.ClearAll();
    const int count = int(frames.size());
    const bool page = settings.TransparentBackground && settings.transparentColour;
    image.ColorReduction = settings.ColorReduction;
    image.ReductionBits = settings.ReductionBits;
    image.DitherMode = settings.DitherMode;
    // A full table leaves the merge no transparent entry to add.
    image.ReductionLimit = settings.MergeDuplicatePixels || page ? 255 : 256;
    image.SharedPalette.clear();
    if (settings.ColorReduction == 7 && settings.RemoveLocalPalettes && count > 0) {
        // One palette chosen from every frame: the global table.
        const int colours = std::min(1 << std::clamp(settings.ReductionBits, 1, 8), image.ReductionLimit);
        image.SharedPalette = gif::QuantizePalette(frames, colours);
    }
    const bool ownPalettes = settings.ColorReduction == 7 && image.SharedPalette.empty();
    std::vector<std::vector<gif::GIFColor>> palettes;
    if (ownPalettes && settings.ReductionBits >= 1 && settings.ReductionBits <= 8) {
        // The colours the import would choose for a frame of its own.
        const int colours = std::clamp(std::min(1 << settings.ReductionBits, image.ReductionLimit), 1, 256);
        palettes = ownPalettesOf(frames, colours, page, [&] {
            if (progress)
                progress(0, count);
        });
    }
    QImage previous;
    for (int i = 0; i < count; ++i) {
        if (progress)
            progress(i, count);
        const QImage& frame = frames[std::size_t(i)];
        const QImage picture = page ? withPageTransparent(frame, *settings.transparentColour) : frame;
        if (ownPalettes) {
            // A frame that mostly repeats the previous one keeps its palette:
            // the repeated pixels then keep their colours and indices, for
            // the merge to find (a screen recording's still window).
            image.SharedPalette.clear();
            if (i > 0 && !page && mostlyRepeats(previous, picture)) {
                const gif::TGIFColorMap& before = image.Images()[i - 1]->ColorMap();
                image.SharedPalette.assign(before.data(), before.data() + before.Count());
            } else if (!palettes.empty()) {
                image.SharedPalette = std::move(palettes[std::size_t(i)]);  // empty: chosen by the import
            }
        }
        const int index = image.AddFrameImage(picture);
        gif::TGIFSubImage& sub = *image.Images()[index];
        if (settings.DitherMode != 0 && index > 0)
            keepStillPixels(previous, *image.Images()[index - 1], picture, sub);
        previous = picture;
        if (i == 0 && settings.loopExtension) {
            auto loop = std::make_unique<gif::TGIFAppExtNSLoop>(&sub);
            loop->SetLoopCount(settings.RepeatCount & 0xFFFF);
            sub.Extensions().Insert(0, std::move(loop));
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
