// Shared between the PNG chunk reader and the PNG image decoder.
#pragma once
#include "formats/png.h"

#include <array>
#include <cstdint>
#include <span>

namespace orugif::formats::png {

// The messages of EPNGImageException.
inline constexpr const char* kInvalidHeader =
    "Invalid Portable Graphics Network image, it has an invalid file header.";
inline constexpr const char* kUnknownCritical =
    "The currently being loaded image contains critical(s) chunk(s) not reconized by the decoder.";
inline constexpr const char* kCorrupted = "Can't read the PNG image, it has corrupted data. ";
inline constexpr const char* kNoHeader =
    "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk.";
inline constexpr const char* kNoData = "The current image being loaded has no data and could not be loaded.";
inline constexpr const char* kNoPalette = "The current image requeries a palette but it is not avaliable.";
inline constexpr const char* kBadPalette = "The current image being loaded has an invalid palette!";
inline constexpr const char* kUnknownColourType = "Could not read the image because it has an unknown color type.";
inline constexpr const char* kUnknownFilter =
    "The image could not be loaded because it uses an unknown set of filter types.";
inline constexpr const char* kUnknownInterlace = "The image has an unknown interlace method.";
// Refusals of an image header that the PNG standard does not allow.
inline constexpr const char* kBadBitDepth =
    "Could not read the image because its bit depth is not allowed for its color type.";
inline constexpr const char* kBadSize = "This PNG image is invalid, its width or height is zero or out of range.";
inline constexpr const char* kUnknownCompression = "The image uses an unknown compression method.";
inline constexpr const char* kUnknownFilterMethod = "The image uses an unknown filter method.";
inline constexpr const char* kBadHeaderLength = "This PNG image is invalid, its IHDR chunk has a wrong length.";
// %1 x %2 is the size the file claims.
inline constexpr const char* kTooLarge = "The PNG image is too large to be loaded (%1 x %2 pixels).";

// Everything the decoder needs, gathered from the chunks.
struct PngInfo {
    PngHeader header;
    bool hasPalette = false;
    std::vector<QRgb> palette; // opaque PLTE entries, before gamma
    bool hasGamma = false;
    std::array<std::uint8_t, 256> gamma{}; // correction table
    bool hasTrns = false;
    QByteArray trns;
    QByteArray idat; // all IDAT chunks, in order
};

// Reads signature and chunks, checks CRCs and the header. Keeps every chunk
// in chunks when it is given. Throws EPNGImageException.
PngInfo readChunks(std::span<const std::uint8_t> file, TChunkList* chunks);

// The correction table for a gAMA value (gamma x 100000).
std::array<std::uint8_t, 256> gammaTable(std::uint32_t gama);

struct DecodeResult {
    QImage picture;
    QImage bitmap;
    int bitCount = 0;
    bool transparent = false;
    Colour transparentColour = clBlack;
};

// Inflates and unfilters the image data row by row and fills the picture and,
// when wanted, the classic bitmap. Throws EPNGImageException.
DecodeResult decodeImage(const PngInfo& info, bool wantBitmap,
                         const std::function<void(const QString&, int)>& progress);

} // namespace orugif::formats::png
