// Limits shared by every reader and by the clipboard: pictures larger than
// these are refused before anything is allocated.
#pragma once
#include <cstdint>

namespace orugif {

// Largest side of a picture the editor accepts from a file or the clipboard.
constexpr int kMaxPictureSide = 16384;
// Largest pixel count of one picture (2^28, 1 GiB at 32 bits a pixel).
constexpr std::int64_t kMaxPicturePixels = std::int64_t(1) << 28;

// True when width x height is a picture size the editor may allocate.
constexpr bool pictureSizeAllowed(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxPictureSide && height <= kMaxPictureSide
        && width * height <= kMaxPicturePixels;
}

} // namespace orugif

namespace orugif {

// Largest total pixel count of all the frames of one animation (8 GiB of
// frames) on any machine.
constexpr std::int64_t kMaxAnimationPixels = std::int64_t(1) << 31;

// Largest total pixel count of all the frames of one animation on this
// machine: kMaxAnimationPixels, or fewer when the frames (4 bytes a pixel)
// would fill more than half of the physical memory (or of the address space
// the process is allowed). Opening, saving and the
// operations that build frames refuse more before allocating.
std::int64_t animationPixelLimit();

// The physical memory of the machine in bytes, or the process's address
// space limit when that is smaller (0 when unknown).
std::int64_t physicalMemoryBytes();

} // namespace orugif
