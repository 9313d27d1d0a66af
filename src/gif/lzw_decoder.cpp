// The LZW decoder. It gives the pixels, fills and warnings of a decoder that
// walks its string table one pixel at a time through a stack, but copies
// each decoded string whole from where it was first written. Damaged tables
// fall back to that exact walk, bounded by the stack.
#include "gif/lzw.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace orugif::gif {

namespace {

constexpr int kTableSize = 4096;
constexpr int kStackSize = 8192;

class LzwDecoder {
public:
    LzwDecoder(ByteReader& in, int minCodeSize, std::uint8_t background, const DecodeWarning& warn)
        : in_(in), warn_(warn), background_(background)
    {
        minCodeSize_ = minCodeSize;
        clear_ = 1 << minCodeSize;
        end_ = clear_ + 1;
        codeSize_ = minCodeSize + 1;
        limit_ = 2 * clear_;
        next_ = clear_ + 2;
    }

    // Decodes up to out.size() pixels in stored order; returns how many.
    std::size_t fill(std::uint8_t* out, std::size_t total)
    {
        std::size_t pos = 0;
        // The word copies of copyString write up to 15 bytes past a string;
        // when decoding stops there (early end, missing data, damaged
        // table), those bytes get the fill value back.
        struct Tail {
            std::uint8_t* out;
            const std::size_t& pos;
            std::size_t total;
            std::uint8_t background;
            ~Tail() { std::fill(out + pos, out + std::min(pos + 16, total), background); }
        } tail{out, pos, total, background_};
        while (pos < total) {
            int code = readCode();
            if (code == clear_) {
                resetTable();
                do
                    code = readCode();
                while (code == clear_);
                first_ = old_ = code;
                if (code < 0) {
                    finished_ = true;
                    break;
                }
                // Only a plain pixel keeps the table fit for copying strings.
                sane_ = code < clear_;
                oldPos_ = pos;
                out[pos++] = std::uint8_t(code);
                continue;
            }
            if (code == end_) {
                skipRest();
                break;
            }
            if (code < 0) {
                finished_ = true;
                break;
            }
            if (sane_) {
                const int len = code < next_ ? length_[code] : length_[old_] + 1;
                if (std::size_t(len) <= total - pos) {
                    copyString(code, out, pos, total, len);
                    pos += std::size_t(len);
                    continue;
                }
            }
            // Damaged table, or a string running past the last pixel.
            const int len = expandToStack(code);
            const std::size_t n = std::min<std::size_t>(std::size_t(len), total - pos);
            for (std::size_t i = 0; i < n; ++i)
                out[pos + i] = stack_[len - 1 - int(i)];
            pos += n;
            pending_ = len - int(n);
        }
        return pos;
    }

    // After the last pixel: the next code should be the end code. Missing
    // data is reported by the code reader; whatever codes remain (more
    // pixels than the frame holds) are skipped with the rest of the
    // sub-blocks, so the reader always stands after the image data.
    void drain()
    {
        if (finished_)
            return;
        if (pending_ == 0 && readCode() < 0)
            return;
        skipRest();
    }

private:
    // Reads the next code of the current size. Sub-blocks form one
    // continuous bit stream, least significant bit first. The first call
    // after set-up yields a clear code without reading. Data ending before
    // the end code is the warning "Decoder bit buffer under-run"; a
    // sub-block longer than the rest of the file is "Premature end of data"
    // and is decoded as far as it goes.
    int readCode()
    {
        if (freshStart_) {
            freshStart_ = false;
            return clear_;
        }
        const int n = codeSize_;
        while (accBits_ < n) {
            if (blockLeft_ == 0) {
                if (!nextBlock()) {
                    warn_(msg::BitBufferUnderrun);
                    return -1;
                }
                continue;
            }
            const std::size_t take = std::min<std::size_t>(blockLeft_, std::size_t(56 - accBits_) / 8);
            const std::uint8_t* p = in_.here();
            for (std::size_t i = 0; i < take; ++i) {
                acc_ |= std::uint64_t(p[i]) << accBits_;
                accBits_ += 8;
            }
            in_.skip(take);
            blockLeft_ -= take;
        }
        const int code = int(acc_ & ((1u << n) - 1));
        acc_ >>= n;
        accBits_ -= n;
        return code;
    }

    // Opens the next data sub-block; false when the data has ended.
    bool nextBlock()
    {
        if (lastBlock_)
            return false;
        const int len = in_.tryByte();
        if (len <= 0) {
            lastBlock_ = true;
            return false;
        }
        blockLeft_ = std::size_t(len);
        if (blockLeft_ > in_.remaining()) {
            warn_(msg::PrematureEnd);
            blockLeft_ = in_.remaining();
            if (blockLeft_ == 0) {
                lastBlock_ = true;
                return false;
            }
        }
        return true;
    }

    void resetTable()
    {
        for (int i = 0; i < clear_; ++i) {
            prefix_[i] = 0;
            suffix_[i] = std::uint8_t(i);
            length_[i] = 1;
        }
        // Entries from the clear code up read as the two-pixel string 0, 0.
        for (int i = clear_; i < kTableSize; ++i) {
            prefix_[i] = 0;
            suffix_[i] = 0;
            length_[i] = 2;
        }
        codeSize_ = minCodeSize_ + 1;
        limit_ = 2 * clear_;
        next_ = clear_ + 2;
        pending_ = 0;
        sane_ = true;
    }

    void addEntry()
    {
        if (next_ >= kTableSize)
            return;
        prefix_[next_] = std::uint16_t(old_);
        suffix_[next_] = std::uint8_t(first_);
        length_[next_] = std::uint16_t(std::min(length_[old_] + 1, 0xFFFF));
        ++next_;
        if (next_ >= limit_ && limit_ < kTableSize) {
            limit_ *= 2;
            ++codeSize_;
        }
    }

    // The fast path. While the table is consistent, the string of every
    // code already stands in the output: an entry is the previous string
    // plus one pixel, so it is remembered by where that string was written.
    // Decoding a code copies its string from there.
    void copyString(int code, std::uint8_t* out, std::size_t pos, std::size_t total, int len)
    {
        std::uint8_t* dest = out + pos;
        if (code < clear_) {
            *dest = std::uint8_t(code);
        } else {
            // Code not yet in the table (only the next free one is valid):
            // the previous string followed by its own first pixel.
            const bool repeat = code >= next_;
            const std::uint8_t* src = out + (repeat ? oldPos_ : offset_[code]);
            const int n = repeat ? len - 1 : len;
            if (n <= 16 && total - pos >= 16) {
                // Whole 8-byte words; bytes past the string are rewritten later.
                std::uint64_t a, b;
                std::memcpy(&a, src, 8);
                std::memcpy(dest, &a, 8);
                std::memcpy(&b, src + 8, 8);
                std::memcpy(dest + 8, &b, 8);
            } else {
                std::memcpy(dest, src, std::size_t(n));
            }
            if (repeat)
                dest[n] = *src;
        }
        first_ = *dest;
        if (next_ < kTableSize) {
            prefix_[next_] = std::uint16_t(old_);
            suffix_[next_] = std::uint8_t(first_);
            length_[next_] = std::uint16_t(length_[old_] + 1);
            offset_[next_] = std::uint32_t(oldPos_);
            ++next_;
            if (next_ >= limit_ && limit_ < kTableSize) {
                limit_ *= 2;
                ++codeSize_;
            }
        }
        old_ = code;
        oldPos_ = pos;
        sane_ = old_ < next_;
    }

    // The exact walk for any table: pushes the string on a bounded stack
    // (last pixel first); returns its length.
    int expandToStack(int code)
    {
        int top = 0;
        int c = code;
        if (c >= next_) {
            stack_[top++] = std::uint8_t(first_);
            c = old_;
        }
        while (c >= clear_) {
            if (top >= kStackSize)
                throw GIFException(msg::DecoderStackOverflow);
            stack_[top++] = suffix_[c];
            if (prefix_[c] == c)
                throw GIFException(msg::CircularTableEntry);
            c = prefix_[c];
        }
        if (top >= kStackSize)
            throw GIFException(msg::DecoderStackOverflow);
        first_ = suffix_[c];
        stack_[top++] = std::uint8_t(first_);
        addEntry();
        old_ = code;
        sane_ = sane_ && old_ < next_;
        return top;
    }

    // After the end code: skip the remaining sub-blocks up to the
    // terminator, unless the terminator has already been read.
    void skipRest()
    {
        finished_ = true;
        if (lastBlock_)
            return;
        in_.skip(blockLeft_);
        blockLeft_ = 0;
        for (;;) {
            const int len = in_.tryByte();
            if (len <= 0)
                return;
            in_.skip(std::size_t(len));
        }
    }

    ByteReader& in_;
    const DecodeWarning& warn_;
    int minCodeSize_, clear_, end_, codeSize_, limit_, next_;
    int first_ = 0, old_ = 0;
    int pending_ = 0;
    bool sane_ = true;
    bool finished_ = false;
    // Bits not yet used, and bytes left in the current sub-block.
    std::uint64_t acc_ = 0;
    int accBits_ = 0;
    std::size_t blockLeft_ = 0;
    bool lastBlock_ = false, freshStart_ = true;
    std::uint16_t prefix_[kTableSize];
    std::uint8_t suffix_[kTableSize];
    std::uint16_t length_[kTableSize];
    std::uint32_t offset_[kTableSize];  // where an entry's string was written
    std::size_t oldPos_ = 0;            // where the previous string was written
    std::uint8_t stack_[kStackSize];
    std::uint8_t background_;
};

} // namespace

void DecodeImageData(ByteReader& in, std::span<std::uint8_t> pixels, int width, int height,
                     bool interlaced, std::uint8_t fill, const DecodeWarning& warn)
{
    std::fill(pixels.begin(), pixels.end(), fill);
    const int minCodeSize = in.tryByte();
    if (minCodeSize < 0)
        return;
    if (minCodeSize > 11)
        throw GIFException(msg::InvalidCodeSize);
    if (width <= 0 || height <= 0) {
        // Nothing to fill: step over the data sub-blocks.
        for (int len = in.tryByte(); len > 0; len = in.tryByte())
            in.skip(std::size_t(len));
        return;
    }
    auto decoder = std::make_unique<LzwDecoder>(in, minCodeSize, fill, warn);
    const std::size_t total = std::size_t(width) * std::size_t(height);
    if (!interlaced) {
        decoder->fill(pixels.data(), total);
        decoder->drain();
        return;
    }
    // Interlaced rows arrive pass by pass; decode in that order, then place
    // every row where it belongs.
    std::vector<std::uint8_t> stored(total, fill);
    decoder->fill(stored.data(), total);
    decoder->drain();
    const std::vector<int> rows = storedRowOrder(height, true);
    for (std::size_t k = 0; k < rows.size(); ++k)
        std::memcpy(pixels.data() + std::size_t(rows[k]) * std::size_t(width),
                    stored.data() + k * std::size_t(width), std::size_t(width));
}

} // namespace orugif::gif
