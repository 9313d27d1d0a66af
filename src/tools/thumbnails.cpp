#include "tools/thumbnails.h"

#include <algorithm>
#include <cmath>

namespace orugif::tools {

int ThumbnailPages::frameInSlot(int slot) const
{
    const int frame = first_ + slot;
    return slot >= 0 && slot < kSlots && frame < count_ ? frame : -1;
}

void ThumbnailPages::previous() { first_ = std::max(first_ - kSlots, 0); }

void ThumbnailPages::next() { first_ = std::max(std::min(first_ + kSlots, count_ - kSlots), 0); }

void ThumbnailPages::lastPage() { first_ = std::max(count_ - kSlots, 0); }

bool ThumbnailPages::select(int slot)
{
    const int frame = frameInSlot(slot);
    if (frame < 0)
        return false;
    selected_ = frame;
    return true;
}

SlotFit Echelle(QSize picture)
{
    // The slot is 160 x 130; its label takes the bottom 16 pixels.
    constexpr int panelWidth = 160, panelHeight = 130, label = 16;
    SlotFit fit{QRect(1, 1, panelWidth - 2, panelHeight - label), false};
    const int pw = picture.width(), ph = picture.height();
    if (ph > fit.control.height() && pw > fit.control.width()) {
        const double r = double(ph) / pw;
        fit.stretched = true;
        // Rounded halves go to the even neighbour.
        if (r >= 1) {
            fit.control.setWidth(int(std::nearbyint(panelWidth / r)));
            fit.control.moveLeft((panelWidth - fit.control.width()) / 2);
        } else {
            fit.control.setHeight(int(std::nearbyint(r * panelHeight)));
            fit.control.moveTop((panelHeight - label - fit.control.height()) / 2);
        }
    }
    return fit;
}

} // namespace orugif::tools
