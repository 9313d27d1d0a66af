// LZW coding of one sub-image's pixel buffer into the table-based image data
// of a GIF file (minimum code size, data sub-blocks, terminator) and back.
#pragma once
#include "gif/bytestream.h"
#include "gif/colormap.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace orugif::gif {

// Rows of an image in the order they are stored: top-down, or the four
// interlace passes (every 8th row from 0, every 8th from 4, every 4th from
// 2, every 2nd from 1).
std::vector<int> storedRowOrder(int height, bool interlaced);

// Writes the complete image data block of one sub-image: the minimum code
// size (the bits the highest index used needs, at least 2, so a frame that
// shows a few entries of a large table is coded with short codes), a clear
// code first, codes growing from minimum + 1 bits to 12, a clear code when
// the next free code would reach 4095, the end code, sub-blocks of 255
// bytes and the zero terminator. A pixel not below colorCount raises
// "Color not in color table".
void EncodeImage(ByteWriter& out, int colorCount, const std::uint8_t* pixels, bool interlaced, int height,
                 int width);

// EncodeImage's lossy form: where the exact string ends, a string of the
// code table may still be taken when each of its colours lies within
// `tolerance` of the pixel it stands for, by the largest difference of one
// channel (max(|dr|, |dg|, |db|) <= tolerance, colours from `palette`).
// The transparent index and indices past the palette match only
// themselves; each string starts with its exact first pixel. Of the strings
// that fit, the one whose length, each pixel worth tolerance^2 / 4, less
// its squared error (summed over the channels) is greatest is taken. A
// tolerance of 0, or one below the distance of every pair of entries,
// writes what EncodeImage writes.
void EncodeImageLossy(ByteWriter& out, int colorCount, const std::uint8_t* pixels, bool interlaced, int height,
                      int width, std::span<const GIFColor> palette, int transparentIndex, int tolerance);

// The number of bytes EncodeImage writes for these pixels.
std::size_t EncodedSize(const std::uint8_t* pixels, bool interlaced, int height, int width);

// Picks each pixel from `pixels` or `alternative` (two values that show the
// same, such as a transparent pixel and the colour beneath it) so that the
// code stream is short: every string is the longest the code table can
// match with either value at such places, and where a string ends, the next
// one starts with the value that lets it run longest; where both run
// equally far, `pixels` wins. Encoding the result gives exactly the codes
// this parse found. (Over a pattern that `alternative` repeats, keeping to
// `alternative` alone may code shorter: the caller compares.)
std::vector<std::uint8_t> ChooseForCompression(const std::uint8_t* pixels, const std::uint8_t* alternative,
                                               bool interlaced, int height, int width);

// Called with each recoverable decoding problem ("Decoder bit buffer
// under-run", "Premature end of data").
using DecodeWarning = std::function<void(const char* message)>;

// Fills pixels (width x height, rows top-down) from the image data at the
// reader's position. The buffer is first filled with fill; pixels the data
// does not reach keep it. A minimum code size above 11 is refused, as are a
// self-referencing table entry and a string longer than the decoder's stack.
// Afterwards the reader stands after the block terminator when the data ends
// with an end code.
void DecodeImageData(ByteReader& in, std::span<std::uint8_t> pixels, int width, int height,
                     bool interlaced, std::uint8_t fill, const DecodeWarning& warn);

} // namespace orugif::gif
