// Device-independent bitmaps as metafiles carry them: an information header
// with its colour table, and the pixel rows, bottom-up unless the height is
// negative.
#pragma once
#include <QImage>
#include <cstdint>
#include <span>

namespace orugif::formats {

// The picture of a DIB: info holds the header and colour table, bits the
// rows. Uncompressed 1, 4, 8, 16, 24 and 32 bits (16 and 32 with or without
// bit-field masks) are read; anything else, a size past the picture limits
// or rows shorter than the header says gives a null image.
QImage dibToImage(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits);

// The same for a packed DIB, where the rows follow the colour table.
QImage packedDibToImage(std::span<const std::uint8_t> dib);

} // namespace orugif::formats
