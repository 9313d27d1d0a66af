#include "editing/brush.h"

#include <cstdlib>

namespace orugif::editing {

void drawSegment(QImage& image, QPoint from, QPoint to, QRgb colour)
{
    if (image.isNull())
        return;
    const QRgb pen = colour | 0xff000000u;
    const int width = image.width();
    const int height = image.height();

    // Bresenham's walk along the major axis; every step but the last paints.
    int x = from.x();
    int y = from.y();
    const int dx = std::abs(to.x() - x);
    const int dy = -std::abs(to.y() - y);
    const int sx = x < to.x() ? 1 : -1;
    const int sy = y < to.y() ? 1 : -1;
    int error = dx + dy;
    while (x != to.x() || y != to.y()) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            reinterpret_cast<QRgb*>(image.scanLine(y))[x] = pen;
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y += sy;
        }
    }
}

} // namespace orugif::editing
