// PCX reading and writing. Lines are decoded into a buffer of exactly one
// line (every plane) and only the bytes that belong to the picture reach a
// row, so neither runs nor padding can write or read outside a row.
#include "formats/pcx.h"

#include "common/error.h"
#include "common/limits.h"
#include "common/savefile.h"

#include <QFile>
#include <cmath>
#include <cstring>
#include <vector>

namespace orugif::formats {

namespace {

constexpr int kHeaderSize = 128;
constexpr int kPaletteBlock = 769; // the byte 12 and 256 RGB triples

int u16(const QByteArray& b, int at) { return quint8(b[at]) | quint8(b[at + 1]) << 8; }

void put16(QByteArray& b, int at, int v)
{
    b[at] = char(v & 0xff);
    b[at + 1] = char((v >> 8) & 0xff);
}

int kindOf(int planes, int bits, int palInfo)
{
    if (planes == 1 && bits == 1)
        return palInfo == 1 ? pcxMonoColour : pcxMonoGrey;
    if (planes == 1 && bits == 4)
        return palInfo == 2 ? pcx16Grey : pcx16Colour;
    if (planes == 1 && bits == 8)
        return palInfo == 2 ? pcx256Grey : pcx256Colour;
    if (planes == 3 && bits == 8)
        return pcxTrueColour;
    if (planes == 4)
        return pcxFourPlanes;
    return pcxUnsupported;
}

QList<QRgb> headerPalette(const QByteArray& file, int entries)
{
    QList<QRgb> table;
    for (int i = 0; i < entries; ++i)
        table.append(qRgb(quint8(file[16 + 3 * i]), quint8(file[17 + 3 * i]), quint8(file[18 + 3 * i])));
    return table;
}

QList<QRgb> greys(int entries, int step)
{
    QList<QRgb> table;
    for (int i = 0; i < entries; ++i)
        table.append(qRgb(i * step, i * step, i * step));
    return table;
}

int dpiToDpm(int dpi) { return int(std::lround(dpi / 0.0254)); }

} // namespace

QImage decodePcx(const QByteArray& file, int* kindOut)
{
    if (kindOut)
        *kindOut = pcxUnsupported;
    if (file.size() < kHeaderSize)
        return {};
    const int manufacturer = quint8(file[0]), version = quint8(file[1]), encoding = quint8(file[2]);
    const int bits = quint8(file[3]), reserved = quint8(file[64]), planes = quint8(file[65]);
    const int palInfo = u16(file, 68);
    if (manufacturer != 10 || version < 1 || version > 5 || encoding != 1 || reserved != 0 || palInfo > 2)
        return {};
    const int kind = kindOf(planes, bits, palInfo);
    if (kindOut)
        *kindOut = kind;
    if (kind > pcxTrueColour)
        return {};

    const int xMin = u16(file, 4), yMin = u16(file, 6), xMax = u16(file, 8), yMax = u16(file, 10);
    const int width = xMax - xMin + 1 + (xMax < xMin ? 65536 : 0);
    const int height = yMax - yMin + 1 + (yMax < yMin ? 65536 : 0);
    if (!pictureSizeAllowed(width, height))
        return {};
    const int bytesPerLine = u16(file, 66);
    // A plane line shorter than the picture's row cannot fill it.
    if (std::int64_t(bytesPerLine) * 8 < std::int64_t(width) * bits)
        return {};

    QList<QRgb> palette;
    qsizetype dataEnd = file.size();
    switch (kind) {
    case pcxMonoColour:
        // Writers that leave the header palette unset (two equal entries,
        // often black) mean black and white, as other readers show them.
        palette = headerPalette(file, 2);
        if (palette[0] == palette[1])
            palette = greys(2, 255);
        break;
    case pcxMonoGrey: palette = greys(2, 255); break;
    case pcx16Colour: palette = headerPalette(file, 16); break;
    case pcx16Grey: palette = greys(16, 16); break;
    case pcx256Grey: palette = greys(256, 1); break;
    case pcx256Colour: {
        dataEnd = file.size() - kPaletteBlock;
        if (dataEnd < kHeaderSize || quint8(file[dataEnd]) != 12)
            return {};
        for (int i = 0; i < 256; ++i) {
            const qsizetype at = dataEnd + 1 + 3 * i;
            palette.append(qRgb(quint8(file[at]), quint8(file[at + 1]), quint8(file[at + 2])));
        }
        break;
    }
    default: break;
    }

    // A run of two bytes gives at most 63 bytes: data too short to fill every
    // line is refused before the bitmap exists.
    const std::uint64_t needed = std::uint64_t(planes) * std::uint64_t(bytesPerLine) * std::uint64_t(height);
    if (needed > std::uint64_t(dataEnd - kHeaderSize) * 63 / 2 + 63)
        return {};

    const QImage::Format format = bits == 1 ? QImage::Format_Mono
        : kind == pcxTrueColour             ? QImage::Format_RGB888
                                            : QImage::Format_Indexed8;
    QImage image(width, height, format);
    if (image.isNull())
        return {};
    if (!palette.isEmpty())
        image.setColorTable(palette);
    const int dpiX = u16(file, 12), dpiY = u16(file, 14);
    if (dpiX > 0 && dpiY > 0) {
        image.setDotsPerMeterX(dpiToDpm(dpiX));
        image.setDotsPerMeterY(dpiToDpm(dpiY));
    }

    const std::size_t lineSize = std::size_t(planes) * std::size_t(bytesPerLine);
    std::vector<std::uint8_t> line(lineSize);
    const auto* data = reinterpret_cast<const std::uint8_t*>(file.constData());

    // Stores the decoded line as row y, taking only the picture's bytes of
    // each plane; padding beyond the width is dropped.
    const auto storeLine = [&](int y) {
        std::uint8_t* row = image.scanLine(y);
        switch (kind) {
        case pcxMonoColour:
        case pcxMonoGrey: std::memcpy(row, line.data(), std::size_t(width + 7) / 8); break;
        case pcx16Colour:
        case pcx16Grey:
            for (int x = 0; x < width; ++x)
                row[x] = std::uint8_t(x & 1 ? line[std::size_t(x) / 2] & 0x0f : line[std::size_t(x) / 2] >> 4);
            break;
        case pcx256Colour:
        case pcx256Grey: std::memcpy(row, line.data(), std::size_t(width)); break;
        default: {
            const std::uint8_t* r = line.data();
            const std::uint8_t* g = r + bytesPerLine;
            const std::uint8_t* b = g + bytesPerLine;
            for (int x = 0; x < width; ++x) {
                row[3 * x] = r[x];
                row[3 * x + 1] = g[x];
                row[3 * x + 2] = b[x];
            }
        }
        }
    };

    // A run may continue across a plane or line end; decoding stops when
    // every line is stored or fails when the data ends first.
    qsizetype pos = kHeaderSize;
    std::size_t filled = 0;
    int y = 0;
    while (y < height) {
        if (pos >= dataEnd)
            return {};
        int count = 1;
        std::uint8_t value = data[pos++];
        if (value >= 0xC0) {
            count = value & 0x3f;
            if (pos >= dataEnd)
                return {};
            value = data[pos++];
        }
        for (; count > 0 && y < height; --count) {
            line[filled++] = value;
            if (filled == lineSize) {
                storeLine(y++);
                filled = 0;
            }
        }
    }
    return image;
}

namespace {

// Appends the run encoding of one plane of one row: runs never cross it.
void encodePlane(const std::uint8_t* p, std::size_t n, QByteArray& out)
{
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t v = p[i];
        std::size_t run = 1;
        while (i + run < n && p[i + run] == v)
            ++run;
        i += run;
        for (std::size_t k = run / 63; k > 0; --k) {
            out.append(char(0xFF));
            out.append(char(v));
        }
        const std::size_t rest = run % 63;
        if (rest == 1 && v < 0xC0) {
            out.append(char(v));
        } else if (rest > 0) {
            out.append(char(0xC0 + rest));
            out.append(char(v));
        }
    }
}

} // namespace

QByteArray encodePcx(const QImage& source, int bitCount)
{
    if (source.isNull() || (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24))
        return {};
    QImage image;
    if (bitCount == 1)
        image = source.format() == QImage::Format_Mono ? source : source.convertToFormat(QImage::Format_Mono);
    else if (bitCount == 24)
        image = source.format() == QImage::Format_RGB888 ? source : source.convertToFormat(QImage::Format_RGB888);
    else
        image = source.format() == QImage::Format_Indexed8 ? source : source.convertToFormat(QImage::Format_Indexed8);
    if (image.isNull())
        return {};

    const int width = image.width(), height = image.height();
    const int planes = bitCount == 24 ? 3 : 1;
    const int planeBits = bitCount == 24 ? 8 : bitCount;
    int bytesPerLine = (width * planeBits + 7) / 8;
    bytesPerLine += bytesPerLine & 1;
    if (width > 65536 || height > 65536 || bytesPerLine > 0xffff)
        return {};

    QByteArray out(kHeaderSize, 0);
    out[0] = 10;
    out[1] = 5;
    out[2] = 1;
    out[3] = char(planeBits);
    put16(out, 8, width - 1);
    put16(out, 10, height - 1);
    const int dpiX = int(std::lround(image.dotsPerMeterX() * 0.0254));
    const int dpiY = int(std::lround(image.dotsPerMeterY() * 0.0254));
    put16(out, 12, dpiX > 0 && dpiX <= 0xffff ? dpiX : 96);
    put16(out, 14, dpiY > 0 && dpiY <= 0xffff ? dpiY : 96);
    const QList<QRgb> table = image.colorTable();
    if (bitCount <= 4) {
        for (int i = 0; i < (1 << bitCount) && i < table.size(); ++i) {
            out[16 + 3 * i] = char(qRed(table[i]));
            out[17 + 3 * i] = char(qGreen(table[i]));
            out[18 + 3 * i] = char(qBlue(table[i]));
        }
    }
    out[65] = char(planes);
    put16(out, 66, bytesPerLine);
    put16(out, 68, 1);

    // Each plane is taken into a buffer of bytes-per-line bytes, zero past
    // the row's own bytes, so the encoder never reads beyond a row.
    std::vector<std::uint8_t> plane(std::size_t(bytesPerLine) * std::size_t(planes), 0);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = image.constScanLine(y);
        switch (bitCount) {
        case 1: std::memcpy(plane.data(), row, std::size_t(width + 7) / 8); break;
        case 4:
            std::fill(plane.begin(), plane.end(), 0);
            for (int x = 0; x < width; ++x)
                plane[std::size_t(x) / 2] |= std::uint8_t(x & 1 ? row[x] & 0x0f : (row[x] & 0x0f) << 4);
            break;
        case 8: std::memcpy(plane.data(), row, std::size_t(width)); break;
        default:
            for (int x = 0; x < width; ++x) {
                plane[std::size_t(x)] = row[3 * x];
                plane[std::size_t(bytesPerLine + x)] = row[3 * x + 1];
                plane[std::size_t(2 * bytesPerLine + x)] = row[3 * x + 2];
            }
        }
        for (int p = 0; p < planes; ++p)
            encodePlane(plane.data() + std::size_t(p) * std::size_t(bytesPerLine), std::size_t(bytesPerLine), out);
    }
    if (bitCount == 8) {
        out.append(char(12));
        for (int i = 0; i < 256; ++i) {
            const QRgb c = i < table.size() ? table[i] : 0;
            out.append(char(qRed(c)));
            out.append(char(qGreen(c)));
            out.append(char(qBlue(c)));
        }
    }
    return out;
}

bool LoadPCXFile(const QString& fileName, QImage& bitmap, int& kind)
{
    bitmap = QImage();
    kind = pcxUnsupported;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    bitmap = decodePcx(f.readAll(), &kind);
    return !bitmap.isNull();
}

void TPCX::Assign(const QImage& bitmap)
{
    if (bitmap.width() == 0 || bitmap.height() == 0) {
        bitmap_ = QImage();
        return;
    }
    switch (bitmap.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        bitmap_ = bitmap.convertToFormat(QImage::Format_Mono);
        kind_ = pcxMonoColour;
        break;
    case QImage::Format_Indexed8:
        bitmap_ = bitmap;
        kind_ = pcx256Colour;
        break;
    default:
        bitmap_ = bitmap.convertToFormat(QImage::Format_RGB888);
        kind_ = pcxTrueColour;
    }
}

void TPCX::SetKind(int kind)
{
    kind_ = kind;
    if (kind < 0 || kind > pcxTrueColour) {
        bitmap_ = QImage();
        return;
    }
    if (bitmap_.isNull())
        return;
    const Qt::ImageConversionFlags flags = Qt::ThresholdDither | Qt::AvoidDither;
    switch (kind) {
    case pcxMonoColour:
    case pcxMonoGrey:
        if (bitmap_.format() != QImage::Format_Mono)
            bitmap_ = bitmap_.convertToFormat(QImage::Format_Mono, flags);
        break;
    case pcx16Colour:
    case pcx16Grey:
        // Four bits: at most 16 colours; other pictures map to the nearest
        // of 16 greys or of the 16 standard colours.
        if (bitmap_.format() != QImage::Format_Indexed8 || bitmap_.colorCount() > 16) {
            QList<QRgb> table;
            if (kind == pcx16Grey) {
                table = greys(16, 17);
            } else {
                // The 16 standard colours: bit 0 blue, 1 green, 2 red, 3 bright.
                for (int i = 0; i < 16; ++i) {
                    const int level = i & 8 ? 255 : 128;
                    table.append(i == 7   ? qRgb(192, 192, 192)
                                 : i == 8 ? qRgb(128, 128, 128)
                                          : qRgb(i & 4 ? level : 0, i & 2 ? level : 0, i & 1 ? level : 0));
                }
            }
            bitmap_ = bitmap_.convertToFormat(QImage::Format_Indexed8, table, flags);
        }
        break;
    case pcx256Colour:
    case pcx256Grey:
        if (bitmap_.format() != QImage::Format_Indexed8)
            bitmap_ = bitmap_.convertToFormat(QImage::Format_Indexed8, flags);
        break;
    default:
        if (bitmap_.format() != QImage::Format_RGB888)
            bitmap_ = bitmap_.convertToFormat(QImage::Format_RGB888);
    }
}

void TPCX::SetPalette(const QList<QRgb>& palette)
{
    if (bitmap_.colorCount() > 0)
        bitmap_.setColorTable(palette);
}

bool TPCX::LoadFromBytes(const QByteArray& file)
{
    int kind = pcxUnsupported;
    bitmap_ = decodePcx(file, &kind);
    kind_ = kind;
    return !bitmap_.isNull();
}

bool TPCX::LoadFromFile(const QString& fileName)
{
    int kind = pcxUnsupported;
    const bool ok = LoadPCXFile(fileName, bitmap_, kind);
    kind_ = kind;
    return ok;
}

QByteArray TPCX::SaveToBytes() const
{
    static constexpr int kBits[] = {1, 1, 4, 4, 8, 8, 24};
    if (bitmap_.isNull() || kind_ < 0 || kind_ > pcxTrueColour)
        return {};
    return encodePcx(bitmap_, kBits[kind_]);
}

bool TPCX::SaveToFile(const QString& fileName) const
{
    const QByteArray bytes = SaveToBytes();
    if (bytes.isEmpty())
        return false;
    try {
        writeFileSafely(fileName, bytes);
        return true;
    } catch (const Error&) {
        return false;
    }
}

} // namespace orugif::formats
