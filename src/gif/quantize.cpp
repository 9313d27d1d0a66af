// Octree colour quantizer over a 6-6-6 histogram, folded least-error first,
// with k-means refinement.
#include "gif/quantize.h"

#include "gif/celltable.h"
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
constexpr int kKMeansPasses = 10;
// Of which, for many exact colours, the last ones on the exact colours.
constexpr int kExactPasses = 3;

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
        const int w = rgb.width(), h = rgb.height();
        for (int y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            int x = 0;
            while (x < w) {
                const QRgb c = row[x] & 0x00FFFFFFu;
                int end = x + 1;
                while (end < w && (row[end] & 0x00FFFFFFu) == c)
                    ++end;
                if (!visit(c, end - x))
                    return false;
                x = end;
            }
        }
    }
    return true;
}

// Runs lower() on the first half of the pictures here and upper() on the
// second half on a thread of its own, side by side.
template <typename Lower, typename Upper>
void inHalves(const std::vector<QImage>& pictures, Lower&& lower, Upper&& upper)
{
    const auto half = std::ptrdiff_t(pictures.size() / 2);
    const std::vector<QImage> first(pictures.begin(), pictures.begin() + half);
    const std::vector<QImage> second(pictures.begin() + half, pictures.end());
    auto done = std::async(std::launch::async, [&upper, &second] { upper(second); });
    lower(first);
    done.get();
}

struct Bin {
    std::uint64_t count = 0, r = 0, g = 0, b = 0;
};

// Up to this many distinct colours (a screen picture, soft edges and
// gradients), the palette's last passes weigh each colour alone; more (a
// photograph) are gathered in cells throughout, which keeps the choice fast.
constexpr int kExactColours = 1 << 16;
// Up to this many, every step weighs them alone: the octree keeps them
// apart to the last bit.
constexpr std::size_t kFineTree = 4096;

// The 6-6-6 cell of a colour, and the colour's place among the 64 colours
// of its cell (the two low bits of each channel).
std::uint32_t cellOf(QRgb c) { return (c >> 18 & 0x3F) << 12 | (c >> 10 & 0x3F) << 6 | (c >> 2 & 0x3F); }
int placeInCell(QRgb c) { return int((c >> 16 & 3) << 4 | (c >> 8 & 3) << 2 | (c & 3)); }

// What one pass over the pictures gathers: counts and colour sums per
// 6-6-6 cell met, and per cell which of its 64 colours occur. The cell
// table is borrowed and cleared through the cells met, so a frame pays for
// the cells it meets, not for the 262144.
class Cells {
public:
    Cells() = default;
    ~Cells()
    {
        for (const Met& m : met_)
            slotOf_[m.cell] = 0;
    }
    Cells(const Cells&) = delete;
    Cells& operator=(const Cells&) = delete;

    // With `shareOut`, the second half of the pictures is counted on a
    // thread of its own, in cells of its own, then added in.
    void gather(const std::vector<QImage>& pictures, bool shareOut)
    {
        if (shareOut && pictures.size() >= 2) {
            Cells other;
            inHalves(
                pictures, [this](const std::vector<QImage>& lower) { count(lower); },
                [&other](const std::vector<QImage>& upper) { other.count(upper); });
            for (const Met& theirs : other.met_) {
                std::uint32_t& slot = slotOf_[theirs.cell];
                if (slot == 0) {
                    met_.push_back(theirs);
                    slot = std::uint32_t(met_.size());
                    continue;
                }
                Met& m = met_[slot - 1];
                m.bin.count += theirs.bin.count;
                m.bin.r += theirs.bin.r;
                m.bin.g += theirs.bin.g;
                m.bin.b += theirs.bin.b;
                m.colours |= theirs.colours;
            }
        } else {
            count(pictures);
        }
        std::sort(met_.begin(), met_.end(), [](const Met& a, const Met& b) { return a.cell < b.cell; });
        for (std::size_t i = 0; i < met_.size(); ++i)
            slotOf_[met_[i].cell] = std::uint32_t(i + 1);
    }

    std::size_t distinct() const
    {
        std::size_t n = 0;
        for (const Met& m : met_)
            n += std::size_t(__builtin_popcountll(m.colours));
        return n;
    }

    // The cells' bins, in the order of their cells; a cell's mean keeps
    // the exact colours it gathers.
    std::vector<Bin> cellBins() const
    {
        std::vector<Bin> bins;
        bins.reserve(met_.size());
        for (const Met& m : met_)
            bins.push_back(m.bin);
        return bins;
    }

    // One bin per distinct colour, in the order of the colours (a second
    // pass: each colour's bin is found from its cell's first and its
    // place among the cell's colours, without a search).
    std::vector<Bin> colourBins(const std::vector<QImage>& pictures, bool shareOut,
                                std::vector<int>* cellOfBin = nullptr) const
    {
        std::vector<std::uint32_t> first(met_.size() + 1, 0);
        for (std::size_t i = 0; i < met_.size(); ++i)
            first[i + 1] = first[i] + std::uint32_t(__builtin_popcountll(met_[i].colours));
        const auto countInto = [&](const std::vector<QImage>& some, std::vector<std::uint64_t>& counts) {
            forEachRun(some, [&](QRgb c, int length) {
                const std::uint32_t slot = slotOf_[cellOf(c)] - 1;
                const std::uint64_t below = (std::uint64_t(1) << placeInCell(c)) - 1;
                counts[first[slot] + std::uint32_t(__builtin_popcountll(met_[slot].colours & below))] += std::uint64_t(length);
                return true;
            });
        };
        std::vector<std::uint64_t> counts(first.back(), 0);
        if (shareOut && pictures.size() >= 2) {
            std::vector<std::uint64_t> more(first.back(), 0);
            inHalves(
                pictures, [&](const std::vector<QImage>& lower) { countInto(lower, counts); },
                [&](const std::vector<QImage>& upper) { countInto(upper, more); });
            for (std::size_t k = 0; k < counts.size(); ++k)
                counts[k] += more[k];
        } else {
            countInto(pictures, counts);
        }
        std::vector<Bin> bins;
        bins.reserve(counts.size());
        for (std::size_t i = 0; i < met_.size(); ++i) {
            const std::uint32_t cell = met_[i].cell;
            std::uint32_t k = first[i];
            if (cellOfBin)
                cellOfBin->insert(cellOfBin->end(), std::size_t(__builtin_popcountll(met_[i].colours)), int(i));
            for (std::uint64_t left = met_[i].colours; left != 0; left &= left - 1, ++k) {
                const int place = __builtin_ctzll(left);
                const std::uint64_t r = (cell >> 12) << 2 | std::uint32_t(place >> 4);
                const std::uint64_t g = (cell >> 6 & 0x3F) << 2 | std::uint32_t(place >> 2 & 3);
                const std::uint64_t b = (cell & 0x3F) << 2 | std::uint32_t(place & 3);
                bins.push_back({counts[k], counts[k] * r, counts[k] * g, counts[k] * b});
            }
        }
        return bins;
    }

private:
    struct Met {
        Bin bin;
        std::uint64_t colours = 0;  // bit p: the colour at place p occurs
        std::uint32_t cell = 0;
    };

    void count(const std::vector<QImage>& pictures)
    {
        forEachRun(pictures, [this](QRgb c, int length) {
            const std::uint32_t cell = cellOf(c);
            std::uint32_t& slot = slotOf_[cell];
            if (slot == 0) {
                met_.push_back({});
                met_.back().cell = cell;
                slot = std::uint32_t(met_.size());
            }
            Met& m = met_[slot - 1];
            const auto n = std::uint64_t(length);
            m.bin.count += n;
            m.bin.r += n * (c >> 16 & 0xFF);
            m.bin.g += n * (c >> 8 & 0xFF);
            m.bin.b += n * (c & 0xFF);
            m.colours |= std::uint64_t(1) << placeInCell(c);
            return true;
        });
    }

    std::vector<Met> met_;
    // Per cell: 0 when not met, else 1 + where the cell is in met_.
    CellTable slotOf_;
};

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
// search of the whole palette finds. With `shareOut`, many cells are shared
// out between two threads; integer sums keep the result independent of the
// sharing. At most `passes` passes; `nearest`, when given, receives each
// bin's entry of the last pass.
void refine(const std::vector<Bin>& bins, const std::vector<int>& entryOf, std::vector<GIFColor>& palette,
            bool shareOut, int passes, std::vector<int>* nearest = nullptr)
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
    std::vector<int> reds(n), greens(n), blues(n), apart(n);
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
    const bool twoThreads = shareOut && cells.size() >= 4096;
    for (int pass = 0; pass < passes; ++pass) {
        channels.assign(palette);
        {
            std::fill(farthest.begin(), farthest.end(), 0);
            for (Cell& cell : cells) {
                cell.distance = squared(palette[std::size_t(cell.entry)], cell.r, cell.g, cell.b);
                farthest[std::size_t(cell.entry)] = std::max(farthest[std::size_t(cell.entry)], cell.distance);
            }
            // The entries' channels apart, so that the distances from one
            // entry to all the others vectorise.
            for (std::size_t j = 0; j < n; ++j) {
                reds[j] = palette[j].r;
                greens[j] = palette[j].g;
                blues[j] = palette[j].b;
            }
            for (std::size_t i = 0; i < n; ++i) {
                near[i].clear();
                whole[i] = false;
                const int reach = 4 * farthest[i];
                const int r = reds[i], g = greens[i], b = blues[i];
                for (std::size_t j = 0; j < n; ++j) {
                    const int dr = reds[j] - r, dg = greens[j] - g, db = blues[j] - b;
                    apart[j] = dr * dr + dg * dg + db * db;
                }
                apart[i] = std::numeric_limits<int>::max();
                std::size_t within = 0;
                for (std::size_t j = 0; j < n; ++j)
                    within += apart[j] <= reach;
                if (within > kLongest) {
                    whole[i] = true;
                    continue;
                }
                for (std::size_t j = 0; j < n; ++j)
                    if (apart[j] <= reach)
                        near[i].push_back({apart[j], int(j)});
                std::sort(near[i].begin(), near[i].end());
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
    if (nearest) {
        nearest->clear();
        for (const Cell& cell : cells)
            nearest->push_back(cell.entry);
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
    // One picture's palette is chosen beside the other frames' (saving
    // reduces frames side by side): a thread of its own would only take
    // turns with them. A palette for many pictures is one long job.
    const bool shareOut = pictures.size() > 1;
    Cells cells;
    cells.gather(pictures, shareOut);
    const bool exact = cells.distinct() <= std::size_t(kExactColours);
    std::vector<int> entryOf;
    if (exact && cells.distinct() <= kFineTree) {
        // Few colours: the tree goes down to single colours.
        const std::vector<Bin> bins = cells.colourBins(pictures, shareOut);
        std::vector<GIFColor> palette = octree(bins, 8, colours, entryOf);
        if (!palette.empty())
            refine(bins, entryOf, palette, shareOut, kKMeansPasses);
        return palette;
    }
    // Many colours: the tree and the first passes work on the cells; soft
    // edges and gradients (some thousands of exact colours) then have
    // their last passes on the exact colours, each starting from its
    // cell's entry.
    const std::vector<Bin> bins = cells.cellBins();
    std::vector<GIFColor> palette = octree(bins, kBits, colours, entryOf);
    if (palette.empty())
        return palette;
    if (!exact) {
        refine(bins, entryOf, palette, shareOut, kKMeansPasses);
        return palette;
    }
    std::vector<int> cellEntry;
    refine(bins, entryOf, palette, shareOut, kKMeansPasses - kExactPasses, &cellEntry);
    std::vector<int> cellOfBin;
    const std::vector<Bin> colourBins = cells.colourBins(pictures, shareOut, &cellOfBin);
    std::vector<int> startOf(colourBins.size(), 0);
    for (std::size_t i = 0; i < colourBins.size(); ++i)
        startOf[i] = cellEntry[std::size_t(cellOfBin[i])];
    refine(colourBins, startOf, palette, shareOut, kExactPasses);
    return palette;
}

} // namespace orugif::gif
