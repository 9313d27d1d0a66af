// The data sub-blocks of a GIF image: the LZW coders gather their bytes
// here, 255 at a time, each block after its length byte.
#pragma once
#include <cstdint>
#include <vector>

namespace orugif::gif {

// Packs bytes into data sub-blocks of at most 255 bytes, each after its
// length byte; a block is gathered here and appended whole.
class BlockSink {
public:
    explicit BlockSink(std::vector<std::uint8_t>& out) : out_(out) {}
    void put(std::uint8_t b)
    {
        block_[++count_] = b;
        if (count_ == 255)
            flush();
    }
    void finish()
    {
        if (count_ > 0)
            flush();
    }

private:
    void flush()
    {
        block_[0] = std::uint8_t(count_);
        out_.insert(out_.end(), block_, block_ + 1 + count_);
        count_ = 0;
    }
    std::vector<std::uint8_t>& out_;
    std::uint8_t block_[256];
    int count_ = 0;
};

// The codes of an LZW stream, least significant bit first, into data
// sub-blocks; the code width starts one above the code size and grows, up
// to 12 bits, once the next free code no longer fits. Both coders (exact
// and lossy) write through it, so their streams differ only in the codes
// chosen.
class CodeWriter {
public:
    CodeWriter(std::vector<std::uint8_t>& out, int codeSize)
        : sink_(out), initWidth_(codeSize + 1), width_(codeSize + 1), largest_((1 << (codeSize + 1)) - 1),
          clear_(1 << codeSize), end_((1 << codeSize) + 1)
    {
    }
    int clearCode() const { return clear_; }
    // The first code a string may take after a clear code.
    int firstFree() const { return clear_ + 2; }

    void put(int code)
    {
        acc_ |= std::uint64_t(code) << bits_;
        bits_ += width_;
        while (bits_ >= 8) {
            sink_.put(std::uint8_t(acc_));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    // A string's code, with `nextFree` the code the table gives next.
    void putString(int code, int nextFree)
    {
        put(code);
        if (nextFree > largest_ && width_ < 12) {
            ++width_;
            largest_ = width_ == 12 ? 4096 : (1 << width_) - 1;
        }
    }
    // The clear code; the width starts again.
    void restart()
    {
        put(clear_);
        width_ = initWidth_;
        largest_ = (1 << width_) - 1;
    }
    // The end code, the last bits, the last sub-block.
    void finish()
    {
        put(end_);
        while (bits_ > 0) {
            sink_.put(std::uint8_t(acc_));
            acc_ >>= 8;
            bits_ -= 8;
        }
        sink_.finish();
    }

private:
    BlockSink sink_;
    std::uint64_t acc_ = 0;
    int bits_ = 0;
    const int initWidth_;
    int width_, largest_;
    const int clear_, end_;
};

// The minimum code size for indices up to highest: at least 2.
inline int codeSizeFor(int highest)
{
    int bits = 2;
    while ((1 << bits) <= highest)
        ++bits;
    return bits;
}

} // namespace orugif::gif
