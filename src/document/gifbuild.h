// Building a GIF image model from frames: one sub-image a frame with the
// loop count on the first and the delay (and transparent corner colour) on
// each, then the optional colour-table and frame optimisations.
#pragma once
#include <QImage>
#include <functional>
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
};

// Empties `image` and adds every frame; `progress` hears (index, count)
// before each frame and (count, count) once all are in.
void addFrames(gif::TGIFImage& image, const std::vector<QImage>& frames, const AnimationSettings& settings,
               const std::function<void(int, int)>& progress = {});

// The chosen optimisations: one global table of the used colours, then the
// merge of repeated pixels and the crop of frames.
void optimise(gif::TGIFImage& image, const AnimationSettings& settings);

} // namespace orugif
