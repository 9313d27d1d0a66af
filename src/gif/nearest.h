// The palette entry nearest to a colour by squared distance, eight entries
// at a time: the search behind the optimised palette's choice and lookup.
#pragma once

#include "gif/colormap.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace orugif::gif {

// A palette's channels apart, as floats (every distance of 8-bit values is
// an exact float), padded to a multiple of 8 with entries too far to be
// chosen.
struct PaletteChannels {
    std::vector<float> reds, greens, blues;

    explicit PaletteChannels(const std::vector<GIFColor>& palette) { assign(palette); }

    void assign(const std::vector<GIFColor>& palette)
    {
        const std::size_t padded = (palette.size() + 7) / 8 * 8;
        reds.assign(padded, 1024.0f);
        greens.assign(padded, 1024.0f);
        blues.assign(padded, 1024.0f);
        for (std::size_t i = 0; i < palette.size(); ++i) {
            reds[i] = palette[i].r;
            greens[i] = palette[i].g;
            blues[i] = palette[i].b;
        }
    }

    // The index of the entry nearest to (r, g, b), the first of equals
    // winning; 0 for an empty palette. Two sets of four lanes (the width
    // of every x86-64 processor's vectors) each keep their lanes' nearest.
    int nearest(int r, int g, int b) const
    {
        using Floats = float __attribute__((vector_size(16)));
        using Ints = std::int32_t __attribute__((vector_size(16)));
        Floats best[2] = {Floats{} + INFINITY, Floats{} + INFINITY};
        Ints bestIndex[2] = {}, index[2] = {{0, 1, 2, 3}, {4, 5, 6, 7}};
        const float fr = float(r), fg = float(g), fb = float(b);
        for (std::size_t i = 0; i < reds.size(); i += 8)
            for (int half = 0; half < 2; ++half) {
                Floats vr, vg, vb;
                std::memcpy(&vr, reds.data() + i + 4 * half, sizeof vr);
                std::memcpy(&vg, greens.data() + i + 4 * half, sizeof vg);
                std::memcpy(&vb, blues.data() + i + 4 * half, sizeof vb);
                const Floats dr = vr - fr, dg = vg - fg, db = vb - fb;
                const Floats d = dr * dr + dg * dg + db * db;
                const Ints closer = d < best[half];  // strictly: each lane keeps its first
                best[half] = d < best[half] ? d : best[half];
                bestIndex[half] = (index[half] & closer) | (bestIndex[half] & ~closer);
                index[half] += 8;
            }
        float smallest = best[0][0];
        int at = bestIndex[0][0];
        for (int half = 0; half < 2; ++half)
            for (int k = 0; k < 4; ++k)
                if (best[half][k] < smallest || (best[half][k] == smallest && bestIndex[half][k] < at)) {
                    smallest = best[half][k];
                    at = bestIndex[half][k];
                }
        return at;
    }
};

} // namespace orugif::gif
