#include "editing/fill.h"

#include <algorithm>
#include <vector>

namespace orugif::editing {

void floodFill(QImage& image, int x, int y, QRgb colour)
{
    if (image.isNull() || x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return;
    if (image.format() != QImage::Format_RGB32)
        image = image.convertToFormat(QImage::Format_RGB32);

    const QRgb fill = colour | 0xff000000u;
    const QRgb target = image.pixel(x, y);
    if (target == fill)
        return;  // nothing would change, and the loop below would never end

    const int width = image.width();
    const int height = image.height();
    const auto row = [&](int yy) { return reinterpret_cast<QRgb*>(image.scanLine(yy)); };

    // Span fill: each seed grows into the whole run of target pixels around
    // it; the rows above and below that run get one seed per run of their own.
    std::vector<QPoint> seeds{{x, y}};
    while (!seeds.empty()) {
        const QPoint seed = seeds.back();
        seeds.pop_back();
        QRgb* line = row(seed.y());
        if (line[seed.x()] != target)
            continue;
        int left = seed.x();
        while (left > 0 && line[left - 1] == target)
            --left;
        int right = seed.x();
        while (right + 1 < width && line[right + 1] == target)
            ++right;
        std::fill(line + left, line + right + 1, fill);

        for (const int ny : {seed.y() - 1, seed.y() + 1}) {
            if (ny < 0 || ny >= height)
                continue;
            const QRgb* next = row(ny);
            int i = left;
            while (i <= right) {
                if (next[i] != target) {
                    ++i;
                    continue;
                }
                seeds.push_back({i, ny});
                while (i <= right && next[i] == target)
                    ++i;
            }
        }
    }
}

} // namespace orugif::editing
