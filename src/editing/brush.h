// The brush tool's stroke segments.
#pragma once
#include <QImage>
#include <QPoint>

namespace orugif::editing {

// Draws a one-pixel line from `from` to `to`: the start pixel is painted, the
// end pixel is not (it is painted as the start of the next segment), so a
// segment from a point to itself paints nothing. Pixels outside the picture
// are clipped. The picture must be Format_RGB32 or Format_ARGB32.
void drawSegment(QImage& image, QPoint from, QPoint to, QRgb colour);

} // namespace orugif::editing
