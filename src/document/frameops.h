// The frame strip's operations on a selection of frames, as plain index and
// delay arithmetic: which frame goes where, which are kept, how long each
// lasts. TChild applies the results to its frame store as one step.
#pragma once
#include <vector>

namespace orugif::frameops {

// A selection made valid: indexes inside 0..count-1, in order, each once.
std::vector<int> normalised(std::vector<int> selection, int count);

// The result of an operation: the old index of each new frame, in the new
// order, with its delay, and the new indexes of the frames it leaves selected.
struct Plan {
    std::vector<int> order;
    std::vector<int> delays;
    std::vector<int> selection;
};

// The selected frames taken out and put back together before the frame
// that stood at `target` (0..count; count puts them at the end), keeping
// their order.
Plan moved(const std::vector<int>& delays, const std::vector<int>& selection, int target);

// The frames left after the selected ones are deleted.
Plan deleted(const std::vector<int>& delays, const std::vector<int>& selection);

// Copies of the selected frames, in order, right after the last selected
// frame; the copies become the selection.
Plan duplicated(const std::vector<int>& delays, const std::vector<int>& selection);

// The selected frames in the reverse order in their own places; with fewer
// than two selected, every frame.
Plan reversed(const std::vector<int>& delays, const std::vector<int>& selection);

// Every selected frame lasts `delay`.
Plan withDelay(const std::vector<int>& delays, const std::vector<int>& selection, int delay);

// The selection played at `percent` of its speed (200 twice as fast): each
// selected frame's delay is the difference of the rounded running times, so
// the selection's total is its old total scaled, rounded once. Delays stay
// in 0..65535.
Plan atSpeed(const std::vector<int>& delays, const std::vector<int>& selection, int percent);

// Every n-th selected frame (the n-th, the 2n-th, ...) deleted, its delay
// added to the frame shown before it so the total time stays. n is at least 2.
Plan everyNthDropped(const std::vector<int>& delays, const std::vector<int>& selection, int n);

// The largest delay a GIF frame can carry, in hundredths of a second.
constexpr int kMaxDelay = 0xFFFF;

} // namespace orugif::frameops
