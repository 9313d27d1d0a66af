// Octree colour quantizer over a 6-6-6 histogram, folded least-error first,
// with k-means refinement.
#include "gif/quantize.h"

#include "gif/nearest.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <future>
#include <limits>
#include <queue>
#include <unordered_map>

namespace orugif::gif {

namespace {

constexpr int kBits = 6;  // histogram bits per channel
constexpr int kBins = 1 << (3 * kBits);
constexpr int kKMeansPasses = 10;

// The picture as 32-bit rows, shared when it is one already.
QImage rgb32(const QImage& picture)
{
    return picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB32);
}

// Calls visit(colour, length) for each run of one colour along the rows of
// every picture; stops, returning false, when visit returns false.
template <typename Visit>
bool forEachRun(const std::vector<QImage>& pictures, Visit&& visit)
{
    for (const QImage& picture : pictures) {
        if (picture.isNull())
            continue;
        const QImage rgb = rgb32(picture);
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            int x = 0;
            while (x < rgb.width()) {
                const QRgb c = row[x] & 0x00FFFFFFu;
                int end = x + 1;
                while (end < rgb.width() && (row[end] & 0x00FFFFFFu) == c)
                    ++end;
                if (!visit(c, end - x))
                    return false;
                x = end;
            }
        }
    }
    return true;
}

struct Bin {
    std::uint64_t count = 0, r = 0, g = 0, b = 0;
};

// Up to this many distinct colours (a screen picture), each counts alone;
// more (a photograph) are gathered in cells, which keeps the palette's
// choice fast.
constexpr int kExactColours = 1 << 16;

// Counts of each distinct colour when there are at most kExactColours of
// them (one bin a colour); false beyond.
bool exactHistogram(const std::vector<QImage>& pictures, std::vector<Bin>& bins)
{
    // Open addressing over twice as many slots as colours kept.
    constexpr std::size_t kSlots = std::size_t(kExactColours) * 2;
    std::vector<std::uint32_t> keys(kSlots, 0);  // colour | 0x01000000 when taken
    std::vector<std::uint64_t> counts(kSlots, 0);
    int distinct = 0;
    const auto add = [&](QRgb colour, std::uint64_t n) {
        const std::uint32_t key = (colour & 0x00FFFFFFu) | 0x01000000u;
        std::size_t at = (key * 2654435761u) & (kSlots - 1);
        while (keys[at] != 0 && keys[at] != key)
            at = (at + 1) & (kSlots - 1);
        if (keys[at] == 0) {
            if (++distinct > kExactColours)
                return false;
            keys[at] = key;
        }
        counts[at] += n;
        return true;
    };
    // Runs of one colour are common: counted at once.
    if (!forEachRun(pictures, [&](QRgb c, int length) { return add(c, std::uint64_t(length)); }))
        return false;
    bins.clear();
    for (std::size_t i = 0; i < kSlots; ++i)
        if (keys[i] != 0) {
            const QRgb c = keys[i];
            bins.push_back({counts[i], counts[i] * std::uint64_t(qRed(c)), counts[i] * std::uint64_t(qGreen(c)),
                            counts[i] * std::uint64_t(qBlue(c))});
        }
    return true;
}

// Counts and colour sums per 6-6-6 cell, the non-empty cells only, in the
// order of their cells; the cell's mean keeps the exact colours it
// gathers. The cells met are numbered as met (a photograph meets some
// thousands of the 262144), then put in order.
std::vector<Bin> cellHistogram(const std::vector<QImage>& pictures)
{
    std::vector<std::uint32_t> slotOf(kBins, 0);  // 1 + where the cell's bin is in `met`
    std::vector<Bin> met;
    std::vector<std::uint32_t> keys;
    forEachRun(pictures, [&](QRgb c, int length) {
        const std::uint64_t n = std::uint64_t(length);
        const int r = qRed(c), g = qGreen(c), b = qBlue(c);
        const auto key = std::uint32_t((r >> 2) << 12 | (g >> 2) << 6 | (b >> 2));
        std::uint32_t& slot = slotOf[key];
        if (slot == 0) {
            met.emplace_back();
            keys.push_back(key);
            slot = std::uint32_t(met.size());
        }
        Bin& bin = met[slot - 1];
        bin.count += n;
        bin.r += n * std::uint64_t(r);
        bin.g += n * std::uint64_t(g);
        bin.b += n * std::uint64_t(b);
        return true;
    });
    std::sort(keys.begin(), keys.end());
    std::vector<Bin> bins;
    bins.reserve(keys.size());
    for (const std::uint32_t key : keys)
        bins.push_back(met[slotOf[key] - 1]);
    return bins;
}

struct Node {
    std::uint64_t count = 0, r = 0, g = 0, b = 0;
    std::array<int, 8> children{-1, -1, -1, -1, -1, -1, -1, -1};
    int level = 0;
    bool leaf = false;
};

// The octree over the histogram's bins, `depth` levels deep (the top bits
// of each bin's mean colour), reduced to at most `colours` leaves; and, in
// `entryOf`, the entry of the leaf that gathered each bin.
std::vector<GIFColor> octree(const std::vector<Bin>& bins, int depth, int colours, std::vector<int>& entryOf)
{
    const auto pathOf = [depth](const Bin& bin) {
        return std::array<int, 3>{int(bin.r / bin.count) >> (8 - depth), int(bin.g / bin.count) >> (8 - depth),
                                  int(bin.b / bin.count) >> (8 - depth)};
    };
    std::vector<Node> nodes(1);
    int leaves = 0;
    for (const Bin& bin : bins) {
        const auto [r, g, b] = pathOf(bin);
        int at = 0;
        for (int level = 0; level < depth; ++level) {
            Node& n = nodes[std::size_t(at)];
            n.count += bin.count;
            n.r += bin.r;
            n.g += bin.g;
            n.b += bin.b;
            const int shift = depth - 1 - level;
            const int child = (r >> shift & 1) << 2 | (g >> shift & 1) << 1 | (b >> shift & 1);
            int next = nodes[std::size_t(at)].children[std::size_t(child)];
            if (next < 0) {
                next = int(nodes.size());
                nodes[std::size_t(at)].children[std::size_t(child)] = next;
                Node made;
                made.level = level + 1;
                nodes.push_back(made);
            }
            at = next;
        }
        Node& leaf = nodes[std::size_t(at)];
        leaf.count += bin.count;
        leaf.r += bin.r;
        leaf.g += bin.g;
        leaf.b += bin.b;
        if (!leaf.leaf) {
            leaf.leaf = true;
            ++leaves;
        }
    }
    // Fold, one node at a time, the node whose children are all leaves and
    // whose folding adds the least error (the pixels' squared distance to
    // the merged colour); the folded node becomes one leaf.
    std::vector<int> parent(nodes.size(), -1);
    for (int i = 0; i < int(nodes.size()); ++i)
        for (int c : nodes[std::size_t(i)].children)
            if (c >= 0)
                parent[std::size_t(c)] = i;
    const auto foldable = [&](int i) {
        const Node& n = nodes[std::size_t(i)];
        if (n.leaf)
            return false;
        for (int c : n.children)
            if (c >= 0 && !nodes[std::size_t(c)].leaf)
                return false;
        return true;
    };
    const auto cost = [&](int i) {
        const Node& n = nodes[std::size_t(i)];
        const double mr = double(n.r) / double(n.count), mg = double(n.g) / double(n.count),
                     mb = double(n.b) / double(n.count);
        double added = 0;
        for (int c : n.children)
            if (c >= 0) {
                const Node& k = nodes[std::size_t(c)];
                const double cnt = double(k.count);
                const double dr = double(k.r) / cnt - mr, dg = double(k.g) / cnt - mg, db = double(k.b) / cnt - mb;
                added += cnt * (dr * dr + dg * dg + db * db);
            }
        return added;
    };
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    for (int i = 0; i < int(nodes.size()); ++i)
        if (nodes[std::size_t(i)].count > 0 && foldable(i))
            queue.push({cost(i), i});
    while (leaves > colours && !queue.empty()) {
        const int i = queue.top().second;
        queue.pop();
        Node& n = nodes[std::size_t(i)];
        int children = 0;
        for (int& c : n.children)
            if (c >= 0) {
                ++children;
                c = -1;
            }
        n.leaf = true;
        leaves -= children - 1;
        const int up = parent[std::size_t(i)];
        if (up >= 0 && foldable(up))
            queue.push({cost(up), up});
    }
    // The leaves still reachable from the root give the palette.
    std::vector<GIFColor> palette;
    std::vector<int> entry(nodes.size(), 0);
    std::vector<int> stack{0};
    while (!stack.empty()) {
        const int at = stack.back();
        const Node& n = nodes[std::size_t(at)];
        stack.pop_back();
        if (n.leaf) {
            if (n.count > 0) {
                entry[std::size_t(at)] = int(palette.size());
                palette.push_back({std::uint8_t(n.r / n.count), std::uint8_t(n.g / n.count), std::uint8_t(n.b / n.count)});
            }
            continue;
        }
        for (int c : n.children)
            if (c >= 0)
                stack.push_back(c);
    }
    // Each bin down its path to the first leaf: a folded node is a leaf.
    entryOf.assign(bins.size(), 0);
    for (std::size_t i = 0; i < bins.size(); ++i) {
        const auto [r, g, b] = pathOf(bins[i]);
        int at = 0;
        for (int level = 0; level < depth && !nodes[std::size_t(at)].leaf; ++level) {
            const int shift = depth - 1 - level;
            at = nodes[std::size_t(at)].children[std::size_t((r >> shift & 1) << 2 | (g >> shift & 1) << 1 | (b >> shift & 1))];
        }
        entryOf[i] = entry[std::size_t(at)];
    }
    return palette;
}

// Moves each palette entry to the mean of the cells nearest to it (the
// first entry winning ties), pass after pass until no entry moves. A pass
// starts each cell from an entry near it (the octree's leaf that gathered
// it, then its entry of the pass before), at distance d: another entry can
// be as near only if it lies within 2 d of that entry, so the cell searches
// just the entries that near, nearest first. Every pass thus finds what a
// search of the whole palette finds. The cells are shared out between two
// threads; integer sums keep the result independent of the sharing.
void refine(const std::vector<Bin>& bins, const std::vector<int>& entryOf, std::vector<GIFColor>& palette)
{
    struct Cell {
        int r, g, b;
        std::uint64_t count;
        int entry;     // nearest entry of the pass before, or the octree's
        int distance;  // squared distance to that entry at the current palette
    };
    const auto squared = [](const GIFColor& e, int r, int g, int b) {
        const int dr = e.r - r, dg = e.g - g, db = e.b - b;
        return dr * dr + dg * dg + db * db;
    };
    std::vector<Cell> cells;
    cells.reserve(bins.size());
    for (std::size_t i = 0; i < bins.size(); ++i) {
        const Bin& bin = bins[i];
        cells.push_back({int(bin.r / bin.count), int(bin.g / bin.count), int(bin.b / bin.count), bin.count,
                         i < entryOf.size() && std::size_t(entryOf[i]) < palette.size() ? entryOf[i] : 0, 0});
    }
    PaletteChannels channels(palette);
    const std::size_t n = palette.size();
    // Per entry: the other entries within twice the distance of its
    // farthest cell, nearest first (squared distance, index); an entry
    // whose list would be long searches the whole palette instead.
    constexpr std::size_t kLongest = 64;
    std::vector<std::vector<std::pair<int, int>>> near(n);
    std::vector<bool> whole(n, false);
    std::vector<int> farthest(n, 0);
    const auto sumsOf = [&](std::size_t from, std::size_t to) {
        std::vector<Bin> sums(palette.size());
        for (std::size_t c = from; c < to; ++c) {
            Cell& cell = cells[c];
            int best = cell.entry;
            if (whole[std::size_t(best)]) {
                best = channels.nearest(cell.r, cell.g, cell.b);
            } else {
                int smallest = cell.distance;
                const int reach = 4 * cell.distance;
                for (const auto& [apart, j] : near[std::size_t(best)]) {
                    if (apart > reach)
                        break;
                    const int d = squared(palette[std::size_t(j)], cell.r, cell.g, cell.b);
                    if (d < smallest || (d == smallest && j < best)) {
                        smallest = d;
                        best = j;
                    }
                }
            }
            cell.entry = best;
            Bin& s = sums[std::size_t(best)];
            s.count += cell.count;
            s.r += std::uint64_t(cell.r) * cell.count;
            s.g += std::uint64_t(cell.g) * cell.count;
            s.b += std::uint64_t(cell.b) * cell.count;
        }
        return sums;
    };
    const bool twoThreads = cells.size() >= 4096;
    for (int pass = 0; pass < kKMeansPasses; ++pass) {
        channels.assign(palette);
        {
            std::fill(farthest.begin(), farthest.end(), 0);
            for (Cell& cell : cells) {
                cell.distance = squared(palette[std::size_t(cell.entry)], cell.r, cell.g, cell.b);
                farthest[std::size_t(cell.entry)] = std::max(farthest[std::size_t(cell.entry)], cell.distance);
            }
            for (std::size_t i = 0; i < n; ++i) {
                near[i].clear();
                whole[i] = false;
                const int reach = 4 * farthest[i];
                for (std::size_t j = 0; j < n; ++j)
                    if (j != i) {
                        const int apart = squared(palette[j], palette[i].r, palette[i].g, palette[i].b);
                        if (apart <= reach)
                            near[i].push_back({apart, int(j)});
                    }
                if (near[i].size() > kLongest) {
                    whole[i] = true;
                    near[i].clear();
                } else {
                    std::sort(near[i].begin(), near[i].end());
                }
            }
        }
        std::vector<Bin> sums;
        if (twoThreads) {
            auto upper = std::async(std::launch::async, sumsOf, cells.size() / 2, cells.size());
            sums = sumsOf(0, cells.size() / 2);
            const std::vector<Bin> more = upper.get();
            for (std::size_t i = 0; i < sums.size(); ++i) {
                sums[i].count += more[i].count;
                sums[i].r += more[i].r;
                sums[i].g += more[i].g;
                sums[i].b += more[i].b;
            }
        } else {
            sums = sumsOf(0, cells.size());
        }
        bool moved = false;
        for (std::size_t i = 0; i < palette.size(); ++i)
            if (sums[i].count > 0) {
                const GIFColor mean{std::uint8_t((sums[i].r + sums[i].count / 2) / sums[i].count),
                                    std::uint8_t((sums[i].g + sums[i].count / 2) / sums[i].count),
                                    std::uint8_t((sums[i].b + sums[i].count / 2) / sums[i].count)};
                moved = moved || !(mean == palette[i]);
                palette[i] = mean;
            }
        if (!moved)
            break;  // settled: further passes would change nothing
    }
}

} // namespace

std::vector<GIFColor> DistinctColours(const std::vector<QImage>& pictures, int limit)
{
    std::vector<GIFColor> found;
    std::unordered_map<QRgb, int> seen;
    const bool few = forEachRun(pictures, [&](QRgb c, int) {
        if (!seen.emplace(c, 0).second)
            return true;
        if (int(found.size()) == limit)
            return false;
        found.push_back({std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c))});
        return true;
    });
    if (!few)
        return {};
    return found;
}

std::vector<GIFColor> QuantizePalette(const std::vector<QImage>& pictures, int colours)
{
    colours = std::clamp(colours, 1, 256);
    std::vector<GIFColor> few = DistinctColours(pictures, colours);
    if (!few.empty())
        return few;
    // Exact colours when they are few enough (screen pictures), else cells.
    std::vector<Bin> bins;
    const bool exact = exactHistogram(pictures, bins);
    if (!exact)
        bins = cellHistogram(pictures);
    std::vector<int> entryOf;
    std::vector<GIFColor> palette = octree(bins, exact ? 8 : kBits, colours, entryOf);
    if (palette.empty())
        return palette;
    refine(bins, entryOf, palette);
    return palette;
}

} // namespace orugif::gif
