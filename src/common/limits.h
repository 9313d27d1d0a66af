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
// frames): operations that would build more refuse before allocating.
constexpr std::int64_t kMaxAnimationPixels = std::int64_t(1) << 31;

} // namespace orugif
