// PNG pictures: the chunk model and reader behind TPNGImage, and the simple
// entry the document's import calls. Decoding streams the inflated image
// data row by row through zlib.
#pragma once
#include "common/colour.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <stdexcept>
#include <vector>

namespace orugif::formats {

// Raised for every PNG file the reader refuses; what() is the message shown.
class EPNGImageException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    QString message() const { return QString::fromUtf8(what()); }
};

// One chunk of the file: its 4-byte type and its data. Image data split over
// several IDAT chunks is kept as one IDAT chunk holding all of it.
struct TChunk {
    QByteArray type;
    QByteArray data;
};
using TChunkList = std::vector<TChunk>;

// The chunk types the reader knows by name (IHDR, PLTE, IDAT, IEND, gAMA,
// tEXt, tRNS). An unknown ancillary chunk is kept as plain data; an unknown
// critical chunk refuses the file.
bool chunkClassRegistered(const QByteArray& type);

// The image header (IHDR), values as stored in the file.
struct PngHeader {
    quint32 width = 0;
    quint32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int compression = 0;
    int filter = 0;
    int interlace = 0;
};

// A PNG picture. After loading it holds two views of the same pixels:
//  - Bitmap(): the classic bitmap of the reader, without alpha: 1 bit
//    (Format_Mono), 4 or 8 bits (Format_Indexed8 with a 16- or 256-entry
//    colour table; BitCount() tells which) or 24 bits (Format_BGR888), gamma
//    applied, plus a transparent colour for RGB images with a tRNS chunk;
//  - Picture(): the picture the editor imports, Format_ARGB32 when the file
//    carries alpha (colour types 4 and 6, or tRNS), else Format_RGB32, gamma
//    applied to the colour samples and never to alpha.
class TPNGImage {
public:
    // Replaces the picture by the PNG held in data. Throws EPNGImageException.
    void LoadFromBytes(const QByteArray& data);
    // Reads the file, then LoadFromBytes. Throws EPNGImageException.
    void LoadFromFile(const QString& fileName);

    const TChunkList& Chunks() const { return chunks_; }
    const PngHeader& Header() const { return header_; }
    const QImage& Bitmap() const { return bitmap_; }
    int BitCount() const { return bitCount_; }
    bool Transparent() const { return transparent_; }
    Colour TransparentColor() const { return transparentColour_; }
    const QImage& Picture() const { return picture_; }
    int Width() const { return picture_.width(); }
    int Height() const { return picture_.height(); }

    // Called with a percentage after every row (or every Adam7 pass).
    std::function<void(const QString& message, int percent)> OnProgress;

private:
    void clear();

    TChunkList chunks_;
    PngHeader header_;
    QImage bitmap_;
    int bitCount_ = 0;
    bool transparent_ = false;
    Colour transparentColour_ = clBlack;
    QImage picture_;
};

// The picture of a PNG file as the editor imports it (see TPNGImage::Picture).
// Throws EPNGImageException.
QImage loadPng(const QByteArray& data);

} // namespace orugif::formats
