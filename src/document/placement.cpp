#include "document/placement.h"

#include "editing/resampler.h"
#include "formats/picture.h"

#include <algorithm>
#include <cmath>

namespace orugif {

QSize fittedSize(QSize picture, QSize frame)
{
    if (picture.isEmpty() || frame.isEmpty())
        return frame.expandedTo(QSize(1, 1));
    const double scale = std::min(double(frame.width()) / picture.width(), double(frame.height()) / picture.height());
    return QSize(std::clamp(int(std::lround(picture.width() * scale)), 1, frame.width()),
                 std::clamp(int(std::lround(picture.height() * scale)), 1, frame.height()));
}

QImage fittedPicture(const QImage& picture, QSize frame)
{
    if (picture.isNull())
        return {};
    // Transparent parts become white before the filter mixes them in.
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.fill(Qt::white);
    formats::drawPicture(opaque, picture, 0, 0);
    const QSize size = fittedSize(picture.size(), frame);
    if (size == picture.size())
        return opaque;
    return editing::filteredResize(opaque, size, editing::filters()[editing::kMitchell], 2.0f);
}

QImage fittedOnFrame(const QImage& picture, QSize frame)
{
    QImage result(frame, QImage::Format_RGB32);
    result.fill(Qt::white);
    const QImage scaled = fittedPicture(picture, frame);
    if (!scaled.isNull())
        formats::drawPicture(result, scaled, (frame.width() - scaled.width()) / 2,
                             (frame.height() - scaled.height()) / 2);
    return result;
}

} // namespace orugif
