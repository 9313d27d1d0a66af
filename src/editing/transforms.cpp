#include "editing/transforms.h"

#include <algorithm>
#include <cstring>

namespace orugif::editing {

namespace {

QImage rgb32(const QImage& picture)
{
    return picture.format() == QImage::Format_RGB32 ? picture : picture.convertToFormat(QImage::Format_RGB32);
}

const QRgb* row(const QImage& image, int y) { return reinterpret_cast<const QRgb*>(image.constScanLine(y)); }
QRgb* row(QImage& image, int y) { return reinterpret_cast<QRgb*>(image.scanLine(y)); }

} // namespace

QImage mirrorTopBottom(const QImage& picture)
{
    const QImage source = rgb32(picture);
    QImage result(source.size(), QImage::Format_RGB32);
    const int h = source.height();
    const std::size_t bytes = std::size_t(source.width()) * sizeof(QRgb);
    for (int y = 0; y < h; ++y)
        std::memcpy(row(result, y), row(source, h - 1 - y), bytes);
    return result;
}

QImage mirrorLeftRight(const QImage& picture)
{
    const QImage source = rgb32(picture);
    QImage result(source.size(), QImage::Format_RGB32);
    const int w = source.width();
    for (int y = 0; y < source.height(); ++y)
        std::reverse_copy(row(source, y), row(source, y) + w, row(result, y));
    return result;
}

QImage rotateSquare(const QImage& picture, Turn turn)
{
    const QImage source = rgb32(picture);
    const int n = source.width();
    QImage result(n, n, QImage::Format_RGB32);
    for (int y = 0; y < n; ++y) {
        QRgb* out = row(result, y);
        switch (turn) {
        case Turn::Left:  // T(x, y) = P(N - 1 - y, x): column N-1-y of the source, top down
            for (int x = 0; x < n; ++x)
                out[x] = row(source, x)[n - 1 - y];
            break;
        case Turn::Right:  // T(x, y) = P(y, N - 1 - x)
            for (int x = 0; x < n; ++x)
                out[x] = row(source, n - 1 - x)[y];
            break;
        case Turn::Half:
            std::reverse_copy(row(source, n - 1 - y), row(source, n - 1 - y) + n, out);
            break;
        }
    }
    return result;
}

QImage shifted(const QImage& picture, int dx, int dy)
{
    const QImage source = rgb32(picture);
    const int w = source.width();
    const int h = source.height();
    QImage result(source.size(), QImage::Format_RGB32);
    result.fill(Qt::white);
    const int x0 = std::clamp(dx, 0, w);
    const int x1 = std::clamp(w + dx, 0, w);
    for (int y = std::max(dy, 0); y < std::min(h + dy, h); ++y)
        if (x1 > x0)
            std::memcpy(row(result, y) + x0, row(source, y - dy) + (x0 - dx), std::size_t(x1 - x0) * sizeof(QRgb));
    return result;
}

QImage stretched(const QImage& picture, QSize size)
{
    return rgb32(picture).scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace orugif::editing
