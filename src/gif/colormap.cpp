// Colour table operations of the GIF image model.
#include "gif/colormap.h"

#include <algorithm>

namespace orugif::gif {

int TGIFColorMap::Add(GIFColor c)
{
    if (count_ >= kMaxColors)
        throw GIFException(msg::ColorTableOverflow);
    colors_[std::size_t(count_)] = c;
    sorted_ = false;
    return count_++;
}

void TGIFColorMap::DeleteLast()
{
    if (count_ > 0)
        --count_;
}

void TGIFColorMap::Clear()
{
    count_ = 0;
    sorted_ = false;
}

void TGIFColorMap::Assign(const GIFColor* colors, int count)
{
    count = std::clamp(count, 0, kMaxColors);
    std::copy(colors, colors + count, colors_.begin());
    count_ = count;
}

GIFColor TGIFColorMap::Color(int index) const
{
    if (count_ == 0)
        throw GIFException(msg::ColorTableEmpty);
    if (index < 0 || index >= count_) {
        if (owner_)
            owner_->Warning(1, msg::InvalidColorIndex);
        return colors_[0];
    }
    return colors_[std::size_t(index)];
}

int TGIFColorMap::IndexOf(GIFColor c) const
{
    for (int i = 0; i < count_; ++i)
        if (colors_[std::size_t(i)] == c)
            return i;
    return -1;
}

int TGIFColorMap::BitsFor(int count)
{
    if (count <= 0)
        return 0;
    int bits = 1;
    while ((1 << bits) < count)
        ++bits;
    return bits;
}

} // namespace orugif::gif
