// Colour reduction: maps true-colour pictures onto a palette of at most 256
// colours through a colour lookup, optionally spreading the error over the
// neighbours (Floyd-Steinberg), and the device-independent bitmap helpers.
#pragma once
#include "gif/celltable.h"
#include "gif/colormap.h"
#include "gif/nearest.h"

#include <QImage>
#include <QList>
#include <array>
#include <cstdint>
#include <memory>
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

// Method 7's lookup: the nearest entry by squared distance, the first of
// equal entries winning (so a colour that is itself in the palette gets its
// own entry). Each 6-6-6 colour cell (262144 of them) keeps, once asked,
// the few entries that can be nearest to some colour in it, so every colour
// gets its true nearest entry (smooth gradients keep their steps) at the
// cost of a short search.
class TOptimisedColorLookup : public TColorLookup {
public:
    explicit TOptimisedColorLookup(const std::vector<GIFColor>& palette);
    ~TOptimisedColorLookup() override;
    TOptimisedColorLookup(const TOptimisedColorLookup&) = delete;
    TOptimisedColorLookup& operator=(const TOptimisedColorLookup&) = delete;
    int Lookup(int r, int g, int b, GIFColor& chosen) override
    {
        if (entries_.empty()) {
            chosen = {};
            return 0;
        }
        const int index = Nearest(r, g, b);
        chosen = entries_[std::size_t(index)];
        return index;
    }
    // The nearest entry's index; the palette must not be empty.
    int Nearest(int r, int g, int b)
    {
        const std::size_t key = std::size_t((r >> 2) << 12 | (g >> 2) << 6 | (b >> 2));
        std::uint32_t cell = cells_[key];
        if (cell == 0)
            cell = fillCell(key);
        const std::uint16_t* candidates = pool_.data() + cell - 1;
        return candidates[0] == 1 ? candidates[1] : searchCell(candidates, r, g, b);
    }
    const std::vector<GIFColor>& Entries() const { return entries_; }

private:
    std::vector<GIFColor> entries_;
    // Per cell: 0 when not yet asked, else 1 + where its entries start in
    // pool_ (their count, then the entries in ascending order; a count of 0
    // for a cell that many entries could serve, searched whole each time,
    // which keeps the pool small for any palette). The table is borrowed,
    // and cleared through touched_ when the lookup ends.
    CellTable cells_;
    std::vector<std::uint32_t> touched_;
    std::vector<std::uint16_t> pool_;
    // The entries' channels apart, for the search of a cell's candidates.
    std::array<std::int32_t, 256> reds_{}, greens_{}, blues_{};
    PaletteChannels channels_;
    // Per 4-4-4 region (4096 of them, each 64 cells): 0 when not yet asked,
    // else 1 + where its candidates start in regionPool_ (their count, then
    // the entries in ascending order). A cell chooses its candidates among
    // its region's, a short list where a search of the palette is long.
    std::vector<std::uint32_t> regions_;
    std::vector<std::uint16_t> regionPool_;
    std::uint32_t fillCell(std::size_t key);
    int searchCell(const std::uint16_t* candidates, int r, int g, int b) const;
    std::uint32_t candidatesOf(int cr, int cg, int cb);
    int candidatesIn(int lr, int lg, int lb, int size, const std::uint16_t* among, int amongCount,
                     std::uint16_t* found) const;
    static constexpr int kMostCandidates = 24;
};

// The 216-colour cube: level (v + 3) div 51 per channel, index 36 r + 6 g + b.
class TNetscapeColorLookup : public TColorLookup {
public:
    TNetscapeColorLookup() : TColorLookup(216) {}
    int Lookup(int r, int g, int b, GIFColor& chosen) override;
    static int Level(int v) { return (v + 3) / 51; }
};

// 255 grey levels, leaving a table entry for the transparent colour: the
// luminance Y = (77 R + 150 G + 29 B) shr 8 takes entry (254 Y + 127) div
// 255, whose grey is (255 i + 127) div 254.
class TGrayScaleLookup : public TColorLookup {
public:
    static constexpr int kLevels = 255;
    TGrayScaleLookup() : TColorLookup(kLevels) {}
    static int Level(int y) { return (254 * y + 127) / 255; }
    static int Grey(int level) { return (255 * level + 127) / 254; }
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
    // How much of the gathered error the next pixel takes and passes on, in
    // sixteenths: 16 (the default) diffuses all of it, 0 maps the pixel to
    // its nearest entry and passes nothing on.
    void SetStrength(int sixteenths) { strength_ = sixteenths; }

protected:
    TColorLookup& lookup_;
    int width_;
    int strength_ = 16;
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

// One weight of an error-diffusion kernel: the share of the error given to
// the pixel dx ahead (in the scan direction) and dy rows below.
struct DiffusionWeight {
    int dx, dy, weight;
};
struct DiffusionKernel {
    std::vector<DiffusionWeight> weights;
    int divisor;
};

// The kernels of dither modes 1 to 6 (Floyd-Steinberg, Stucki, Sierra,
// Jarvis-Judice-Ninke, Stevenson-Arce, Burkes); mode 1's engine is the
// Floyd-Steinberg ditherer above, which spreads the same weights.
const DiffusionKernel& DitherKernel(int mode);

// Error diffusion over rows scanned alternately left to right and right to
// left; each channel's corrected value is the input plus its gathered
// error (the sum of weight x error, plus half the divisor, divided by the
// divisor truncating toward zero), clamped to 0 to 255.
class TErrorDiffusionDitherer : public TDitherEngine {
public:
    TErrorDiffusionDitherer(int width, TColorLookup& lookup, const DiffusionKernel& kernel);
    int Dither(int r, int g, int b) override;
    void NextLine() override;

private:
    const DiffusionKernel& kernel_;
    int reach_ = 0;  // the largest |dx|: guard entries at each end of a row
    // errors_[row][channel]: row 0 the current row, then the rows below.
    std::vector<std::array<std::vector<int>, 3>> errors_;
};

class TStuckiDitherer : public TErrorDiffusionDitherer {
public:
    TStuckiDitherer(int width, TColorLookup& lookup) : TErrorDiffusionDitherer(width, lookup, DitherKernel(2)) {}
};
class TSierraDitherer : public TErrorDiffusionDitherer {
public:
    TSierraDitherer(int width, TColorLookup& lookup) : TErrorDiffusionDitherer(width, lookup, DitherKernel(3)) {}
};
class TJaJuNiDitherer : public TErrorDiffusionDitherer {
public:
    TJaJuNiDitherer(int width, TColorLookup& lookup) : TErrorDiffusionDitherer(width, lookup, DitherKernel(4)) {}
};
class TSteveArcheDitherer : public TErrorDiffusionDitherer {
public:
    TSteveArcheDitherer(int width, TColorLookup& lookup) : TErrorDiffusionDitherer(width, lookup, DitherKernel(5)) {}
};
class TBurkesDitherer : public TErrorDiffusionDitherer {
public:
    TBurkesDitherer(int width, TColorLookup& lookup) : TErrorDiffusionDitherer(width, lookup, DitherKernel(6)) {}
};

// The engine of dither mode 0 to 6; null for any other mode.
std::unique_ptr<TDitherEngine> MakeDitherEngine(int mode, int width, TColorLookup& lookup);

// The reduction that keeps every frame's own colours when they fit in one
// colour table (256 entries, or fewer when the caller keeps room for a
// transparent entry) and puts the other frames on the 216-colour cube with
// the dither mode asked for. A frame whose colours all lie on the cube is
// written as the cube reduction (method 6) writes it. The number stands
// apart from every other method's.
inline constexpr int kAutomaticReduction = 10;

// The target palette of a reduction method (3, 4, 5, 6 or 9); empty for a
// method this codec does not provide. Method 7's palette depends on the
// picture: see QuantizePalette.
std::vector<GIFColor> ReductionPalette(int method, const std::vector<GIFColor>& given = {});

// Reduces source into colour indices (dest rows of destStride bytes) with
// the method's palette, returned in palette. False when the method or the
// dither mode (0 to 6) is not provided. Method 7 uses `given` when it is
// not empty (a palette chosen for several frames), else chooses at most
// 2^reductionBits colours (capped by maxColours) from the source; a source
// whose colours are all in the palette is mapped exactly, without dithering.
// kAutomaticReduction maps a source of at most maxColours colours exactly
// (pixels with alpha below one half are not counted: the caller makes them
// transparent) and any other one as method 6 with the dither mode.
// How strongly method 7 dithers each pixel of `rgb` (32-bit rows), in
// sixteenths (TDitherEngine::SetStrength): not at all in flat areas (no
// neighbour differs by more than 2 in any channel) nor where the nearest
// entry is within 4 of the colour; fully where it is 16 or more away, in
// between gradually; half as much on strong edges (a neighbour 64 or more
// away), where spread error shows as a fringe.
std::vector<std::uint8_t> DitherStrengths(const QImage& rgb, TColorLookup& lookup);

bool ReduceToIndices(const QImage& source, int method, int ditherMode, const std::vector<GIFColor>& given,
                     std::vector<GIFColor>& palette, std::uint8_t* dest, qsizetype destStride,
                     int reductionBits = 8, int maxColours = 256);

// A new picture: method 0 gives a 32-bit copy, the others an 8-bit picture
// with the method's palette; a null picture for what is not provided.
QImage ReduceColors(const QImage& source, int method, int ditherMode, const std::vector<GIFColor>& palette = {},
                    int reductionBits = 8);

// What ReduceColors(source, 6, 1) shows, as a 32-bit picture: the 216-colour
// cube with Floyd-Steinberg dithering, written straight into the colours
// (the import of video frames).
QImage DitherToCubeRgb(const QImage& source);

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
