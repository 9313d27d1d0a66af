// Work on numbered items spread over the cores, the results used in order on
// the calling thread: the frames of a GIF are coded side by side and
// written one after the other.
#pragma once

#include "gif/bytestream.h"

#include <functional>

namespace orugif::gif {

// Calls code(i, writer) for every i from 0 to count - 1, and put(i, writer)
// with each result in the order of i, on the calling thread. The other
// cores code at most `ahead` items beyond the one being put; the calling
// thread codes an item itself when no other thread has started it (one
// core alone does all the work in order), and a later one while it waits. An exception from code or put is
// raised here once every thread has stopped; no put follows it.
void CodeInOrder(int count, const std::function<void(int, ByteWriter&)>& code,
                 const std::function<void(int, const ByteWriter&)>& put, int ahead = 8);

} // namespace orugif::gif
