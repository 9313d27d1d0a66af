// A bounds-checked read cursor over a file held in memory. Every read says
// whether the bytes were there; nothing is ever read past the end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace orugif::formats {

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t pos() const { return pos_; }
    std::size_t size() const { return data_.size(); }
    std::size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }
    const std::uint8_t* here() const { return data_.data() + pos_; }

    bool skip(std::size_t n)
    {
        if (n > remaining())
            return false;
        pos_ += n;
        return true;
    }
    bool seek(std::size_t p)
    {
        if (p > data_.size())
            return false;
        pos_ = p;
        return true;
    }
    bool bytes(std::span<const std::uint8_t>& out, std::size_t n)
    {
        if (n > remaining())
            return false;
        out = data_.subspan(pos_, n);
        pos_ += n;
        return true;
    }
    bool u8(std::uint8_t& v)
    {
        if (remaining() < 1)
            return false;
        v = data_[pos_++];
        return true;
    }
    bool u16le(std::uint16_t& v)
    {
        if (remaining() < 2)
            return false;
        v = std::uint16_t(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return true;
    }
    bool u32le(std::uint32_t& v)
    {
        if (remaining() < 4)
            return false;
        v = std::uint32_t(data_[pos_]) | std::uint32_t(data_[pos_ + 1]) << 8
            | std::uint32_t(data_[pos_ + 2]) << 16 | std::uint32_t(data_[pos_ + 3]) << 24;
        pos_ += 4;
        return true;
    }
    bool u32be(std::uint32_t& v)
    {
        if (remaining() < 4)
            return false;
        v = std::uint32_t(data_[pos_]) << 24 | std::uint32_t(data_[pos_ + 1]) << 16
            | std::uint32_t(data_[pos_ + 2]) << 8 | std::uint32_t(data_[pos_ + 3]);
        pos_ += 4;
        return true;
    }
    bool i16le(std::int16_t& v)
    {
        std::uint16_t u;
        if (!u16le(u))
            return false;
        v = std::int16_t(u);
        return true;
    }
    bool i32le(std::int32_t& v)
    {
        std::uint32_t u;
        if (!u32le(u))
            return false;
        v = std::int32_t(u);
        return true;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

inline std::span<const std::uint8_t> byteSpan(const char* data, std::size_t size)
{
    return {reinterpret_cast<const std::uint8_t*>(data), size};
}

} // namespace orugif::formats
