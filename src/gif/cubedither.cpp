// Floyd-Steinberg dithering to the 216-colour cube, several frames at once.
//
// The error of each pixel feeds the next one, so one frame is a single chain
// of dependent steps and the processor waits on it. Frames of one size are
// independent: here the lanes of one vector hold the same pixel of four
// frames (blue, green, red and the unused fourth byte), and two vectors run
// side by side, so one pass over the rows dithers eight frames with the exact
// arithmetic of the one-frame engine (serpentine rows, error sums rounded
// and divided by 16 toward zero, clamping to 0..255, levels (v + 3) div 51).
// The kernel is built twice, for every x86-64 (or other) processor and for
// AVX2, and the copy the processor runs best is chosen once.
#include "gif/cubedither.h"

#include "gif/colorreduction.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ORUGIF_DITHER_AVX2 1
#endif

// Every function of the kernel taking or returning a vector is inlined into
// its caller, so no vector crosses a call and the ABI note does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace orugif::gif {

namespace portable {
#include "gif/cubedither_kernel.inc"
}

#ifdef ORUGIF_DITHER_AVX2
#pragma GCC push_options
#pragma GCC target("avx2")
#define ORUGIF_KERNEL_AVX2 1
namespace avx2 {
#include "gif/cubedither_kernel.inc"
}
#undef ORUGIF_KERNEL_AVX2
#pragma GCC pop_options
#endif

namespace {

constexpr int kBatch = 8;  // the frames one call of the kernel dithers together

using BatchFunction = void (*)(QImage* const*, int, int, int);

BatchFunction chosen()
{
#ifdef ORUGIF_DITHER_AVX2
    if (__builtin_cpu_supports("avx2"))
        return avx2::dither;
#endif
    return portable::dither;
}

void ditherInPlace(std::vector<QImage>& frames, BatchFunction dither)
{
    for (QImage& frame : frames) {
        if (frame.isNull())
            continue;
        // The colours are read from the B, G, R bytes as they stand, alpha
        // or not; every result is opaque.
        if (frame.format() == QImage::Format_ARGB32)
            frame.reinterpretAsFormat(QImage::Format_RGB32);
        else if (frame.format() != QImage::Format_RGB32)
            frame = frame.convertToFormat(QImage::Format_RGB32);
        if (frame.isNull() || frame.bits() == nullptr)  // bits(): a shared picture gets its own pixels
            throw std::bad_alloc();
    }
    // Frames of one size go together, up to kBatch at a time.
    std::vector<bool> done(frames.size(), false);
    for (std::size_t first = 0; first < frames.size(); ++first) {
        if (done[first])
            continue;
        QImage* batch[kBatch];
        int count = 0;
        for (std::size_t i = first; i < frames.size() && count < kBatch; ++i)
            if (!done[i] && frames[i].size() == frames[first].size()) {
                batch[count++] = &frames[i];
                done[i] = true;
            }
        dither(batch, count, frames[first].width(), frames[first].height());
    }
}

} // namespace

void DitherToCubeInPlace(std::vector<QImage>& frames)
{
    static const BatchFunction best = chosen();
    ditherInPlace(frames, best);
}

void DitherToCubeInPlaceWithoutAvx2(std::vector<QImage>& frames) { ditherInPlace(frames, portable::dither); }

} // namespace orugif::gif
