// PNG file structure: signature, chunks with their CRC-32, the image header
// and its validity, gAMA, PLTE and tRNS.
#include "formats/png_internal.h"

#include "common/limits.h"
#include "formats/bytecursor.h"

#include <QFile>
#include <cmath>
#include <zlib.h>

namespace orugif::formats {

bool chunkClassRegistered(const QByteArray& type)
{
    static const char* const kKnown[] = {"IEND", "IHDR", "gAMA", "IDAT", "PLTE", "tEXt", "tRNS"};
    for (const char* k : kKnown)
        if (type == k)
            return true;
    return false;
}

namespace png {

namespace {

[[noreturn]] void fail(const char* message) { throw EPNGImageException(message); }

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// The PNG standard caps chunk lengths and image sides at 2^31 - 1.
constexpr std::uint32_t kMaxChunkLength = 0x7fffffffu;

bool bitDepthAllowed(int colourType, int depth)
{
    switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

PngHeader readHeader(std::span<const std::uint8_t> d)
{
    if (d.size() != 13)
        fail(kBadHeaderLength);
    ByteCursor c(d);
    PngHeader h;
    std::uint8_t v[5];
    c.u32be(h.width);
    c.u32be(h.height);
    for (auto& b : v)
        c.u8(b);
    h.bitDepth = v[0];
    h.colourType = v[1];
    h.compression = v[2];
    h.filter = v[3];
    h.interlace = v[4];
    if (h.width == 0 || h.height == 0 || h.width > kMaxChunkLength || h.height > kMaxChunkLength)
        fail(kBadSize);
    if (h.colourType != 0 && h.colourType != 2 && h.colourType != 3 && h.colourType != 4 && h.colourType != 6)
        fail(kUnknownColourType);
    if (!bitDepthAllowed(h.colourType, h.bitDepth))
        fail(kBadBitDepth);
    if (h.compression != 0)
        fail(kUnknownCompression);
    if (h.filter != 0)
        fail(kUnknownFilterMethod);
    if (h.interlace != 0 && h.interlace != 1)
        fail(kUnknownInterlace);
    // Refused here, before any pixel memory exists.
    if (!pictureSizeAllowed(h.width, h.height))
        throw EPNGImageException(
            QString::fromLatin1(kTooLarge).arg(h.width).arg(h.height).toStdString());
    return h;
}

} // namespace

std::array<std::uint8_t, 256> gammaTable(std::uint32_t gama)
{
    const double g = gama == 0 ? 1e-5 : double(gama) * 1e-5;
    const double exponent = 1.0 / (g * 2.2);
    std::array<std::uint8_t, 256> t{};
    for (int i = 1; i < 256; ++i) {
        const double v = std::round(255.0 * std::pow(i / 255.0, exponent));
        t[i] = std::uint8_t(std::clamp(v, 0.0, 255.0));
    }
    return t;
}

PngInfo readChunks(std::span<const std::uint8_t> file, TChunkList* chunks)
{
    ByteCursor c(file);
    std::span<const std::uint8_t> sig;
    if (!c.bytes(sig, 8) || std::memcmp(sig.data(), kSignature, 8) != 0)
        fail(kInvalidHeader);

    PngInfo info;
    bool first = true;
    bool sawHeader = false;
    bool sawData = false;
    std::size_t idatIndex = 0;
    while (!c.atEnd()) {
        std::uint32_t length = 0;
        std::span<const std::uint8_t> typeBytes;
        if (!c.u32be(length) || !c.bytes(typeBytes, 4))
            fail(kCorrupted);
        const QByteArray type(reinterpret_cast<const char*>(typeBytes.data()), 4);
        const bool critical = (typeBytes[0] & 0x20) == 0;
        if (critical && !chunkClassRegistered(type))
            fail(kUnknownCritical);
        std::span<const std::uint8_t> data;
        std::uint32_t crc = 0;
        if (length > kMaxChunkLength || !c.bytes(data, length) || !c.u32be(crc))
            fail(kCorrupted);
        uLong sum = crc32(0L, typeBytes.data(), 4);
        sum = crc32(sum, data.data(), uInt(data.size()));
        if (std::uint32_t(sum) != crc)
            fail(kCorrupted);

        if (first && type != "IHDR")
            fail(kNoHeader);
        first = false;
        if (type == "IDAT") {
            info.idat.append(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
            if (chunks && !sawData) {
                idatIndex = chunks->size();
                chunks->push_back({type, {}});
            }
            sawData = true;
            continue;
        }
        const QByteArray bytes(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
        if (type == "IHDR") {
            if (!sawHeader)
                info.header = readHeader(data);
            sawHeader = true;
        } else if (type == "PLTE") {
            if (data.size() % 3 != 0)
                fail(kBadPalette);
            info.hasPalette = true;
            info.palette.clear();
            for (std::size_t i = 0; i + 2 < data.size() && info.palette.size() < 256; i += 3)
                info.palette.push_back(qRgb(data[i], data[i + 1], data[i + 2]));
        } else if (type == "gAMA") {
            if (data.size() >= 4) {
                ByteCursor g(data);
                std::uint32_t v = 0;
                g.u32be(v);
                info.hasGamma = true;
                info.gamma = gammaTable(v);
            }
        } else if (type == "tRNS") {
            info.hasTrns = true;
            info.trns = bytes;
        }
        if (chunks)
            chunks->push_back({type, bytes});
        if (type == "IEND")
            break;
    }
    if (!sawHeader)
        fail(kNoHeader);
    if (!sawData)
        fail(kNoData);
    if (chunks)
        (*chunks)[idatIndex].data = info.idat;
    return info;
}

} // namespace png

void TPNGImage::clear()
{
    chunks_.clear();
    header_ = {};
    bitmap_ = {};
    picture_ = {};
    bitCount_ = 0;
    transparent_ = false;
    transparentColour_ = clBlack;
}

void TPNGImage::LoadFromBytes(const QByteArray& data)
{
    clear();
    const png::PngInfo info = png::readChunks(byteSpan(data.constData(), std::size_t(data.size())), &chunks_);
    header_ = info.header;
    png::DecodeResult r = png::decodeImage(info, true, OnProgress);
    picture_ = std::move(r.picture);
    bitmap_ = std::move(r.bitmap);
    bitCount_ = r.bitCount;
    transparent_ = r.transparent;
    transparentColour_ = r.transparentColour;
}

void TPNGImage::LoadFromFile(const QString& fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EPNGImageException(QStringLiteral("Impossible d'ouvrir le fichier %1.").arg(fileName).toStdString());
    LoadFromBytes(f.readAll());
}

QImage loadPng(const QByteArray& data)
{
    const png::PngInfo info = png::readChunks(byteSpan(data.constData(), std::size_t(data.size())), nullptr);
    return png::decodeImage(info, false, {}).picture;
}

} // namespace orugif::formats
