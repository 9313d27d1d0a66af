// Colour table optimisation: one global table of the colours the frames
// really use, most used first, and every frame's pixels remapped onto it.
#include "gif/gifimage.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace orugif::gif {

namespace {

struct Entry {
    GIFColor color;
    int oldIndex = 0;
    std::int64_t count = 0;
    int newIndex = -1;
    Entry* mergedInto = nullptr;
};

// One colour table and the frames that use it.
struct THistogram {
    const TGIFColorMap* map = nullptr;
    std::vector<TGIFSubImage*> frames;
    std::vector<Entry> entries;       // by old index
    std::vector<int> oldToNew;
};

int distance(const GIFColor& a, const GIFColor& b)
{
    return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
}

} // namespace

void TGIFImage::OptimizeColorTable()
{
    StopPainters();
    std::lock_guard lock(painterLock_);

    std::vector<THistogram> histograms;
    if (!header_.ColorMap.Empty()) {
        THistogram global;
        global.map = &header_.ColorMap;
        for (const auto& s : images_)
            if (!s->Empty() && s->ColorMap().Empty())
                global.frames.push_back(s.get());
        if (!global.frames.empty())
            histograms.push_back(std::move(global));
    }
    for (const auto& s : images_)
        if (!s->Empty() && !s->ColorMap().Empty())
            histograms.push_back({&s->ColorMap(), {s.get()}, {}, {}});
    if (histograms.empty())
        return;

    // Count the pixels; transparent ones are not colours.
    bool transparencyUsed = false;
    std::vector<TGIFSubImage*> withTransparentPixels;
    for (THistogram& h : histograms) {
        const int size = h.map->Count();
        h.entries.resize(std::size_t(size));
        for (int i = 0; i < size; ++i)
            h.entries[std::size_t(i)] = {(*h.map)[i], i, 0, -1, nullptr};
        for (TGIFSubImage* s : h.frames) {
            const int tidx = s->TransparentIndex();
            bool anyTransparent = false, outside = false;
            std::vector<std::int64_t> counts(256, 0);
            for (std::uint8_t& p : s->Data()) {
                if (p == tidx) {
                    anyTransparent = true;
                } else if (p >= size) {
                    p = 0;
                    outside = true;
                } else {
                    ++counts[p];
                }
            }
            if (outside)
                s->Warning(1, msg::ColorNotInTable);
            for (int i = 0; i < size; ++i)
                h.entries[std::size_t(i)].count =
                    std::min<std::int64_t>(h.entries[std::size_t(i)].count + counts[std::size_t(i)], INT_MAX);
            if (tidx >= 0 && !anyTransparent) {
                s->GraphicControlExtension()->SetTransparentIndex(0);
                s->GraphicControlExtension()->SetTransparentFlag(false);
            }
            if (anyTransparent) {
                transparencyUsed = true;
                withTransparentPixels.push_back(s);
            }
        }
    }

    // Every used entry of every table, equal colours merged, most used first.
    std::vector<Entry*> list;
    for (THistogram& h : histograms)
        for (Entry& e : h.entries)
            if (e.count > 0)
                list.push_back(&e);
    std::stable_sort(list.begin(), list.end(), [](const Entry* a, const Entry* b) {
        return std::tie(a->color.r, a->color.g, a->color.b) < std::tie(b->color.r, b->color.g, b->color.b);
    });
    for (std::size_t i = 1; i < list.size(); ++i) {
        Entry* head = list[i - 1]->mergedInto ? list[i - 1]->mergedInto : list[i - 1];
        if (list[i]->color == head->color) {
            head->count = std::min<std::int64_t>(head->count + list[i]->count, INT_MAX);
            list[i]->count = 0;
            list[i]->mergedInto = head;
        }
    }
    std::stable_sort(list.begin(), list.end(), [](const Entry* a, const Entry* b) { return a->count > b->count; });

    const int room = transparencyUsed ? 255 : 256;
    std::vector<GIFColor> table;
    for (Entry* e : list) {
        if (int(table.size()) >= room || e->count == 0)
            break;
        e->newIndex = int(table.size());
        table.push_back(e->color);
    }
    // Merged entries follow their colour; colours left out (and unused
    // entries) take the nearest kept colour, the first one winning ties.
    for (THistogram& h : histograms) {
        h.oldToNew.assign(256, 0);
        for (Entry& e : h.entries) {
            if (e.newIndex < 0 && e.mergedInto)
                e.newIndex = e.mergedInto->newIndex;
            if (e.newIndex < 0) {
                int best = 765, bestIndex = 0;
                for (std::size_t k = 0; k < table.size(); ++k) {
                    const int d = distance(e.color, table[k]);
                    if (d < best) {
                        best = d;
                        bestIndex = int(k);
                    }
                }
                e.newIndex = bestIndex;
            }
            h.oldToNew[std::size_t(e.oldIndex)] = e.newIndex;
        }
    }
    int newTransparent = -1;
    if (transparencyUsed) {
        newTransparent = int(table.size());
        table.push_back({0, 0, 0});
    }

    // Remap every counted frame before the tables change under it.
    std::vector<std::pair<TGIFSubImage*, int>> transparentFrames;
    for (THistogram& h : histograms)
        for (TGIFSubImage* s : h.frames) {
            const int tidx = s->TransparentIndex();
            const bool remapTransparent =
                transparencyUsed && tidx >= 0
                && std::find(withTransparentPixels.begin(), withTransparentPixels.end(), s)
                    != withTransparentPixels.end();
            for (std::uint8_t& p : s->Data())
                p = std::uint8_t(remapTransparent && p == tidx ? newTransparent : h.oldToNew[p]);
            if (remapTransparent)
                transparentFrames.push_back({s, newTransparent});
        }
    for (const auto& s : images_)
        s->ColorMap().Clear();
    header_.ColorMap.Assign(table.data(), int(table.size()));
    header_.ColorMap.SetOptimized(true);
    for (auto [s, index] : transparentFrames)
        s->GraphicControlExtension()->SetTransparentIndex(index);
    for (const auto& s : images_)
        s->FreeBitmap();
}

bool TGIFImage::ShareEqualLocalTables()
{
    if (!header_.ColorMap.Empty() || images_.Count() == 0)
        return false;
    const TGIFColorMap& first = images_[0]->ColorMap();
    for (const auto& s : images_) {
        const TGIFColorMap& map = s->ColorMap();
        if (map.Empty() || map.Count() != first.Count() || map.Optimized() != first.Optimized()
            || !std::equal(map.data(), map.data() + map.Count(), first.data()))
            return false;
    }
    StopPainters();
    std::lock_guard lock(painterLock_);
    header_.ColorMap.Assign(first.data(), first.Count());
    header_.ColorMap.SetOptimized(first.Optimized());
    for (const auto& s : images_)
        s->ColorMap().Clear();
    return true;
}

} // namespace orugif::gif
