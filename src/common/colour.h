// The program's colour value 0x00BBGGRR (red in the low byte) and its
// conversions to Qt's QRgb (0xAARRGGBB) and QColor.
#pragma once
#include <QColor>
#include <QRgb>
#include <cstdint>

namespace orugif {

using Colour = std::int32_t;

constexpr Colour clWhite = 0x00FFFFFF;
constexpr Colour clBlack = 0x00000000;

constexpr Colour colourFromRgb(int r, int g, int b)
{
    return Colour((b & 0xff) << 16 | (g & 0xff) << 8 | (r & 0xff));
}

constexpr int colourRed(Colour c) { return c & 0xff; }
constexpr int colourGreen(Colour c) { return (c >> 8) & 0xff; }
constexpr int colourBlue(Colour c) { return (c >> 16) & 0xff; }

// Opaque QRgb for a colour; the high byte of the colour is ignored.
constexpr QRgb toQRgb(Colour c)
{
    return 0xff000000u | QRgb(colourRed(c)) << 16 | QRgb(colourGreen(c)) << 8 | QRgb(colourBlue(c));
}

constexpr Colour fromQRgb(QRgb rgb)
{
    return colourFromRgb(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

inline QColor toQColor(Colour c) { return QColor::fromRgb(toQRgb(c)); }
inline Colour fromQColor(const QColor& c) { return fromQRgb(c.rgb()); }

} // namespace orugif
