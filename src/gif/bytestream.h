// Bounds-checked byte cursor over a file held in memory, and the growing
// byte buffer the writer builds a file in. Every read checks what remains.
#pragma once
#include "gif/gifexception.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace orugif::gif {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t position() const { return pos_; }
    std::size_t size() const { return data_.size(); }
    std::size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }

    // Moves to an absolute position, clamped to the end.
    void seek(std::size_t pos) { pos_ = pos < data_.size() ? pos : data_.size(); }
    // Moves forward by exactly count bytes, or raises "Premature end of data".
    void skipExact(std::size_t count)
    {
        need(count);
        pos_ += count;
    }
    // Moves forward by up to count bytes; stops at the end.
    void skip(std::size_t count) { pos_ += count < remaining() ? count : remaining(); }

    // The unread bytes start here (valid for remaining() bytes).
    const std::uint8_t* here() const { return data_.data() + pos_; }

    // The next byte, or -1 at the end; peek leaves the position alone.
    int peek() const { return pos_ < data_.size() ? data_[pos_] : -1; }
    int tryByte() { return pos_ < data_.size() ? data_[pos_++] : -1; }

    // Fixed-size reads: fewer bytes than asked is "Premature end of data".
    std::uint8_t byte()
    {
        need(1);
        return data_[pos_++];
    }
    std::uint16_t word()
    {
        need(2);
        const std::uint16_t v = std::uint16_t(data_[pos_] | data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    std::uint32_t dword()
    {
        need(4);
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i)
            v = v << 8 | data_[pos_ + i];
        pos_ += 4;
        return v;
    }
    void read(void* dest, std::size_t count)
    {
        need(count);
        if (count)
            std::memcpy(dest, data_.data() + pos_, count);
        pos_ += count;
    }
    // Reads up to count bytes; returns how many were there.
    std::size_t readSome(void* dest, std::size_t count)
    {
        const std::size_t n = count < remaining() ? count : remaining();
        if (n)
            std::memcpy(dest, data_.data() + pos_, n);
        pos_ += n;
        return n;
    }

private:
    void need(std::size_t count) const
    {
        if (count > remaining())
            throw GIFException(msg::PrematureEnd);
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
};

class ByteWriter {
public:
    void byte(std::uint8_t v) { data_.push_back(v); }
    void word(std::uint16_t v)
    {
        data_.push_back(std::uint8_t(v));
        data_.push_back(std::uint8_t(v >> 8));
    }
    void dword(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            data_.push_back(std::uint8_t(v >> (8 * i)));
    }
    void write(const void* src, std::size_t count)
    {
        const auto* p = static_cast<const std::uint8_t*>(src);
        data_.insert(data_.end(), p, p + count);
    }
    std::vector<std::uint8_t>& data() { return data_; }
    const std::vector<std::uint8_t>& data() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
};

} // namespace orugif::gif
