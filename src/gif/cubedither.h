// Floyd-Steinberg dithering to the 216-colour cube of many frames at once
// (the import of video frames).
#pragma once

#include <QImage>
#include <vector>

namespace orugif::gif {

// Replaces each frame by what DitherToCubeRgb gives for it (a 32-bit
// picture); frames of one size are dithered together, several times faster
// than one by one. A frame whose pixels are shared gets its own copy first;
// one held alone is dithered without a copy. Throws std::bad_alloc when a
// copy cannot be made.
void DitherToCubeInPlace(std::vector<QImage>& frames);

// The same on any processor, without AVX2 instructions (what processors
// without AVX2 run; tests compare both).
void DitherToCubeInPlaceWithoutAvx2(std::vector<QImage>& frames);

} // namespace orugif::gif
