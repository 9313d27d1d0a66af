// Lossy LZW coding: the code stream is a plain GIF one that any decoder
// reads; the encoder only lets a string of its table stand for pixels whose
// colours are near the string's, so strings run longer and codes are fewer.
#include "gif/gifexception.h"
#include "gif/lzw.h"
#include "gif/lzw_blocks.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace orugif::gif {

namespace {

// The code table as a tree: each code's first child and next sibling, and
// the value its string ends with. Roots are the single values.
class LossyEncoder {
public:
    LossyEncoder(std::vector<std::uint8_t>& out, int codeSize, const std::vector<std::uint8_t>& near,
                 const std::vector<std::uint32_t>& cost, std::int64_t gain)
        : codes_(out, codeSize), near_(near), cost_(cost), gain_(gain)
    {
        for (int c = 0; c < 4096; ++c)
            value_[c] = std::uint8_t(c);
    }

    void encode(const std::uint8_t* px, std::size_t count)
    {
        reset();
        std::size_t at = 0;
        while (at < count) {
            const Step best = longest(px, count, at);
            emitCode(best.code);
            at += std::size_t(best.depth);
            if (at >= count)
                break;
            if (next_ >= 4095) {
                reset();
            } else {
                // The entry a decoder adds: this string and the next one's
                // first value, which is the exact pixel.
                const int code = next_++;
                value_[code] = px[at];
                child_[code] = -1;
                sibling_[code] = child_[best.code];
                child_[best.code] = std::int16_t(code);
            }
        }
        codes_.finish();
    }

private:
    // Strings are compared by their length, each pixel worth `gain_`,
    // less four times their squared error.
    std::int64_t score(const auto& s) const { return std::int64_t(s.depth) * gain_ - 4 * std::int64_t(s.error); }
    struct Step {
        int code;
        int depth;
        std::uint32_t error;
        bool exact;  // on the exact string, which is always followed
    };
    // Children looked at for one string before the best found so far is
    // taken: bounds the search on pictures with many near colours.
    static constexpr int kBudget = 384;

    // The best string of the table that fits the pixels from `at` on (exact
    // first value), searched depth first with the exact child first; the
    // exact string is followed to its end whatever the budget, so the search
    // always weighs the string EncodeImage would take.
    Step longest(const std::uint8_t* px, std::size_t count, std::size_t at)
    {
        Step best{px[at], 1, 0, true};
        stack_.clear();
        stack_.push_back(best);
        int budget = kBudget;
        while (!stack_.empty()) {
            const Step s = stack_.back();
            stack_.pop_back();
            if (!s.exact && budget <= 0)
                continue;
            if (score(s) > score(best) || (score(s) == score(best) && s.depth > best.depth))
                best = s;
            const std::size_t pos = at + std::size_t(s.depth);
            if (pos >= count)
                continue;
            const int target = px[pos];
            const std::uint8_t* near = near_.data() + std::size_t(target) * 256;
            const std::uint32_t* cost = cost_.data() + std::size_t(target) * 256;
            int exact = -1;
            for (int c = child_[s.code]; c >= 0; c = sibling_[c]) {
                --budget;
                const int v = value_[c];
                if (v == target)
                    exact = c;
                else if (near[v])
                    stack_.push_back({c, s.depth + 1, s.error + cost[v], false});
            }
            if (exact >= 0)
                stack_.push_back({exact, s.depth + 1, s.error, s.exact});
        }
        return best;
    }

    // As EncodeImage: the width grows once the next free code no longer
    // fits, a clear code goes out when the next free code would reach 4095.
    void emitCode(int code) { codes_.putString(code, next_); }
    void reset()
    {
        codes_.restart();
        std::fill(std::begin(child_), std::end(child_), std::int16_t(-1));
        next_ = codes_.firstFree();
    }

    CodeWriter codes_;
    const std::vector<std::uint8_t>& near_;
    const std::vector<std::uint32_t>& cost_;
    const std::int64_t gain_;
    std::int16_t child_[4096];
    std::int16_t sibling_[4096];
    std::uint8_t value_[4096];
    std::vector<Step> stack_;
    int next_ = 6;
};

} // namespace

void EncodeImageLossy(ByteWriter& out, int colorCount, const std::uint8_t* pixels, bool interlaced, int height,
                      int width, std::span<const GIFColor> palette, int transparentIndex, int tolerance)
{
    const bool any = pixels && width >= 1 && height >= 1;
    if (tolerance <= 0 || !any || palette.empty()) {
        EncodeImage(out, colorCount, pixels, interlaced, height, width);
        return;
    }
    const std::size_t w = std::size_t(width);
    const std::size_t count = w * std::size_t(height);
    // The pixels in the order the rows are stored: a string may run on
    // from one row into the next.
    std::vector<std::uint8_t> stored(count);
    const std::vector<int> rows = storedRowOrder(height, interlaced);
    for (std::size_t k = 0; k < rows.size(); ++k)
        std::copy_n(pixels + std::size_t(rows[k]) * w, w, stored.begin() + std::ptrdiff_t(k * w));
    const int highest = *std::max_element(stored.begin(), stored.end());
    if (highest >= colorCount)
        throw GIFException(msg::ColorNotInTable);
    // Which value may stand for which (near[pixel * 256 + value]) and at
    // what squared error.
    const int colours = int(std::min<std::size_t>(palette.size(), 256));
    std::vector<std::uint8_t> near(256 * 256, 0);
    std::vector<std::uint32_t> cost(256 * 256, 0);
    for (int a = 0; a < colours; ++a) {
        if (a == transparentIndex)
            continue;
        for (int b = 0; b < colours; ++b) {
            if (b == transparentIndex)
                continue;
            const int dr = std::abs(palette[std::size_t(a)].r - palette[std::size_t(b)].r);
            const int dg = std::abs(palette[std::size_t(a)].g - palette[std::size_t(b)].g);
            const int db = std::abs(palette[std::size_t(a)].b - palette[std::size_t(b)].b);
            if (std::max({dr, dg, db}) <= tolerance) {
                near[std::size_t(a) * 256 + std::size_t(b)] = 1;
                cost[std::size_t(a) * 256 + std::size_t(b)] = std::uint32_t(dr * dr + dg * dg + db * db);
            }
        }
    }
    const int codeSize = codeSizeFor(highest);
    out.byte(std::uint8_t(codeSize));
    // A pixel more in a string is worth a quarter of the squared error of
    // a pixel off by the whole tolerance in one channel: strings run long
    // through near colours, but a slightly shorter string of much nearer
    // colours wins (measured on photographs: about half a decibel more
    // than the longest string alone at the same size).
    const std::int64_t gain = std::int64_t(tolerance) * tolerance;
    std::make_unique<LossyEncoder>(out.data(), codeSize, near, cost, gain)->encode(stored.data(), count);
    out.byte(0);
}

} // namespace orugif::gif
