// The LZW encoder: the code stream is exactly the one the GIF format's LZW
// scheme defines; only the string table's lookup is our own (an
// open-addressed hash that is reset by filling, not reallocated).
#include "gif/lzw.h"
#include "gif/lzw_blocks.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace orugif::gif {

std::vector<int> storedRowOrder(int height, bool interlaced)
{
    std::vector<int> rows;
    rows.reserve(std::size_t(std::max(height, 0)));
    if (!interlaced) {
        for (int y = 0; y < height; ++y)
            rows.push_back(y);
        return rows;
    }
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < height; y += kStep[pass])
            rows.push_back(y);
    return rows;
}

namespace {

// String table: key (prefix << 8 | pixel, 20 bits) in the high bits of a
// slot, code in the low 12; all-ones marks an empty slot.
class StringTable {
public:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr int kBits = 13;
    static constexpr std::uint32_t kMask = (1u << kBits) - 1;

    StringTable() { std::memset(slots_, 0xFF, sizeof slots_); }

    // Empties the slots filled since the last reset (cheaper than all).
    void clear()
    {
        for (int i = 0; i < used_; ++i)
            slots_[filled_[i]] = kEmpty;
        used_ = 0;
    }

    // Returns the code of key, or -1 after remembering the free slot that
    // insert() will fill.
    int find(std::uint32_t key)
    {
        std::uint32_t h = (key * 0x9E3779B1u) >> (32 - kBits);
        for (;;) {
            const std::uint32_t s = slots_[h];
            if (s == kEmpty) {
                free_ = h;
                return -1;
            }
            if ((s >> 12) == key)
                return int(s & 0xFFF);
            h = (h + 1) & kMask;
        }
    }
    void insert(std::uint32_t key, int code)
    {
        slots_[free_] = key << 12 | std::uint32_t(code);
        filled_[used_++] = std::uint16_t(free_);
    }

private:
    std::uint32_t slots_[1u << kBits];
    std::uint32_t free_ = 0;
    std::uint16_t filled_[4096];
    int used_ = 0;
};

class LzwEncoder {
public:
    LzwEncoder(std::vector<std::uint8_t>& out, int codeSize) : codes_(out, codeSize) {}

    void emitData(int code) { codes_.putString(code, next_); }
    void reset()
    {
        codes_.restart();
        table_.clear();
        std::memset(last_, 0, sizeof last_);
        std::memset(before_, 0, sizeof before_);
        next_ = codes_.firstFree();
    }
    void finish() { codes_.finish(); }

    void encodeRows(const std::uint8_t* pixels, int width, const std::vector<int>& rows)
    {
        reset();
        int prefix = -1;
        for (const int y : rows) {
            const std::uint8_t* row = pixels + std::size_t(y) * std::size_t(width);
            int x = 0;
            if (prefix < 0) {
                prefix = row[0];
                x = 1;
            }
            for (; x < width; ++x) {
                const int p = row[x];
                // The last two extensions of each string are remembered
                // beside it: pictures mostly repeat them, sparing the hash.
                const std::uint32_t tag = 0x80000000u | std::uint32_t(p) << 16;
                const std::uint32_t memo = last_[prefix];
                if ((memo & 0xFFFF0000u) == tag) {
                    prefix = int(memo & 0xFFFF);
                    continue;
                }
                prefix = miss(memo, tag, prefix, p);
            }
        }
        emitData(prefix);
    }

private:
    // The rarer path, kept out of the loop so that the loop's few values
    // stay in registers: the second remembered extension, the hash, and a
    // new string (its code emitted, the table grown or reset). Returns the
    // new prefix.
    [[gnu::noinline]] int miss(std::uint32_t memo, std::uint32_t tag, int prefix, int p)
    {
        std::uint32_t& last = last_[prefix];
        std::uint32_t& before = before_[prefix];
        const std::uint32_t memo2 = before;
        if ((memo2 & 0xFFFF0000u) == tag) {
            before = memo;
            last = memo2;
            return int(memo2 & 0xFFFF);
        }
        const std::uint32_t key = std::uint32_t(prefix) << 8 | std::uint32_t(p);
        const int code = table_.find(key);
        if (code >= 0) {
            before = memo;
            last = tag | std::uint32_t(code);
            return code;
        }
        emitData(prefix);
        if (next_ >= 4095) {
            reset();
        } else {
            before = memo;
            last = tag | std::uint32_t(next_);
            table_.insert(key, next_++);
        }
        return p;
    }

    CodeWriter codes_;
    StringTable table_;
    // Last two extensions of each string (pixel tag and code), the last
    // apart so that the loop's lookups stay within a small array.
    std::uint32_t last_[4096] = {};
    std::uint32_t before_[4096] = {};
    int next_ = 0;
};

// The parse behind ChooseForCompression: the encoder's table, grown and
// reset as the encoder does, but each string matched as far as either value
// allows at every pixel. The strings that can match are followed side by
// side (at most kWays of them; distinct paths are distinct strings, so they
// never merge), those through `first`'s values ahead; where none goes
// further, the first of the longest is taken.
// A code's string is read back through its prefix chain.
class ChoiceParser {
public:
    ChoiceParser(const std::uint8_t* first, const std::uint8_t* second, std::size_t count, int codeSize)
        : first_(first), second_(second), count_(count), clear_(1 << codeSize)
    {
        next_ = clear_ + 2;
    }

    void run(std::uint8_t* chosen)
    {
        Match match = bestStart(0, -1);
        spell(chosen, 0, match);
        std::size_t at = match.end;
        while (at < count_) {
            const int code = match.code;
            const bool full = next_ >= 4095;
            if (full) {
                table_.clear();
                std::memset(memo_, 0, sizeof memo_);
                std::memset(children_, 0, sizeof children_);
                next_ = clear_ + 2;
            }
            // The entry this code adds ends with the next string's first
            // value, so each start is tried with its own entry in place.
            match = bestStart(at, full ? -1 : code);
            if (!full) {
                const std::uint32_t key = std::uint32_t(code) << 8 | match.start;
                table_.find(key);
                table_.insert(key, next_);
                children_[code] |= std::uint64_t(1) << (match.start & 63);
                prefix_[next_] = std::uint16_t(code);
                last_[next_] = match.start;
                ++next_;
            }
            spell(chosen, at, match);
            at = match.end;
        }
    }

private:
    static constexpr int kWays = 4;
    struct Match {
        std::size_t end = 0;
        int code = 0;
        std::uint8_t start = 0;
    };

    // The code of a string extended by value, or -1. The last extension
    // found of each string is remembered beside it, and a bit for each
    // value its extensions end with (modulo 64) turns most misses away
    // before the hash.
    int lookup(int code, int value)
    {
        const std::uint32_t tag = 0x80000000u | std::uint32_t(value) << 16;
        const std::uint32_t memo = memo_[code];
        if ((memo & 0xFFFF0000u) == tag)
            return int(memo & 0xFFFF);
        const std::uint32_t key = std::uint32_t(code) << 8 | std::uint32_t(value);
        if (key == pendingKey_)
            return next_;
        if (!(children_[code] >> (value & 63) & 1))
            return -1;
        const int found = table_.find(key);
        if (found >= 0)
            memo_[code] = tag | std::uint32_t(found);
        return found;
    }

    // The longer match from `at` of the two first values; the entry that
    // `previous` (when not -1) would add with that value counts as made.
    Match bestStart(std::size_t at, int previous)
    {
        Match best;
        const std::uint8_t values[2] = {first_[at], second_[at]};
        for (int k = 0; k < (values[0] == values[1] ? 1 : 2); ++k) {
            if (previous >= 0) {
                pendingKey_ = std::uint32_t(previous) << 8 | values[k];
                prefix_[next_] = std::uint16_t(previous);
                last_[next_] = values[k];
            }
            const Match m = longest(at, values[k]);
            if (k == 0 || m.end > best.end)
                best = m;
        }
        pendingKey_ = kNoKey;
        return best;
    }

    Match longest(std::size_t at, std::uint8_t value)
    {
        int buffers[2][kWays];
        int* ways = buffers[0];
        int* grown = buffers[1];
        int count = 1;
        ways[0] = value;
        std::size_t end = at + 1;
        for (; end < count_; ++end) {
            const int a = first_[end], b = second_[end];
            if (count == 1 && a == b) {
                // One string and one value: the encoder's own step.
                const int c = lookup(ways[0], a);
                if (c < 0)
                    break;
                ways[0] = c;
                continue;
            }
            int made = 0;
            for (int w = 0; w < count && made < kWays; ++w) {
                const int c = lookup(ways[w], a);
                if (c >= 0)
                    grown[made++] = c;
                if (b != a && made < kWays) {
                    const int d = lookup(ways[w], b);
                    if (d >= 0)
                        grown[made++] = d;
                }
            }
            if (made == 0)
                break;
            std::swap(ways, grown);
            count = made;
        }
        return {end, ways[0], value};
    }

    // Writes the string of match.code into chosen[at, match.end).
    void spell(std::uint8_t* chosen, std::size_t at, const Match& match) const
    {
        std::size_t pos = match.end;
        int code = match.code;
        while (code >= clear_ && pos > at) {
            chosen[--pos] = last_[code];
            code = prefix_[code];
        }
        if (pos > at)
            chosen[--pos] = std::uint8_t(code);
    }

    static constexpr std::uint32_t kNoKey = 0xFFFFFFFFu;
    const std::uint8_t* first_;
    const std::uint8_t* second_;
    std::size_t count_;
    int clear_;
    int next_;
    std::uint32_t pendingKey_ = kNoKey;
    StringTable table_;
    std::uint32_t memo_[4096] = {};
    std::uint64_t children_[4096] = {};
    std::uint16_t prefix_[4096] = {};
    std::uint8_t last_[4096] = {};
};

// The highest index of count pixels (a plain reduction: it vectorises).
int highestIndex(const std::uint8_t* pixels, std::size_t count)
{
    std::uint8_t hi = 0;
    for (std::size_t i = 0; i < count; ++i)
        hi = std::max(hi, pixels[i]);
    return hi;
}


} // namespace

void EncodeImage(ByteWriter& out, int colorCount, const std::uint8_t* pixels, bool interlaced, int height, int width)
{
    const bool any = pixels && width >= 1 && height >= 1;
    const std::size_t count = any ? std::size_t(width) * std::size_t(height) : 0;
    const int highest = highestIndex(pixels, count);
    if (any && highest >= colorCount)
        throw GIFException(msg::ColorNotInTable);
    const int codeSize = codeSizeFor(highest);
    out.byte(std::uint8_t(codeSize));
    auto& bytes = out.data();
    // Room for the usual outcome; growing at least twofold, so a file of
    // many frames is not copied again for each one.
    const std::size_t wanted = bytes.size() + count / 2 + 64;
    if (wanted > bytes.capacity())
        bytes.reserve(std::max(wanted, 2 * bytes.capacity()));
    auto encoder = std::make_unique<LzwEncoder>(bytes, codeSize);
    if (any)
        encoder->encodeRows(pixels, width, storedRowOrder(height, interlaced));
    encoder->finish();
    out.byte(0);
}

std::size_t EncodedSize(const std::uint8_t* pixels, bool interlaced, int height, int width)
{
    ByteWriter scratch;
    EncodeImage(scratch, 256, pixels, interlaced, height, width);
    return scratch.data().size();
}

std::vector<std::uint8_t> ChooseForCompression(const std::uint8_t* pixels, const std::uint8_t* alternative,
                                               bool interlaced, int height, int width)
{
    if (!pixels || !alternative || width < 1 || height < 1)
        return {};
    const std::size_t w = std::size_t(width);
    const std::size_t count = w * std::size_t(height);
    // Both sequences in the order the rows are stored, so that the parse
    // sees the pixels as the encoder will.
    const std::vector<int> rows = storedRowOrder(height, interlaced);
    std::vector<std::uint8_t> first(count), second(count), chosen(count);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        std::memcpy(first.data() + k * w, pixels + std::size_t(rows[k]) * w, w);
        std::memcpy(second.data() + k * w, alternative + std::size_t(rows[k]) * w, w);
    }
    const int codeSize = codeSizeFor(std::max(highestIndex(first.data(), count), highestIndex(second.data(), count)));
    std::make_unique<ChoiceParser>(first.data(), second.data(), count, codeSize)->run(chosen.data());
    std::vector<std::uint8_t> out(count);
    for (std::size_t k = 0; k < rows.size(); ++k)
        std::memcpy(out.data() + std::size_t(rows[k]) * w, chosen.data() + k * w, w);
    return out;
}

} // namespace orugif::gif
