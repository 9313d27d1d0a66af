// Colour reduction: maps true-colour pictures onto a palette of at most 256
// colours through a colour lookup, optionally spreading the error over the
// neighbours (Floyd-Steinberg), and the device-independent bitmap helpers.
#pragma once
#include "gif/colormap.h"

#include <QImage>
#include <QList>
#include <cstdint>
#include <vector>

namespace orugif::gif {

class TColorLookup {
public:
    explicit TColorLookup(int colors) : colors_(colors) {}
    virtual ~TColorLookup() = default;
    // Palette index for (r, g, b); chosen receives that entry's colour.
    virtual int Lookup(int r, int g, int b, GIFColor& chosen) = 0;
    int Colors() const { return colors_; }

private:
    int colors_;
};

// Any palette: nearest entry by |dr| + |dg| + |db|, first entry winning
// ties, cached per 5-5-5 colour key in 32768 cells.
class TFastColorLookup : public TColorLookup {
public:
    explicit TFastColorLookup(const std::vector<GIFColor>& palette);
    int Lookup(int r, int g, int b, GIFColor& chosen) override;

private:
    std::vector<GIFColor> palette_;
    std::vector<std::int16_t> cache_;
};

// The 216-colour cube: level (v + 3) div 51 per channel, index 36 r + 6 g + b.
class TNetscapeColorLookup : public TColorLookup {
public:
    TNetscapeColorLookup() : TColorLookup(216) {}
    int Lookup(int r, int g, int b, GIFColor& chosen) override;
    static int Level(int v) { return (v + 3) / 51; }
};

// 256 grey levels: Y = (77 R + 150 G + 29 B) shr 8.
class TGrayScaleLookup : public TColorLookup {
public:
    TGrayScaleLookup() : TColorLookup(256) {}
    int Lookup(int r, int g, int b, GIFColor& chosen) override;
};

// Black and white: white when 77 R + 150 G + 29 B >= 32513.
class TMonochromeLookup : public TColorLookup {
public:
    TMonochromeLookup() : TColorLookup(2) {}
    int Lookup(int r, int g, int b, GIFColor& chosen) override;
};

// Maps pixels one row at a time, alternating direction row by row.
class TDitherEngine {
public:
    TDitherEngine(int width, TColorLookup& lookup) : lookup_(lookup), width_(width) {}
    virtual ~TDitherEngine() = default;
    // Maps one pixel and moves the column by the direction.
    virtual int Dither(int r, int g, int b);
    // Reverses the direction; the column goes to the new row's start.
    virtual void NextLine();
    int Column() const { return column_; }
    int Direction() const { return direction_; }
    int Width() const { return width_; }

protected:
    TColorLookup& lookup_;
    int width_;
    int column_ = 0;
    int direction_ = 1;
};

class TFloydSteinbergDitherer : public TDitherEngine {
public:
    TFloydSteinbergDitherer(int width, TColorLookup& lookup);
    int Dither(int r, int g, int b) override;
    void NextLine() override;

private:
    // Error rows with one guard entry at each end; entry column + 1.
    std::vector<int> errors_[3];
    int running_[3] = {0, 0, 0};
    int below_[3] = {0, 0, 0};
    int belowPrev_[3] = {0, 0, 0};
};

// The target palette of a reduction method (3, 4, 5, 6 or 9); empty for a
// method this codec does not provide.
std::vector<GIFColor> ReductionPalette(int method, const std::vector<GIFColor>& given = {});

// Reduces source into colour indices (dest rows of destStride bytes) with
// the method's palette, returned in palette. False when the method or the
// dither mode (0 none, 1 Floyd-Steinberg) is not provided.
bool ReduceToIndices(const QImage& source, int method, int ditherMode, const std::vector<GIFColor>& given,
                     std::vector<GIFColor>& palette, std::uint8_t* dest, qsizetype destStride);

// A new picture: method 0 gives a 32-bit copy, the others an 8-bit picture
// with the method's palette; a null picture for what is not provided.
QImage ReduceColors(const QImage& source, int method, int ditherMode, const std::vector<GIFColor>& palette = {},
                    int reductionBits = 8);

// Sizes of the 40-byte bitmap information block with its palette (2^bits
// entries of 4 bytes for 1, 4 and 8 bits) and of the pixel data (rows
// padded to 4 bytes, bottom-up). "Unsupported PixelFormat" for other depths,
// "Image bitmap incorrecte" for a null picture.
void DIBSizes(const QImage& bitmap, int bitsPerPixel, int& infoSize, int& imageSize);

// Fills info (DIBSizes' infoSize bytes) and bits (imageSize bytes) with the
// picture at that depth, mapped onto palette when one is given.
bool ReadDIB(const QImage& bitmap, const QList<QRgb>* palette, std::uint8_t* info, std::uint8_t* bits,
             int bitsPerPixel);

} // namespace orugif::gif
