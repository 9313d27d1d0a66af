// Exact alpha blending of an imported picture onto a frame, row by row.
#include "formats/picture.h"

#include <algorithm>

namespace orugif::formats {

void drawPicture(QImage& frame, const QImage& picture, int x, int y)
{
    if (frame.isNull() || picture.isNull())
        return;
    if (frame.format() != QImage::Format_RGB32)
        frame = frame.convertToFormat(QImage::Format_RGB32);
    const QImage src = picture.format() == QImage::Format_ARGB32 || picture.format() == QImage::Format_RGB32
        ? picture
        : picture.convertToFormat(picture.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const bool opaque = src.format() == QImage::Format_RGB32;

    const int x0 = std::max(0, x), y0 = std::max(0, y);
    const int x1 = std::min(frame.width(), x + src.width());
    const int y1 = std::min(frame.height(), y + src.height());
    for (int ty = y0; ty < y1; ++ty) {
        const auto* in = reinterpret_cast<const QRgb*>(src.constScanLine(ty - y)) + (x0 - x);
        auto* out = reinterpret_cast<QRgb*>(frame.scanLine(ty)) + x0;
        const int n = x1 - x0;
        if (opaque) {
            std::copy(in, in + n, out);
            continue;
        }
        for (int i = 0; i < n; ++i) {
            const QRgb c = in[i];
            const unsigned a = qAlpha(c);
            if (a == 255) {
                out[i] = c;
            } else if (a != 0) {
                const QRgb f = out[i];
                const auto mix = [a](unsigned s, unsigned d) { return (s * a + d * (255 - a) + 127) / 255; };
                out[i] = qRgb(int(mix(qRed(c), qRed(f))), int(mix(qGreen(c), qGreen(f))), int(mix(qBlue(c), qBlue(f))));
            }
        }
    }
}

} // namespace orugif::formats
