// The thumbnail view's rules ("Parcourir"): twelve slots a page, how the
// pages move, which frame a double-click chooses, and how a frame is fitted
// into its slot.
#pragma once
#include <QRect>
#include <QSize>

namespace orugif::tools {

class ThumbnailPages {
public:
    static constexpr int kSlots = 12;

    explicit ThumbnailPages(int frameCount) : count_(frameCount) {}

    int first() const { return first_; }
    int selected() const { return selected_; }
    // The frame shown in slot 0..11, or -1 for an empty slot.
    int frameInSlot(int slot) const;

    void firstPage() { first_ = 0; }
    void previous();  // twelve back, not before the first frame
    void next();      // twelve on, the last page showing the last twelve frames
    void lastPage();
    // A double-click on `slot`: chooses its frame; false (and nothing
    // chosen) for an empty slot.
    bool select(int slot);

private:
    int count_;
    int first_ = 0;
    int selected_ = -1;
};

// Where a picture of `size` shows in its 160 x 130 slot: the control's
// rectangle inside the slot, and whether the picture is stretched to it
// (otherwise it is centred at its own size and cut).
struct SlotFit {
    QRect control;
    bool stretched = false;
};
SlotFit Echelle(QSize picture);

} // namespace orugif::tools
