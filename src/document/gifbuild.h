// Building a GIF image model from frames: one sub-image a frame with the
// loop count on the first and the delay (and transparent colour) on each,
// disposals that make the file play exactly the frames, then the optional
// colour-table and frame optimisations.
#pragma once
#include "common/colour.h"

#include <QByteArray>
#include <QImage>
#include <functional>
#include <optional>
#include <vector>

namespace orugif {

namespace gif {
class TGIFImage;
}

struct AnimationSettings {
    int RepeatCount = 0;
    int FrameDelay = 30;
    bool TransparentBackground = false;
    bool RemoveLocalPalettes = false;
    bool MergeDuplicatePixels = false;
    bool RemoveUselessFrames = false;
    // False for an animation opened from a file without a loop extension
    // whose repeat count was left alone: it plays once and is saved so.
    bool loopExtension = true;
    // The colour that stands for the page in the frames of an opened file
    // with transparent areas; with the transparent background it, and not
    // each frame's bottom-left colour, is written transparent.
    std::optional<Colour> transparentColour;
    // Each frame's own delay; a negative entry, or a frame past the end,
    // takes FrameDelay.
    std::vector<int> frameDelays;
    // The colour reduction of every frame: 10 (gif::kAutomaticReduction)
    // each frame's own colours when they fit in one colour table, else the
    // 216-colour cube; 6 the 216-colour cube, 7 at most 2^ReductionBits
    // colours chosen from each frame (from all frames together with
    // RemoveLocalPalettes), 5 255 grey levels, 3 four greys, 4 black and
    // white; and the dithering (0 none, 1 to 6 error diffusion), which the
    // cube and the chosen palettes use.
    int ColorReduction = 6;
    int ReductionBits = 8;
    int DitherMode = 0;
    // Frames of a video at full colour: on the cube with Floyd-Steinberg
    // each frame is dithered alone, without holding still pixels to the
    // previous frame's indices, which is what importing a video always
    // showed and saved.
    bool videoFrames = false;
    // Comment and application extensions (the loop extension aside) of the
    // file the animation was opened from, each as a file holds it
    // (introducer, label, data sub-blocks): written again at the start of
    // the file, after the loop extension.
    std::vector<QByteArray> keptBlocks;
    // Lossy LZW coding (0 off, up to kMaxLossy): the largest difference of
    // one channel a written pixel may have from the reduced frame's colour.
    int LossyTolerance = 0;
    static constexpr int kMaxLossy = 200;

    int delayOf(int frame) const
    {
        const bool own = frame >= 0 && std::size_t(frame) < frameDelays.size() && frameDelays[std::size_t(frame)] >= 0;
        return own ? frameDelays[std::size_t(frame)] : FrameDelay;
    }
};

// Empties `image` and adds every frame; `progress` hears (index, count)
// before each frame and (count, count) once all are in.
void addFrames(gif::TGIFImage& image, const std::vector<QImage>& frames, const AnimationSettings& settings,
               const std::function<void(int, int)>& progress = {});

// The loop count of an opened file: that of its first loop extension,
// wherever it stands (a late one is honoured); -1 when there is none.
int loopCountOf(const gif::TGIFImage& image);

// The comment and application extensions (the loop extension aside) of an
// opened file, in file order, as AnimationSettings::keptBlocks holds them.
std::vector<QByteArray> keptBlocksOf(const gif::TGIFImage& image);

// The chosen optimisations: one global table of the used colours, then the
// merge of repeated pixels and the crop of frames.
void optimise(gif::TGIFImage& image, const AnimationSettings& settings);

} // namespace orugif
