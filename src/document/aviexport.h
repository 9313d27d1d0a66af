// The frames of an AVI export, built as the GIF save builds them: the same
// colour reduction and dithering, on the one palette an AVI stream has.
#pragma once
#include "document/gifbuild.h"
#include "formats/aviwriter.h"

namespace orugif {

// `frames` reduced with the settings' reduction and dithering into indexes
// of one palette. Transparency, merging and cropping do not apply to a
// video. When the frames' own colours do not fit one table together, one
// optimised palette is chosen for all of them.
formats::AviFrames aviExportFrames(const std::vector<QImage>& frames, AnimationSettings settings,
                                   const std::function<void(int, int)>& progress = {});

} // namespace orugif
