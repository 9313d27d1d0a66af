// Method 7's palette: at most 2^bits colours chosen from one or more
// pictures by an octree over their colour histogram, refined by a few
// k-means passes. A picture with no more distinct colours than asked for
// gets exactly its own colours.
#pragma once
#include "gif/colormap.h"

#include <QImage>
#include <vector>

namespace orugif::gif {

// At most `colours` (1 to 256) colours for `pictures` together; empty when
// there is no pixel.
std::vector<GIFColor> QuantizePalette(const std::vector<QImage>& pictures, int colours);

// The distinct colours of `pictures` when there are at most `limit` of
// them, in order of first appearance; otherwise empty.
std::vector<GIFColor> DistinctColours(const std::vector<QImage>& pictures, int limit);

} // namespace orugif::gif
