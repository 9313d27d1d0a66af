// PCX pictures: the run-length encoded raster format with a 128-byte header,
// read into a bitmap for import and written from a frame for export.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

namespace orugif::formats {

// The kinds of PCX picture. The bitmap of each kind:
//   0, 1  one bit a pixel (Format_Mono), colour or grey palette
//   2, 3  four bits a pixel (Format_Indexed8 with 16 colours), colour or grey
//   4, 5  eight bits a pixel (Format_Indexed8 with 256 colours), colour or grey
//   6     true colour, 3 planes (Format_RGB888)
//   7     4 planes, not supported; 8 anything else, not supported
enum PcxKind : int {
    pcxMonoColour = 0,
    pcxMonoGrey = 1,
    pcx16Colour = 2,
    pcx16Grey = 3,
    pcx256Colour = 4,
    pcx256Grey = 5,
    pcxTrueColour = 6,
    pcxFourPlanes = 7,
    pcxUnsupported = 8,
};

// Decodes a PCX file held in memory. A refused header, an unsupported kind or
// short data gives a null image. kind, when given, receives the kind read from
// the header (or pcxUnsupported when the header is refused).
QImage decodePcx(const QByteArray& file, int* kind = nullptr);

// Encodes bitmap as a PCX file of 1, 4, 8 or 24 bits a pixel (1 and 4 bits
// take the index of Format_Mono / Format_Indexed8 pixels, 8 bits those of
// Format_Indexed8, 24 bits any picture's colours). Gives an empty array for
// any other bit count or a null bitmap.
QByteArray encodePcx(const QImage& bitmap, int bitCount);

// Opens fileName, decodes it into bitmap and fills kind. False, with a null
// bitmap, when the file is refused or cannot be read; never throws.
bool LoadPCXFile(const QString& fileName, QImage& bitmap, int& kind);

// A PCX picture holding one bitmap and its kind; the export of a frame goes
// through Assign and SaveToFile.
class TPCX {
public:
    // A new picture is empty; its kind is true colour, the depth of the
    // screens the editor runs on.
    TPCX() = default;

    // The kind follows the bitmap: one bit gives 0, Format_Indexed8 gives 4,
    // anything else 6. A bitmap without width or height makes it empty.
    void Assign(const QImage& bitmap);
    void Assign(const TPCX& other) { *this = other; }

    int Kind() const { return kind_; }
    // Converts the bitmap to the pixel format of the kind; above 6 the picture
    // becomes empty.
    void SetKind(int kind);

    bool GetEmpty() const { return bitmap_.isNull(); }
    int GetWidth() const { return bitmap_.width(); }
    int GetHeight() const { return bitmap_.height(); }
    QList<QRgb> GetPalette() const { return bitmap_.colorTable(); }
    void SetPalette(const QList<QRgb>& palette);
    const QImage& Bitmap() const { return bitmap_; }

    // Loading never throws: a refused file leaves the picture empty (false).
    bool LoadFromBytes(const QByteArray& file);
    bool LoadFromFile(const QString& fileName);
    // The file image of the picture; empty when the picture is empty.
    QByteArray SaveToBytes() const;
    // Writes completely or not at all: a failed save (a full disk too) keeps
    // the previous file and returns false.
    bool SaveToFile(const QString& fileName) const;

private:
    QImage bitmap_;
    int kind_ = pcxTrueColour;
};

} // namespace orugif::formats
