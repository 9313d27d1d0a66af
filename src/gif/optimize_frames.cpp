// Frame optimisation: a frame becomes transparent where it repeats the
// frame it is drawn over (merge), and transparent borders are cut away
// (crop); frames left empty are removed, their delay going to the frame
// shown before them. A merged frame keeps whichever of its merged pixels,
// its own pixels or a mix of both codes smallest, and the global table is
// ordered so that frames showing few colours need short codes.
#include "gif/gifimage.h"
#include "gif/lzw.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <future>
#include <numeric>

namespace orugif::gif {

namespace {

int disposalOf(const TGIFSubImage* s)
{
    return s->GraphicControlExtension() ? s->GraphicControlExtension()->DisposalMethod() : 0;
}

TGIFGraphicControlExtension* graphicControlOf(TGIFSubImage* s)
{
    if (!s->GraphicControlExtension())
        s->Extensions().Add(std::make_unique<TGIFGraphicControlExtension>(s));
    return s->GraphicControlExtension();
}

const TGIFColorMap& tableOf(TGIFImage& image, TGIFSubImage* s)
{
    return s->ColorMap().Empty() ? image.GlobalColorMap() : s->ColorMap();
}

bool uses(const TGIFSubImage* s, int index)
{
    return std::find(s->Data().begin(), s->Data().end(), std::uint8_t(index)) != s->Data().end();
}

// The transparent index a frame that has none gets when it first needs one.
// Entries of the global table from firstAdded on were added by this merge
// and are no frame's colour.
int newTransparentIndex(TGIFImage& image, TGIFSubImage* frame, int firstAdded)
{
    if (!frame->ColorMap().Empty())
        return frame->ColorMap().Count() < TGIFColorMap::kMaxColors ? frame->ColorMap().Add({0, 0, 0}) : -1;
    // Share another frame's transparent entry of the global table, unless
    // this frame shows that entry as a colour of its own.
    for (const auto& other : image.Images())
        if (other.get() != frame && other->ColorMap().Empty() && other->TransparentIndex() >= 0
            && !uses(frame, other->TransparentIndex()))
            return other->TransparentIndex();
    // An added entry that its frame no longer needs (it kept its own pixels).
    TGIFColorMap& table = image.GlobalColorMap();
    for (int i = firstAdded; i < table.Count(); ++i)
        if (!uses(frame, i))
            return i;
    if (table.Count() >= TGIFColorMap::kMaxColors)
        return -1;
    return table.Add({0, 0, 0});
}

// Makes frame transparent where it shows the same colour as prev beneath;
// tells whether any pixel became transparent.
bool mergeInto(TGIFImage& image, TGIFSubImage* frame, TGIFSubImage* prev, int firstAdded)
{
    if (frame->Empty() || prev->Empty())
        return false;
    const int prevDisposal = disposalOf(prev);
    if (prevDisposal == 2 || prevDisposal == 3)
        return false;
    // A frame restored to the background after it shows keeps its own
    // pixels: its transparent pixels must show the page, so that cropping
    // them away leaves the restored area unchanged.
    if (disposalOf(frame) == 2)
        return false;
    const int x0 = std::max(frame->Left(), prev->Left());
    const int y0 = std::max(frame->Top(), prev->Top());
    const int x1 = std::min(frame->Left() + frame->Width(), prev->Left() + prev->Width());
    const int y1 = std::min(frame->Top() + frame->Height(), prev->Top() + prev->Height());
    if (x0 >= x1 || y0 >= y1)
        return false;
    // A full table may still hold another frame's transparent entry: the
    // search for an entry waits for the first pixel to make transparent.
    const bool wasTransparent = frame->TransparentIndex() >= 0;
    const TGIFColorMap& ownTable = tableOf(image, frame);
    const TGIFColorMap& prevTable = tableOf(image, prev);
    const bool sameTable = &ownTable == &prevTable;
    const int prevTransparent = prev->TransparentIndex();
    int tidx = frame->TransparentIndex();
    bool replaced = false;
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* own = frame->Scanline(y - frame->Top());
        const std::uint8_t* under = prev->Scanline(y - prev->Top());
        for (int x = x0; x < x1; ++x) {
            std::uint8_t& pixel = own[x - frame->Left()];
            const int p = pixel, q = under[x - prev->Left()];
            if (p == tidx || q == prevTransparent)
                continue;
            const bool same = sameTable ? p == q
                                        : p < ownTable.Count() && q < prevTable.Count() && ownTable[p] == prevTable[q];
            if (!same)
                continue;
            if (tidx < 0) {
                tidx = newTransparentIndex(image, frame, firstAdded);
                if (tidx < 0)
                    return false;
            }
            pixel = std::uint8_t(tidx);
            replaced = true;
        }
    }
    if (replaced && !wasTransparent) {
        TGIFGraphicControlExtension* gce = graphicControlOf(frame);
        gce->SetTransparentFlag(true);
        gce->SetTransparentIndex(tidx);
    }
    frame->FreeBitmap();
    return replaced;
}

// The bytes the pixels code in once the frame's values are the lowest
// indices (as the global table's order mostly makes them): the codings of a
// frame are compared without the accident of where its entries stand.
std::size_t compactCodedSize(const std::vector<std::uint8_t>& pixels, bool interlaced, int height, int width)
{
    std::array<int, 256> index;
    index.fill(-1);
    int next = 0;
    std::vector<std::uint8_t> compact(pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        int& to = index[pixels[i]];
        if (to < 0)
            to = next++;
        compact[i] = std::uint8_t(to);
    }
    return EncodedSize(compact.data(), interlaced, height, width);
}

// A merged frame's pixels as they were before the merge, with where they
// stood.
struct Unmerged {
    std::vector<std::uint8_t> pixels;
    int left = 0, top = 0, width = 0;
};

// Every pixel the merge made transparent shows the colour it had before, so
// the frame may keep its merged pixels, its own pixels (cut to the cropped
// rectangle) or any mix of the two: it keeps whichever codes in the fewest
// bytes. Made transparent by the merge alone and now without a transparent
// pixel, it is opaque again, and its own table loses the entry the merge
// added.
void keepSmallestCoding(TGIFSubImage* frame, const Unmerged& before, bool wasTransparent)
{
    const int w = frame->Width(), h = frame->Height();
    const bool interlaced = frame->Interlaced();
    std::vector<std::uint8_t> own(std::size_t(w) * std::size_t(h));
    const std::size_t dx = std::size_t(frame->Left() - before.left);
    for (int y = 0; y < h; ++y)
        std::memcpy(own.data() + std::size_t(y) * std::size_t(w),
                    before.pixels.data() + std::size_t(y + frame->Top() - before.top) * std::size_t(before.width) + dx,
                    std::size_t(w));
    std::vector<std::uint8_t>& merged = frame->Data();
    if (merged != own) {
        // The two plain codings are measured on another core while the mix
        // is chosen and measured here.
        auto plain = std::async(std::launch::async, [&] {
            return std::make_pair(compactCodedSize(merged, interlaced, h, w), compactCodedSize(own, interlaced, h, w));
        });
        std::vector<std::uint8_t> mixed = ChooseForCompression(merged.data(), own.data(), interlaced, h, w);
        const std::size_t mixedSize = compactCodedSize(mixed, interlaced, h, w);
        const auto [mergedSize, ownSize] = plain.get();
        if (mixedSize < mergedSize && mixedSize <= ownSize) {
            merged = std::move(mixed);
            frame->FreeBitmap();
        } else if (ownSize < mergedSize) {
            merged = std::move(own);
            frame->FreeBitmap();
        }
    }
    const int tidx = frame->TransparentIndex();
    if (wasTransparent || std::find(merged.begin(), merged.end(), std::uint8_t(tidx)) != merged.end())
        return;
    frame->GraphicControlExtension()->SetTransparentFlag(false);
    if (!frame->ColorMap().Empty() && tidx == frame->ColorMap().Count() - 1)
        frame->ColorMap().DeleteLast();
}

// Gives the global table's entries that more frames show the lower indices
// (the code size of a frame follows the highest index it uses), and each
// transparent frame on that table the lowest index it does not show as its
// transparent one. The entries from `firstAdded` on (the merge's transparent
// entries) are dropped when nothing needs them any more. The pictures stay
// the same.
void orderGlobalTable(TGIFImage& image, int firstAdded, bool wasSorted)
{
    TGIFColorMap& table = image.GlobalColorMap();
    const int size = table.Count();
    if (size == 0)
        return;
    // Which entries each frame on the global table shows (its transparent
    // one aside), and how often.
    struct Shows {
        TGIFSubImage* frame;
        std::array<bool, 256> entry;
    };
    std::vector<Shows> frames;
    std::array<int, 256> framesShowing{};
    std::array<std::int64_t, 256> pixelsShowing{};
    for (const auto& s : image.Images()) {
        if (s->Empty() || !s->ColorMap().Empty())
            continue;
        std::array<std::uint32_t, 256> counts{};
        for (const std::uint8_t p : s->Data())
            ++counts[p];
        const int tidx = s->TransparentIndex();
        Shows& shows = frames.emplace_back(Shows{s.get(), {}});
        for (int c = 0; c < 256; ++c)
            shows.entry[std::size_t(c)] = c != tidx && counts[std::size_t(c)] > 0;
        for (int c = 0; c < size; ++c)
            if (shows.entry[std::size_t(c)]) {
                ++framesShowing[std::size_t(c)];
                pixelsShowing[std::size_t(c)] += counts[std::size_t(c)];
            }
    }
    std::vector<int> order(std::size_t(size), 0);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const auto ka = std::pair(framesShowing[std::size_t(a)], pixelsShowing[std::size_t(a)]);
        const auto kb = std::pair(framesShowing[std::size_t(b)], pixelsShowing[std::size_t(b)]);
        return ka > kb;
    });
    // Indices past the table (shown as its black padding) keep their place.
    std::array<std::uint8_t, 256> newIndex{};
    for (int i = 0; i < 256; ++i)
        newIndex[std::size_t(i)] = std::uint8_t(i);
    for (int k = 0; k < size; ++k)
        newIndex[std::size_t(order[std::size_t(k)])] = std::uint8_t(k);

    std::vector<bool> needed(std::size_t(size), false);
    bool pastTheEnd = false;
    for (const Shows& shows : frames) {
        TGIFSubImage* s = shows.frame;
        s->FreeBitmap();  // drawn with the table as it was
        const int tidx = s->TransparentIndex();
        std::array<bool, 256> shown{};
        for (int c = 0; c < 256; ++c)
            if (shows.entry[std::size_t(c)])
                shown[newIndex[std::size_t(c)]] = true;
        for (int c = 0; c < size; ++c)
            needed[std::size_t(c)] = needed[std::size_t(c)] || shown[std::size_t(c)];
        // Indices past the table's end (a damaged file's) stay as they are,
        // and so does the table's length.
        pastTheEnd = pastTheEnd || std::find(shown.begin() + size, shown.end(), true) != shown.end() || tidx >= size;
        std::array<std::uint8_t, 256> to = newIndex;
        if (tidx >= 0 && tidx < size) {
            const int lowest = int(std::find(shown.begin(), shown.begin() + size, false) - shown.begin());
            to[std::size_t(tidx)] = std::uint8_t(lowest);
            s->GraphicControlExtension()->SetTransparentIndex(lowest);
            needed[std::size_t(lowest)] = true;
        }
        bool same = true;
        for (int c = 0; c < 256 && same; ++c)
            same = to[std::size_t(c)] == c;
        if (same)
            continue;
        for (std::uint8_t& p : s->Data())
            p = to[p];
    }
    std::vector<GIFColor> colours(std::size_t(size), GIFColor{});
    for (int c = 0; c < size; ++c)
        colours[newIndex[std::size_t(c)]] = table[c];
    TGIFHeader& header = image.Header();
    if (header.BackgroundColorIndex < size) {
        header.BackgroundColorIndex = newIndex[header.BackgroundColorIndex];
        needed[header.BackgroundColorIndex] = true;
    }
    int count = size;
    while (!pastTheEnd && count > 0 && order[std::size_t(count - 1)] >= firstAdded && !needed[std::size_t(count - 1)])
        --count;
    const bool sorted = table.Optimized();
    table.Assign(colours.data(), count);
    table.SetOptimized(count <= firstAdded ? wasSorted : sorted);
}

} // namespace

// Cuts the transparent columns and rows off a transparent frame's edges.
void CropFrame(TGIFSubImage* frame)
{
    const int tidx = frame->TransparentIndex();
    if (frame->Empty() || tidx < 0)
        return;
    const int w = frame->Width(), h = frame->Height();
    auto columnClear = [&](int x, int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            if (frame->Scanline(y)[x] != tidx)
                return false;
        return true;
    };
    auto rowClear = [&](int y, int left, int right) {
        const std::uint8_t* row = frame->Scanline(y);
        return std::all_of(row + left, row + right, [tidx](std::uint8_t p) { return p == tidx; });
    };
    int left = 0, right = w, top = 0, bottom = h;
    while (left < right && columnClear(left, 0, h))
        ++left;
    while (right > left && columnClear(right - 1, 0, h))
        --right;
    if (left < right) {
        while (top < bottom && rowClear(top, left, right))
            ++top;
        while (bottom > top && rowClear(bottom - 1, left, right))
            --bottom;
    }
    if (left >= right || top >= bottom) {
        frame->Data().clear();
        frame->FreeBitmap();
        return;
    }
    if (left == 0 && top == 0 && right == w && bottom == h)
        return;
    std::vector<std::uint8_t> cropped(std::size_t(right - left) * std::size_t(bottom - top));
    for (int y = top; y < bottom; ++y)
        std::memcpy(cropped.data() + std::size_t(y - top) * std::size_t(right - left), frame->Scanline(y) + left,
                    std::size_t(right - left));
    frame->CropTo(frame->Left() + left, frame->Top() + top, right - left, bottom - top, std::move(cropped));
}

bool TGIFImage::cropOrRemove(int i)
{
    TGIFSubImage* frame = images_[i];
    // A frame left empty shows exactly what the frame before it shows when
    // that one stays in place: it is removed and its time goes to that
    // frame. The first frame (with the loop extension) always stays, and so
    // does a frame after one restored to the background or the previous
    // picture, whose removal would change what is seen.
    const int prevDisposal = i > 0 ? disposalOf(images_[i - 1]) : 0;
    const bool removable = i > 0 && prevDisposal != 2 && prevDisposal != 3;
    const int tidx = frame->TransparentIndex();
    if (!removable && disposalOf(frame) == 2
        && std::all_of(frame->Data().begin(), frame->Data().end(), [tidx](std::uint8_t p) { return p == tidx; }))
        return true;  // its restore covers its whole area: it keeps that area
    const int left = frame->Left(), top = frame->Top();
    CropFrame(frame);
    if (!frame->Empty())
        return true;
    if (removable) {
        const int delay = frame->GraphicControlExtension()->DelayTime();
        TGIFGraphicControlExtension* shown = graphicControlOf(images_[i - 1]);
        shown->SetDelayTime(std::min(shown->DelayTime() + delay, 0xFFFF));
        images_.Delete(i);
        return false;
    }
    // One transparent pixel holds its place and its delay.
    frame->CropTo(left, top, 1, 1, {std::uint8_t(tidx)});
    return true;
}

void TGIFImage::OptimizeFrames(int options, int reductionMethod, int ditherMode, int reductionBits)
{
    (void)reductionMethod;
    (void)ditherMode;
    (void)reductionBits;
    StopPainters();
    const int count = images_.Count();
    const int steps = std::max(1, ((options & ooMerge) ? count - 1 : 0) + ((options & ooCrop) ? count : 0));
    int done = 0;
    Progress(ProgressStage::Starting, 0, msg::Optimizing);
    try {
        const int tableSize = header_.ColorMap.Count();
        const bool tableSorted = header_.ColorMap.Optimized();
        // From the last frame to the first, each frame is merged (against
        // the frames before it, still untouched), cropped, and given its
        // smallest coding, so only one frame's own pixels are held at a time.
        for (int i = count - 1; i >= 0; --i) {
            TGIFSubImage* frame = images_[i];
            bool merged = false, wasTransparent = false;
            Unmerged before;
            if ((options & ooMerge) && i >= 1) {
                int j = i - 1;
                while (j > 1 && disposalOf(images_[j]) == 3)
                    --j;
                wasTransparent = frame->TransparentIndex() >= 0;
                before = {frame->Data(), frame->Left(), frame->Top(), frame->Width()};
                merged = mergeInto(*this, frame, images_[j], tableSize);
                Progress(ProgressStage::Running, ++done * 100 / steps, msg::Optimizing);
            }
            bool kept = true;
            if (options & ooCrop) {
                if (!frame->Empty() && frame->TransparentIndex() >= 0)
                    kept = cropOrRemove(i);
                Progress(ProgressStage::Running, ++done * 100 / steps, msg::Optimizing);
            }
            if (merged && kept && !frame->Empty())
                keepSmallestCoding(frame, before, wasTransparent);
        }
        if (options & (ooMerge | ooCrop))
            orderGlobalTable(*this, tableSize, tableSorted);
    } catch (...) {
        Progress(ProgressStage::Ending, 0, msg::Optimizing);
        throw;
    }
    Progress(ProgressStage::Ending, 100, msg::Optimizing);
}

} // namespace orugif::gif
