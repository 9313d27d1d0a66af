// A GIF colour table: up to 256 RGB triples, red first, and the sort flag.
#pragma once
#include "gif/gifitem.h"

#include <array>
#include <cstdint>

namespace orugif::gif {

struct GIFColor {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const GIFColor&, const GIFColor&) = default;
};

class TGIFColorMap {
public:
    static constexpr int kMaxColors = 256;

    explicit TGIFColorMap(const TGIFItem* owner = nullptr) : owner_(owner) {}
    void SetOwner(const TGIFItem* owner) { owner_ = owner; }

    int Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    bool Optimized() const { return sorted_; }
    void SetOptimized(bool sorted) { sorted_ = sorted; }

    // Appends a colour and returns its index; a full table raises
    // "Color table overflow". Adding clears the sort flag.
    int Add(GIFColor c);
    // Drops the last entry (used to take back a transparent entry).
    void DeleteLast();
    void Clear();
    // Replaces the whole table.
    void Assign(const GIFColor* colors, int count);

    // Entry by index: outside the table warns "Invalid color index" and
    // gives entry 0; an empty table raises "Color table is empty".
    GIFColor Color(int index) const;
    // Direct access for indices known to be inside the table.
    const GIFColor& operator[](int index) const { return colors_[std::size_t(index)]; }
    GIFColor& operator[](int index) { return colors_[std::size_t(index)]; }
    const GIFColor* data() const { return colors_.data(); }

    // Index of the first entry equal to c, or -1.
    int IndexOf(GIFColor c) const;

    // Smallest b >= 1 with 2^b >= Count(); 0 when empty.
    int BitsPerPixel() const { return BitsFor(count_); }
    static int BitsFor(int count);

private:
    const TGIFItem* owner_;
    std::array<GIFColor, kMaxColors> colors_{};
    int count_ = 0;
    bool sorted_ = false;
};

} // namespace orugif::gif
