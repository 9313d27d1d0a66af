#include "document/view/zoom.h"

#include <QLocale>
#include <algorithm>
#include <array>
#include <cmath>

namespace orugif::zoom {

namespace {

constexpr std::array kLevels{0.125, 0.25, 0.5, 1.0, 2.0, 3.0, 4.0, 6.0, 8.0, 12.0, 16.0, 24.0, 32.0};

// Scales closer than this are the same level (a fitted scale may sit a hair
// below or above one).
constexpr double kSame = 1e-9;

} // namespace

std::span<const double> levels() { return kLevels; }

double zoomIn(double scale)
{
    for (const double level : kLevels)
        if (level > scale + kSame)
            return level;
    return kMaximum;
}

double zoomOut(double scale)
{
    for (auto it = kLevels.rbegin(); it != kLevels.rend(); ++it)
        if (*it < scale - kSame)
            return *it;
    return kMinimum;
}

double fitScale(QSize picture, QSize room)
{
    if (picture.isEmpty() || room.isEmpty())
        return kMinimum;
    double scale = std::min(double(room.width()) / picture.width(), double(room.height()) / picture.height());
    scale = std::clamp(scale, kMinimum, kMaximum);
    // Rounding up the shown size must not make it one pixel too large.
    while (scale > kMinimum && (shownLength(picture.width(), scale) > room.width()
                                || shownLength(picture.height(), scale) > room.height()))
        scale = std::max(kMinimum, std::nextafter(scale, 0.0) * (1.0 - 1e-6));
    return scale;
}

int pixelAt(int position, double scale) { return int(std::floor(double(position) / scale)); }

int shownLength(int pixels, double scale)
{
    if (pixels <= 0)
        return 0;
    return std::max(1, int(std::ceil(double(pixels) * scale - kSame)));
}

QSize shownSize(QSize picture, double scale)
{
    return QSize(shownLength(picture.width(), scale), shownLength(picture.height(), scale));
}

QString percentText(double scale)
{
    const double percent = scale * 100.0;
    const int decimals = std::abs(percent - std::round(percent)) < 0.05 ? 0 : 1;
    QLocale french(QLocale::French);
    french.setNumberOptions(QLocale::OmitGroupSeparator);
    return french.toString(percent, 'f', decimals) + QStringLiteral(" %");
}

} // namespace orugif::zoom
