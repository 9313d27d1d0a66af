// Placing an imported picture on a frame: the picture's alpha (PNG alpha,
// tRNS, a metafile's undrawn background) lets the frame show through.
#pragma once
#include <QImage>

namespace orugif::formats {

// Draws picture onto frame (Format_RGB32) with its top-left corner at (x, y),
// cut at the frame's edges. Each pixel is blended with the frame pixel under
// it: out = round((c * a + f * (255 - a)) / 255) for every channel.
void drawPicture(QImage& frame, const QImage& picture, int x, int y);

} // namespace orugif::formats
