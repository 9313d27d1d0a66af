// The fill tool's surface fill: exact colour match, four neighbours.
#pragma once
#include <QImage>

namespace orugif::editing {

// Gives `colour` to every pixel of the area connected to (x, y) through its
// four neighbours whose colour equals the colour at (x, y) exactly. The area
// ends at pixels of any other colour and at the picture's edges. A point
// outside the picture changes nothing. The picture is made Format_RGB32.
void floodFill(QImage& image, int x, int y, QRgb colour);

} // namespace orugif::editing
