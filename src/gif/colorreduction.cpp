// Colour lookups, dither engines and the reduction loop.
#include "gif/colorreduction.h"

#include "gif/gifexception.h"
#include "gif/quantize.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <unordered_map>

namespace orugif::gif {

// --- lookups -------------------------------------------------------------------

namespace {
int cacheKey(int r, int g, int b) { return (b >> 3) << 10 | (g >> 3) << 5 | (r >> 3); }
} // namespace

TFastColorLookup::TFastColorLookup(const std::vector<GIFColor>& palette)
    : TColorLookup(int(palette.size())), palette_(palette), cache_(32768, -1)
{
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        std::int16_t& cell = cache_[std::size_t(cacheKey(palette_[i].r, palette_[i].g, palette_[i].b))];
        if (cell == -1)
            cell = std::int16_t(i);
    }
}

int TFastColorLookup::Lookup(int r, int g, int b, GIFColor& chosen)
{
    std::int16_t& cell = cache_[std::size_t(cacheKey(r, g, b))];
    if (cell == -1) {
        int best = 196608;
        int bestIndex = 0;
        for (std::size_t i = 0; i < palette_.size(); ++i) {
            const GIFColor& c = palette_[i];
            const int d = std::abs(c.r - r) + std::abs(c.g - g) + std::abs(c.b - b);
            if (d < best) {
                best = d;
                bestIndex = int(i);
            }
        }
        cell = std::int16_t(bestIndex);
    }
    chosen = palette_.empty() ? GIFColor{} : palette_[std::size_t(cell)];
    return cell;
}

TOptimisedColorLookup::TOptimisedColorLookup(const std::vector<GIFColor>& palette)
    : TColorLookup(int(std::min<std::size_t>(palette.size(), 256))),
      entries_(palette.begin(), palette.begin() + std::min<std::size_t>(palette.size(), 256)), channels_(entries_)
{
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        reds_[i] = entries_[i].r;
        greens_[i] = entries_[i].g;
        blues_[i] = entries_[i].b;
    }
}

TOptimisedColorLookup::~TOptimisedColorLookup()
{
    for (const std::uint32_t key : touched_)
        cells_[key] = 0;
}

std::uint32_t TOptimisedColorLookup::fillCell(std::size_t key)
{
    touched_.push_back(std::uint32_t(key));
    const std::uint32_t cell = candidatesOf(int(key >> 12), int(key >> 6 & 0x3F), int(key & 0x3F)) + 1;
    cells_[key] = cell;
    return cell;
}

int TOptimisedColorLookup::searchCell(const std::uint16_t* candidates, int r, int g, int b) const
{
    if (candidates[0] == 0)
        return channels_.nearest(r, g, b);
    // Without branches: which candidate wins is as good as random.
    int best = candidates[1];
    int smallest = 1 << 30;
    for (int k = 1, n = candidates[0]; k <= n; ++k) {
        const int i = candidates[k];
        const int dr = reds_[std::size_t(i)] - r, dg = greens_[std::size_t(i)] - g, db = blues_[std::size_t(i)] - b;
        const int d = dr * dr + dg * dg + db * db;
        const bool nearer = d < smallest;
        smallest = nearer ? d : smallest;
        best = nearer ? i : best;
    }
    return best;
}

// The entries that may be nearest to a colour of the cell (values 4 c to
// 4 c + 3 per channel): of the entries that may be nearest to a colour of
// its region (values 16 c to 16 c + 15), those whose least distance to the
// cell is within the smallest greatest distance of any of them. An entry
// left out at either step is farther than another from every colour of
// the cell, so the list finds the nearest entry, and the first of equals,
// that a search of the whole palette finds.
std::uint32_t TOptimisedColorLookup::candidatesOf(int cr, int cg, int cb)
{
    if (regions_.empty())
        regions_.assign(std::size_t(1) << 12, 0);
    std::uint32_t& region = regions_[std::size_t((cr >> 2) << 8 | (cg >> 2) << 4 | (cb >> 2))];
    if (region == 0) {
        const auto at = std::uint32_t(regionPool_.size());
        regionPool_.push_back(0);
        std::array<std::uint16_t, 256> found;
        const int count = candidatesIn(16 * (cr >> 2), 16 * (cg >> 2), 16 * (cb >> 2), 16, nullptr, 0, found.data());
        regionPool_[at] = std::uint16_t(count);
        regionPool_.insert(regionPool_.end(), found.begin(), found.begin() + count);
        region = at + 1;
    }
    const std::uint16_t* among = regionPool_.data() + region;
    const int amongCount = regionPool_[region - 1];
    std::array<std::uint16_t, 256> found;
    const int count = candidatesIn(4 * cr, 4 * cg, 4 * cb, 4, among, amongCount, found.data());
    const auto start = std::uint32_t(pool_.size());
    pool_.push_back(0);
    if (count <= kMostCandidates) {
        pool_[start] = std::uint16_t(count);
        pool_.insert(pool_.end(), found.begin(), found.begin() + count);
    }
    return start;
}

// Of the given entries (all when `among` is null), in their order, those
// whose least distance to the box (values lo to lo + size - 1 per channel)
// is within the smallest greatest distance of any of them.
int TOptimisedColorLookup::candidatesIn(int lr, int lg, int lb, int size, const std::uint16_t* among, int amongCount,
                                        std::uint16_t* found) const
{
    // Plain loops over the channels apart: they vectorise.
    const int n = among ? amongCount : int(entries_.size());
    const int span = size - 1;
    std::array<std::int32_t, 256> least;
    std::int32_t bound = 1 << 30;
    for (int k = 0; k < n; ++k) {
        const std::size_t i = among ? among[k] : std::size_t(k);
        // Distances to the box's middle, doubled, then to its nearest and
        // farthest point per channel (the nearest 0 inside the box).
        const std::int32_t dr = std::abs(2 * reds_[i] - 2 * lr - span);
        const std::int32_t dg = std::abs(2 * greens_[i] - 2 * lg - span);
        const std::int32_t db = std::abs(2 * blues_[i] - 2 * lb - span);
        const std::int32_t nr = std::max(dr - span, 0), ng = std::max(dg - span, 0), nb = std::max(db - span, 0);
        const std::int32_t fr = dr + span, fg = dg + span, fb = db + span;
        least[std::size_t(k)] = nr * nr + ng * ng + nb * nb;
        bound = std::min(bound, fr * fr + fg * fg + fb * fb);
    }
    int count = 0;
    for (int k = 0; k < n; ++k)
        if (least[std::size_t(k)] <= bound)
            found[count++] = among ? among[k] : std::uint16_t(k);
    return count;
}

int TNetscapeColorLookup::Lookup(int r, int g, int b, GIFColor& chosen)
{
    const int lr = Level(r), lg = Level(g), lb = Level(b);
    chosen = {std::uint8_t(51 * lr), std::uint8_t(51 * lg), std::uint8_t(51 * lb)};
    return 36 * lr + 6 * lg + lb;
}

int TGrayScaleLookup::Lookup(int r, int g, int b, GIFColor& chosen)
{
    const int level = Level((77 * r + 150 * g + 29 * b) >> 8);
    const auto v = std::uint8_t(Grey(level));
    chosen = {v, v, v};
    return level;
}

int TMonochromeLookup::Lookup(int r, int g, int b, GIFColor& chosen)
{
    const bool white = 77 * r + 150 * g + 29 * b >= 32513;
    const std::uint8_t v = white ? 255 : 0;
    chosen = {v, v, v};
    return white ? 1 : 0;
}

// --- dither engines ----------------------------------------------------------

int TDitherEngine::Dither(int r, int g, int b)
{
    GIFColor chosen;
    const int index = lookup_.Lookup(r, g, b, chosen);
    column_ += direction_;
    return index;
}

void TDitherEngine::NextLine()
{
    direction_ = -direction_;
    column_ = direction_ == 1 ? 0 : width_ - 1;
}

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& lookup) : TDitherEngine(width, lookup)
{
    for (auto& row : errors_)
        row.assign(std::size_t(width) + 2, 0);
}

int TFloydSteinbergDitherer::Dither(int r, int g, int b)
{
    const int in[3] = {r, g, b};
    const std::size_t at = std::size_t(column_ + 1);
    const int strength = strength_;
    int corrected[3];
    for (int c = 0; c < 3; ++c) {
        const int gathered = (errors_[c][at] + running_[c] + 8) / 16;
        corrected[c] = std::clamp(in[c] + (strength == 16 ? gathered : gathered * strength / 16), 0, 255);
    }
    GIFColor chosen;
    const int index = lookup_.Lookup(corrected[0], corrected[1], corrected[2], chosen);
    const int got[3] = {chosen.r, chosen.g, chosen.b};
    // 7/16 ahead, 3/16 below behind, 5/16 below, 1/16 below ahead.
    for (int c = 0; c < 3; ++c) {
        const int err = strength == 16 ? corrected[c] - got[c] : (corrected[c] - got[c]) * strength / 16;
        errors_[c][std::size_t(int(at) - direction_)] = belowPrev_[c] + 3 * err;
        belowPrev_[c] = below_[c] + 5 * err;
        below_[c] = err;
        running_[c] = 7 * err;
    }
    column_ += direction_;
    return index;
}

void TFloydSteinbergDitherer::NextLine()
{
    const int last = column_ - direction_;
    if (last >= 0 && last < width_)
        for (int c = 0; c < 3; ++c)
            errors_[c][std::size_t(last + 1)] = belowPrev_[c];
    for (int c = 0; c < 3; ++c)
        running_[c] = below_[c] = belowPrev_[c] = 0;
    TDitherEngine::NextLine();
}

const DiffusionKernel& DitherKernel(int mode)
{
    static const std::array<DiffusionKernel, 7> kernels{{
        {{}, 1},
        {{{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}}, 16},
        {{{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2},
          {-2, 2, 1}, {-1, 2, 2}, {0, 2, 4}, {1, 2, 2}, {2, 2, 1}}, 42},
        {{{1, 0, 5}, {2, 0, 3}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 5}, {1, 1, 4}, {2, 1, 2},
          {-1, 2, 2}, {0, 2, 3}, {1, 2, 2}}, 32},
        {{{1, 0, 7}, {2, 0, 5}, {-2, 1, 3}, {-1, 1, 5}, {0, 1, 7}, {1, 1, 5}, {2, 1, 3},
          {-2, 2, 1}, {-1, 2, 3}, {0, 2, 5}, {1, 2, 3}, {2, 2, 1}}, 48},
        {{{2, 0, 32}, {-3, 1, 12}, {-1, 1, 26}, {1, 1, 30}, {3, 1, 16},
          {-2, 2, 12}, {0, 2, 26}, {2, 2, 12}, {-3, 3, 5}, {-1, 3, 12}, {1, 3, 12}, {3, 3, 5}}, 200},
        {{{1, 0, 8}, {2, 0, 4}, {-2, 1, 2}, {-1, 1, 4}, {0, 1, 8}, {1, 1, 4}, {2, 1, 2}}, 32},
    }};
    return kernels[std::size_t(std::clamp(mode, 0, 6))];
}

TErrorDiffusionDitherer::TErrorDiffusionDitherer(int width, TColorLookup& lookup, const DiffusionKernel& kernel)
    : TDitherEngine(width, lookup), kernel_(kernel)
{
    int rows = 1;
    for (const DiffusionWeight& w : kernel_.weights) {
        reach_ = std::max(reach_, std::abs(w.dx));
        rows = std::max(rows, w.dy + 1);
    }
    errors_.resize(std::size_t(rows));
    for (auto& row : errors_)
        for (auto& channel : row)
            channel.assign(std::size_t(width) + 2 * std::size_t(reach_), 0);
}

int TErrorDiffusionDitherer::Dither(int r, int g, int b)
{
    const int in[3] = {r, g, b};
    const std::size_t at = std::size_t(column_ + reach_);
    const int half = kernel_.divisor / 2;
    const int strength = strength_;
    int corrected[3];
    for (int c = 0; c < 3; ++c) {
        const int e = errors_[0][std::size_t(c)][at];
        // As Floyd-Steinberg's (E + e + 8) div 16: half the divisor added, truncated toward zero.
        const int gathered = (e + half) / kernel_.divisor;
        corrected[c] = std::clamp(in[c] + (strength == 16 ? gathered : gathered * strength / 16), 0, 255);
    }
    GIFColor chosen;
    const int index = lookup_.Lookup(corrected[0], corrected[1], corrected[2], chosen);
    int err[3] = {corrected[0] - chosen.r, corrected[1] - chosen.g, corrected[2] - chosen.b};
    if (strength != 16)
        for (int& e : err)
            e = e * strength / 16;
    for (const DiffusionWeight& w : kernel_.weights) {
        const std::size_t to = std::size_t(int(at) + w.dx * direction_);
        for (int c = 0; c < 3; ++c)
            errors_[std::size_t(w.dy)][std::size_t(c)][to] += w.weight * err[c];
    }
    column_ += direction_;
    return index;
}

void TErrorDiffusionDitherer::NextLine()
{
    // The row below becomes the current one; a cleared row enters at the bottom.
    std::rotate(errors_.begin(), errors_.begin() + 1, errors_.end());
    for (auto& channel : errors_.back())
        std::fill(channel.begin(), channel.end(), 0);
    TDitherEngine::NextLine();
}

std::unique_ptr<TDitherEngine> MakeDitherEngine(int mode, int width, TColorLookup& lookup)
{
    switch (mode) {
    case 0:
        return std::make_unique<TDitherEngine>(width, lookup);
    case 1:
        return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
    case 2:
        return std::make_unique<TStuckiDitherer>(width, lookup);
    case 3:
        return std::make_unique<TSierraDitherer>(width, lookup);
    case 4:
        return std::make_unique<TJaJuNiDitherer>(width, lookup);
    case 5:
        return std::make_unique<TSteveArcheDitherer>(width, lookup);
    case 6:
        return std::make_unique<TBurkesDitherer>(width, lookup);
    default:
        return nullptr;
    }
}

// --- reduction -----------------------------------------------------------------

std::vector<GIFColor> ReductionPalette(int method, const std::vector<GIFColor>& given)
{
    std::vector<GIFColor> palette;
    switch (method) {
    case 3:
        for (int v : {0, 128, 192, 255})
            palette.push_back({std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});
        break;
    case 4:
        palette = {{0, 0, 0}, {255, 255, 255}};
        break;
    case 5:
        for (int i = 0; i < TGrayScaleLookup::kLevels; ++i) {
            const auto v = std::uint8_t(TGrayScaleLookup::Grey(i));
            palette.push_back({v, v, v});
        }
        break;
    case 6:
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    palette.push_back({std::uint8_t(51 * r), std::uint8_t(51 * g), std::uint8_t(51 * b)});
        break;
    case 9:
        palette.assign(given.begin(), given.begin() + std::min<std::size_t>(given.size(), 256));
        break;
    default:
        break;
    }
    return palette;
}

namespace {

std::unique_ptr<TColorLookup> makeLookup(int method, const std::vector<GIFColor>& palette)
{
    switch (method) {
    case 4:
        return std::make_unique<TMonochromeLookup>();
    case 5:
        return std::make_unique<TGrayScaleLookup>();
    case 6:
        return std::make_unique<TNetscapeColorLookup>();
    default:
        return std::make_unique<TFastColorLookup>(palette);
    }
}

// The picture as 32-bit rows (B, G, R, X in memory).
QImage asRgb32(const QImage& source)
{
    if (source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32)
        return source;
    return source.convertToFormat(QImage::Format_RGB32);
}

// Cube mapping without dithering. (v + 3) * 1286 >> 16 equals (v + 3) div 51
// for every 8-bit v, and being arithmetic the loop vectorises.
// The Floyd-Steinberg engine with the 216-colour cube, unrolled: the same
// serpentine rows, error rounding and clamping as TFloydSteinbergDitherer
// over TNetscapeColorLookup, without a virtual call per pixel (video frames
// go through here). `put(row, column, index, level)` stores each pixel.
template <typename Put>
void ditherToCube(const QImage& rgb, Put put)
{
    // The cube level of every corrected value: (v + 3) div 51.
    static const std::array<std::uint8_t, 256> levels = [] {
        std::array<std::uint8_t, 256> l{};
        for (int v = 0; v < 256; ++v)
            l[std::size_t(v)] = std::uint8_t((v + 3) / 51);
        return l;
    }();
    const int w = rgb.width();
    std::vector<int> errors[3];
    for (auto& row : errors)
        row.assign(std::size_t(w) + 2, 0);
    int direction = 1;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(rgb.constScanLine(y));  // B, G, R, X
        int running[3] = {0, 0, 0}, below[3] = {0, 0, 0}, belowPrev[3] = {0, 0, 0};
        int column = direction == 1 ? 0 : w - 1;
        for (; column >= 0 && column < w; column += direction) {
            const int at = column + 1;
            int level[3];
            for (int c = 0; c < 3; ++c) {
                const int in = bytes[4 * column + 2 - c];  // red, green, blue
                const int corrected = std::clamp(in + (errors[c][std::size_t(at)] + running[c] + 8) / 16, 0, 255);
                level[c] = levels[std::size_t(corrected)];
                const int err = corrected - 51 * level[c];
                errors[c][std::size_t(at - direction)] = belowPrev[c] + 3 * err;
                belowPrev[c] = below[c] + 5 * err;
                below[c] = err;
                running[c] = 7 * err;
            }
            put(y, column, level);
        }
        const int last = column - direction;
        if (last >= 0 && last < w)
            for (int c = 0; c < 3; ++c)
                errors[c][std::size_t(last + 1)] = belowPrev[c];
        direction = -direction;
    }
}

// Also tells whether every pixel with alpha of one half or more was on the
// cube already (an opaque picture's alpha byte reads 255). Rows from `first`
// to `last` (the last row when negative).
bool reduceToCube(const QImage& rgb, std::uint8_t* dest, qsizetype destStride, int first = 0, int last = -1)
{
    const int w = rgb.width();
    std::uint32_t off = 0;
    for (int y = first, end = last < 0 ? rgb.height() - 1 : last; y <= end; ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        std::uint8_t* out = dest + y * destStride;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(src);  // B, G, R, X
        for (int x = 0; x < w; ++x) {
            const std::uint32_t r = (std::uint32_t(bytes[4 * x + 2] + 3) * 1286u) >> 16;
            const std::uint32_t g = (std::uint32_t(bytes[4 * x + 1] + 3) * 1286u) >> 16;
            const std::uint32_t b = (std::uint32_t(bytes[4 * x] + 3) * 1286u) >> 16;
            out[x] = std::uint8_t(36 * r + 6 * g + b);
            const std::uint32_t opaque = bytes[4 * x + 3] >> 7;
            off |= (((51 * r) ^ bytes[4 * x + 2]) | ((51 * g) ^ bytes[4 * x + 1]) | ((51 * b) ^ bytes[4 * x])) * opaque;
        }
    }
    return off == 0;
}

// Maps a picture of at most `most` colours (pixels with alpha below one
// half aside: they take entry 0) onto its own colours, in order of first
// appearance; false past `most` colours, with dest written up to the row
// `stopped` holds.
bool mapOwnColours(const QImage& rgb, int most, std::vector<GIFColor>& palette, std::uint8_t* dest,
                   qsizetype destStride, int& stopped)
{
    palette.clear();
    std::unordered_map<QRgb, std::uint8_t> index;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        std::uint8_t* out = dest + y * destStride;
        QRgb last = 0xFFFFFFFFu;
        std::uint8_t lastIndex = 0;
        for (int x = 0, w = rgb.width(); x < w; ++x) {
            if (qAlpha(src[x]) < 128) {
                out[x] = 0;
                continue;
            }
            const QRgb c = src[x] & 0x00FFFFFFu;
            if (c != last) {
                auto it = index.find(c);
                if (it == index.end()) {
                    if (int(palette.size()) >= most) {
                        stopped = y;
                        return false;
                    }
                    it = index.emplace(c, std::uint8_t(palette.size())).first;
                    palette.push_back({std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c))});
                }
                last = c;
                lastIndex = it->second;
            }
            out[x] = lastIndex;
        }
    }
    if (palette.empty())
        palette.push_back({0, 0, 0});  // an all-transparent picture still needs a table
    return true;
}

// Maps every pixel to the palette entry of its own colour; false (with
// dest partly written) as soon as a colour is missing.
bool mapExactly(const QImage& rgb, const std::vector<GIFColor>& palette, std::uint8_t* dest, qsizetype destStride)
{
    std::unordered_map<QRgb, std::uint8_t> index;
    for (std::size_t i = palette.size(); i-- > 0;)  // the first of equal entries wins
        index[qRgb(palette[i].r, palette[i].g, palette[i].b) & 0x00FFFFFFu] = std::uint8_t(i);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        std::uint8_t* out = dest + y * destStride;
        QRgb last = 0xFFFFFFFFu;
        std::uint8_t lastIndex = 0;
        for (int x = 0, w = rgb.width(); x < w; ++x) {
            const QRgb c = src[x] & 0x00FFFFFFu;
            if (c != last) {
                const auto it = index.find(c);
                if (it == index.end())
                    return false;
                last = c;
                lastIndex = it->second;
            }
            out[x] = lastIndex;
        }
    }
    return true;
}

// DitherStrengths with `nearestTo(x, y, colour)` giving the entry nearest to
// the pixel at (x, y), whose colour (alpha masked off) is `colour`.
template <typename Nearest>
std::vector<std::uint8_t> strengthsWith(const QImage& rgb, Nearest&& nearestTo)
{
    const int w = rgb.width(), h = rgb.height();
    std::vector<std::uint8_t> strengths(std::size_t(w) * std::size_t(h), 0);
    const auto differs = [](std::uint32_t a, std::uint32_t b) {
        return std::max({std::abs(int(a >> 16 & 0xFF) - int(b >> 16 & 0xFF)),
                         std::abs(int(a >> 8 & 0xFF) - int(b >> 8 & 0xFF)), std::abs(int(a & 0xFF) - int(b & 0xFF))});
    };
    std::vector<int> contrasts(std::size_t(w), 0);
    for (int y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        // A missing neighbour (at the picture's edges) counts as the pixel itself.
        const auto* above = y > 0 ? reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y - 1)) : row;
        const auto* below = y + 1 < h ? reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y + 1)) : row;
        std::uint8_t* out = strengths.data() + std::size_t(y) * std::size_t(w);
        // The largest difference to a neighbour, every pixel at once (no
        // branch: the loop vectorises), then the palette asked only where
        // the picture is not flat.
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = row[x];
            const std::uint32_t left = row[x > 0 ? x - 1 : x], right = row[x + 1 < w ? x + 1 : x];
            contrasts[std::size_t(x)] = std::max({differs(p, left), differs(p, right), differs(p, above[x]), differs(p, below[x])});
        }
        for (int x = 0; x < w; ++x) {
            const int contrast = contrasts[std::size_t(x)];
            if (contrast <= 2)
                continue;
            const std::uint32_t p = row[x] & 0x00FFFFFFu;
            const GIFColor near = nearestTo(x, y, p);
            const int error = differs(p, std::uint32_t(near.r) << 16 | std::uint32_t(near.g) << 8 | near.b);
            int s = std::clamp((error - 4) * 16 / 12, 0, 16);
            if (contrast >= 64)
                s /= 2;
            out[x] = std::uint8_t(s);
        }
    }
    return strengths;
}

// Each pixel its nearest entry; a run of one colour asks once.
void mapNearest(const QImage& rgb, TOptimisedColorLookup& lookup, std::uint8_t* dest, qsizetype destStride)
{
    const int w = rgb.width();
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        std::uint8_t* out = dest + y * destStride;
        std::uint32_t last = 0xFFFFFFFFu;  // never a masked colour
        std::uint8_t index = 0;
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = src[x] & 0x00FFFFFFu;
            if (p != last) {
                last = p;
                index = std::uint8_t(lookup.Nearest(int(p >> 16), int(p >> 8 & 0xFF), int(p & 0xFF)));
            }
            out[x] = index;
        }
    }
}

// TFloydSteinbergDitherer over TOptimisedColorLookup with a strength per
// pixel, unrolled: the same serpentine rows, error rounding and clamping,
// without two virtual calls per pixel. `dest` holds each pixel's nearest
// entry on entry.
void floydOnPalette(const QImage& rgb, TOptimisedColorLookup& lookup, const std::vector<std::uint8_t>& strengths,
                    std::uint8_t* dest, qsizetype destStride)
{
    const int w = rgb.width();
    const std::vector<GIFColor>& entries = lookup.Entries();
    std::vector<int> errors[3];
    for (auto& row : errors)
        row.assign(std::size_t(w) + 2, 0);
    int direction = 1;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        const std::uint8_t* strength = strengths.data() + std::size_t(y) * std::size_t(w);
        std::uint8_t* out = dest + y * destStride;
        int running[3] = {0, 0, 0}, below[3] = {0, 0, 0}, belowPrev[3] = {0, 0, 0};
        int column = direction == 1 ? 0 : w - 1;
        for (; column >= 0 && column < w; column += direction) {
            const std::uint32_t p = src[column] & 0x00FFFFFFu;
            const int in[3] = {int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)};
            const std::size_t at = std::size_t(column + 1);
            const int s = strength[column];
            if (s == 0) {
                // An undithered pixel is its own colour: it keeps the
                // nearest entry `dest` already holds, and its error is 0.
                for (int c = 0; c < 3; ++c) {
                    errors[c][at - std::size_t(direction)] = belowPrev[c];
                    belowPrev[c] = below[c];
                    below[c] = 0;
                    running[c] = 0;
                }
                continue;
            }
            int corrected[3];
            for (int c = 0; c < 3; ++c) {
                const int gathered = (errors[c][at] + running[c] + 8) / 16;
                corrected[c] = std::clamp(in[c] + (s == 16 ? gathered : gathered * s / 16), 0, 255);
            }
            const int index = lookup.Nearest(corrected[0], corrected[1], corrected[2]);
            const GIFColor& chosen = entries[std::size_t(index)];
            const int got[3] = {chosen.r, chosen.g, chosen.b};
            for (int c = 0; c < 3; ++c) {
                const int err = s == 16 ? corrected[c] - got[c] : (corrected[c] - got[c]) * s / 16;
                errors[c][at - std::size_t(direction)] = belowPrev[c] + 3 * err;
                belowPrev[c] = below[c] + 5 * err;
                below[c] = err;
                running[c] = 7 * err;
            }
            out[column] = std::uint8_t(index);
        }
        const int last = column - direction;
        if (last >= 0 && last < w)
            for (int c = 0; c < 3; ++c)
                errors[c][std::size_t(last + 1)] = belowPrev[c];
        direction = -direction;
    }
}

// Every pixel through the engine, rows alternately left to right and right
// to left; with `strengths`, each pixel's own (TDitherEngine::SetStrength).
void ditherRows(const QImage& rgb, TDitherEngine& engine, const std::uint8_t* strengths, std::uint8_t* dest,
                qsizetype destStride)
{
    const int w = rgb.width();
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
        std::uint8_t* out = dest + y * destStride;
        const std::uint8_t* strength = strengths ? strengths + std::size_t(y) * std::size_t(w) : nullptr;
        while (engine.Column() >= 0 && engine.Column() < w) {
            const int x = engine.Column();
            const std::uint32_t p = src[x];
            if (strength)
                engine.SetStrength(strength[x]);
            out[x] = std::uint8_t(engine.Dither(int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF)));
        }
        engine.NextLine();
    }
}

} // namespace

bool ReduceToIndices(const QImage& source, int method, int ditherMode, const std::vector<GIFColor>& given,
                     std::vector<GIFColor>& palette, std::uint8_t* dest, qsizetype destStride, int reductionBits,
                     int maxColours)
{
    if (ditherMode < 0 || ditherMode > 6)
        return false;
    const QImage rgb = asRgb32(source);
    if (method == kAutomaticReduction) {
        // The cube first: a picture drawn in its colours is written as the
        // cube reduction writes it, and the mapping also tells whether it is.
        if (reduceToCube(rgb, dest, destStride)) {
            palette = ReductionPalette(6);
            return true;
        }
        int stopped = 0;
        if (mapOwnColours(rgb, std::clamp(maxColours, 1, 256), palette, dest, destStride, stopped))
            return true;
        palette = ReductionPalette(6);
        if (ditherMode == 0) {
            // Too many colours, most often seen in the first rows: only the
            // rows the count went through need the cube again.
            reduceToCube(rgb, dest, destStride, 0, stopped);
            return true;
        }
        return ReduceToIndices(source, 6, ditherMode, given, palette, dest, destStride);
    }
    if (method == 7) {
        if (reductionBits < 1 || reductionBits > 8)
            return false;
        const int colours = std::clamp(std::min(1 << reductionBits, maxColours), 1, 256);
        palette = given.empty() ? QuantizePalette({rgb}, colours)
                                : std::vector<GIFColor>(given.begin(), given.begin() + std::min<std::size_t>(given.size(), 256));
        if (palette.empty())
            return false;
        if (mapExactly(rgb, palette, dest, destStride))
            return true;
    } else {
        palette = ReductionPalette(method, given);
    }
    if (palette.empty())
        return false;
    if (method == 6 && ditherMode == 0) {
        reduceToCube(rgb, dest, destStride);
        return true;
    }
    if (method == 6 && ditherMode == 1) {
        ditherToCube(rgb, [dest, destStride](int y, int x, const int* level) {
            dest[y * destStride + x] = std::uint8_t(36 * level[0] + 6 * level[1] + level[2]);
        });
        return true;
    }
    const int w = rgb.width();
    if (method == 7) {
        // Each pixel's nearest entry first: without dithering that is the
        // picture; with it, the strengths weigh it (see DitherStrengths), and
        // Floyd-Steinberg's undithered pixels keep it.
        TOptimisedColorLookup lookup(palette);
        mapNearest(rgb, lookup, dest, destStride);
        if (ditherMode == 0)
            return true;
        const std::vector<GIFColor>& entries = lookup.Entries();
        const std::vector<std::uint8_t> strengths = strengthsWith(
            rgb, [&](int x, int y, std::uint32_t) { return entries[dest[y * destStride + x]]; });
        if (ditherMode == 1)
            floydOnPalette(rgb, lookup, strengths, dest, destStride);
        else
            ditherRows(rgb, *MakeDitherEngine(ditherMode, w, lookup), strengths.data(), dest, destStride);
        return true;
    }
    auto lookup = makeLookup(method, palette);
    ditherRows(rgb, *MakeDitherEngine(ditherMode, w, *lookup), nullptr, dest, destStride);
    return true;
}

std::vector<std::uint8_t> DitherStrengths(const QImage& rgb, TColorLookup& lookup)
{
    // The lookup is asked once per run of one colour.
    std::uint32_t last = 0xFFFFFFFFu;  // never a masked colour
    GIFColor near;
    return strengthsWith(rgb, [&](int, int, std::uint32_t p) {
        if (p != last) {
            lookup.Lookup(int(p >> 16), int(p >> 8 & 0xFF), int(p & 0xFF), near);
            last = p;
        }
        return near;
    });
}

QImage ReduceColors(const QImage& source, int method, int ditherMode, const std::vector<GIFColor>& palette,
                    int reductionBits)
{
    if (source.isNull())
        return {};
    if (method == 0)
        return asRgb32(source).copy();
    QImage result(source.size(), QImage::Format_Indexed8);
    if (result.isNull())
        return {};
    std::vector<GIFColor> used;
    if (!ReduceToIndices(source, method, ditherMode, palette, used, result.bits(), result.bytesPerLine(), reductionBits))
        return {};
    QList<QRgb> table;
    for (const GIFColor& c : used)
        table.append(qRgb(c.r, c.g, c.b));
    result.setColorTable(table);
    return result;
}

// --- device-independent bitmaps ----------------------------------------------

namespace {

void checkDibArguments(const QImage& bitmap, int bitsPerPixel)
{
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24)
        throw GIFException(msg::UnsupportedPixelFormat);
    if (bitmap.isNull())
        throw GIFException(msg::InvalidBitmap);
}

qsizetype dibRowSize(int width, int bits) { return (qsizetype(width) * bits + 31) / 32 * 4; }

void putLE(std::uint8_t* p, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

} // namespace

void DIBSizes(const QImage& bitmap, int bitsPerPixel, int& infoSize, int& imageSize)
{
    checkDibArguments(bitmap, bitsPerPixel);
    infoSize = 40 + (bitsPerPixel <= 8 ? 4 * (1 << bitsPerPixel) : 0);
    imageSize = int(dibRowSize(bitmap.width(), bitsPerPixel) * bitmap.height());
}

bool ReadDIB(const QImage& bitmap, const QList<QRgb>* palette, std::uint8_t* info, std::uint8_t* bits,
             int bitsPerPixel)
{
    int infoSize = 0, imageSize = 0;
    DIBSizes(bitmap, bitsPerPixel, infoSize, imageSize);
    const int w = bitmap.width(), h = bitmap.height();
    std::memset(info, 0, std::size_t(infoSize));
    putLE(info, 40, 4);
    putLE(info + 4, std::uint32_t(w), 4);
    putLE(info + 8, std::uint32_t(h), 4);
    putLE(info + 12, 1, 2);
    putLE(info + 14, std::uint32_t(bitsPerPixel), 2);
    putLE(info + 20, std::uint32_t(imageSize), 4);
    std::memset(bits, 0, std::size_t(imageSize));
    const qsizetype rowSize = dibRowSize(w, bitsPerPixel);
    if (bitsPerPixel == 24) {
        const QImage rgb = asRgb32(bitmap);
        for (int y = 0; y < h; ++y) {
            const auto* src = reinterpret_cast<const std::uint32_t*>(rgb.constScanLine(y));
            std::uint8_t* out = bits + (h - 1 - y) * rowSize;
            for (int x = 0; x < w; ++x) {
                out[3 * x] = std::uint8_t(src[x]);
                out[3 * x + 1] = std::uint8_t(src[x] >> 8);
                out[3 * x + 2] = std::uint8_t(src[x] >> 16);
            }
        }
        return true;
    }
    const auto flags = Qt::ThresholdDither | Qt::AvoidDither;
    QImage indexed;
    if (palette && !palette->isEmpty())
        indexed = asRgb32(bitmap).convertToFormat(QImage::Format_Indexed8, *palette, flags);
    else if (bitmap.format() == QImage::Format_Indexed8)
        indexed = bitmap;
    else
        indexed = bitmap.convertToFormat(QImage::Format_Indexed8, flags);
    if (indexed.isNull())
        return false;
    const QList<QRgb> table = indexed.colorTable();
    const int entries = 1 << bitsPerPixel;
    for (int i = 0; i < entries && i < table.size(); ++i) {
        std::uint8_t* q = info + 40 + 4 * i;
        q[0] = std::uint8_t(qBlue(table[i]));
        q[1] = std::uint8_t(qGreen(table[i]));
        q[2] = std::uint8_t(qRed(table[i]));
    }
    const int mask = entries - 1;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* src = indexed.constScanLine(y);
        std::uint8_t* out = bits + (h - 1 - y) * rowSize;
        for (int x = 0; x < w; ++x) {
            const int v = src[x] & mask;
            if (bitsPerPixel == 8)
                out[x] = std::uint8_t(v);
            else if (bitsPerPixel == 4)
                out[x / 2] |= std::uint8_t(x % 2 ? v : v << 4);
            else
                out[x / 8] |= std::uint8_t(v << (7 - x % 8));
        }
    }
    return true;
}

QImage DitherToCubeRgb(const QImage& source)
{
    const QImage rgb = asRgb32(source);
    QImage result(rgb.size(), QImage::Format_RGB32);
    if (result.isNull())
        throw std::bad_alloc();
    ditherToCube(rgb, [&result](int y, int x, const int* level) {
        reinterpret_cast<QRgb*>(result.scanLine(y))[x] = qRgb(51 * level[0], 51 * level[1], 51 * level[2]);
    });
    return result;
}

} // namespace orugif::gif
