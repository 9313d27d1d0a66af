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
    if (turn == Turn::Half) {
        for (int y = 0; y < n; ++y)
            std::reverse_copy(row(source, n - 1 - y), row(source, n - 1 - y) + n, row(result, y));
        return result;
    }
    // A quarter turn reads the source by columns: done in square tiles that
    // fit the cache, so each source row fetched serves a whole tile.
    constexpr int kTile = 64;
    const qsizetype in = source.bytesPerLine() / qsizetype(sizeof(QRgb));
    const QRgb* src = row(source, 0);
    for (int ty = 0; ty < n; ty += kTile)
        for (int tx = 0; tx < n; tx += kTile) {
            const int yEnd = std::min(ty + kTile, n), xEnd = std::min(tx + kTile, n);
            for (int y = ty; y < yEnd; ++y) {
                QRgb* out = row(result, y);
                if (turn == Turn::Left) {  // T(x, y) = P(N - 1 - y, x): column N-1-y of the source, top down
                    const QRgb* column = src + (n - 1 - y);
                    for (int x = tx; x < xEnd; ++x)
                        out[x] = column[qsizetype(x) * in];
                } else {  // T(x, y) = P(y, N - 1 - x)
                    const QRgb* column = src + y;
                    for (int x = tx; x < xEnd; ++x)
                        out[x] = column[qsizetype(n - 1 - x) * in];
                }
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
