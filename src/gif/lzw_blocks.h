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

// The minimum code size for indices up to highest: at least 2.
inline int codeSizeFor(int highest)
{
    int bits = 2;
    while ((1 << bits) <= highest)
        ++bits;
    return bits;
}

} // namespace orugif::gif
