// Reading device-independent bitmaps, every field checked against the bytes
// that hold it.
#include "formats/dib.h"

#include "common/limits.h"
#include "formats/bytecursor.h"

#include <bit>
#include <vector>

namespace orugif::formats {

namespace {

struct DibHeader {
    std::uint32_t size = 0;
    std::int64_t width = 0, height = 0;
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::uint32_t masks[3] = {0, 0, 0};
    std::size_t tableOffset = 0; // where the colour table starts
    std::size_t tableEntries = 0;
    int entrySize = 4;
};

bool readHeader(std::span<const std::uint8_t> info, DibHeader& h)
{
    ByteCursor c(info);
    if (!c.u32le(h.size))
        return false;
    if (h.size == 12) { // BITMAPCOREHEADER
        std::uint16_t w, hh, planes, bits;
        if (!c.u16le(w) || !c.u16le(hh) || !c.u16le(planes) || !c.u16le(bits))
            return false;
        h.width = w;
        h.height = hh;
        h.bitCount = bits;
        h.entrySize = 3;
    } else if (h.size >= 40) {
        std::int32_t w, hh;
        std::uint16_t planes, bits;
        std::uint32_t sizeImage, xppm, yppm, important;
        if (!c.i32le(w) || !c.i32le(hh) || !c.u16le(planes) || !c.u16le(bits) || !c.u32le(h.compression)
            || !c.u32le(sizeImage) || !c.u32le(xppm) || !c.u32le(yppm) || !c.u32le(h.coloursUsed)
            || !c.u32le(important))
            return false;
        h.width = w;
        h.height = hh;
        h.bitCount = bits;
        if (h.compression == 3 || h.compression == 6) { // BI_BITFIELDS, BI_ALPHABITFIELDS
            // The masks follow a plain header, or sit inside a larger one.
            for (auto& m : h.masks)
                if (!c.u32le(m))
                    return false;
            if (h.size > 40 && !c.seek(h.size))
                return false;
        } else if (!c.seek(h.size)) {
            return false;
        }
    } else {
        return false;
    }
    h.tableOffset = c.pos();
    if (h.bitCount <= 8) {
        const std::size_t full = std::size_t(1) << h.bitCount;
        h.tableEntries = h.coloursUsed && h.coloursUsed < full ? h.coloursUsed : full;
    } else if (h.size >= 40 && h.coloursUsed <= 256) {
        h.tableEntries = 0; // an optional table for true colour is skipped
    }
    return true;
}

// Spreads a masked field to 8 bits.
inline int field(std::uint32_t v, std::uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const std::uint32_t x = (v & mask) >> shift;
    if (bits >= 8)
        return int(x >> (bits - 8));
    return int((x * 255 + ((1u << bits) - 1) / 2) / ((1u << bits) - 1));
}

} // namespace

QImage dibToImage(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits)
{
    DibHeader h;
    if (!readHeader(info, h))
        return {};
    const bool topDown = h.height < 0;
    const std::int64_t width = h.width, height = topDown ? -h.height : h.height;
    if (!pictureSizeAllowed(width, height))
        return {};
    const int bc = h.bitCount;
    if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32)
        return {};
    const bool fields = h.compression == 3 || h.compression == 6;
    if (h.compression != 0 && !(fields && (bc == 16 || bc == 32)))
        return {};

    std::vector<QRgb> table(256, qRgb(0, 0, 0));
    if (bc <= 8) {
        if (h.tableOffset + h.tableEntries * std::size_t(h.entrySize) > info.size())
            return {};
        for (std::size_t i = 0; i < h.tableEntries; ++i) {
            const std::uint8_t* e = info.data() + h.tableOffset + i * std::size_t(h.entrySize);
            table[i] = qRgb(e[2], e[1], e[0]);
        }
    }
    std::uint32_t masks[3] = {h.masks[0], h.masks[1], h.masks[2]};
    if (!fields && bc == 16) {
        masks[0] = 0x7c00;
        masks[1] = 0x03e0;
        masks[2] = 0x001f;
    } else if (!fields && bc == 32) {
        masks[0] = 0xff0000;
        masks[1] = 0xff00;
        masks[2] = 0xff;
    }

    const std::size_t stride = (std::size_t(width) * std::size_t(bc) + 31) / 32 * 4;
    if (stride * std::size_t(height) > bits.size())
        return {};
    QImage image(int(width), int(height), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = bits.data() + stride * std::size_t(topDown ? y : height - 1 - y);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (std::int64_t x = 0; x < width; ++x) {
            switch (bc) {
            case 1: out[x] = table[(row[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: out[x] = table[(row[x >> 1] >> (x & 1 ? 0 : 4)) & 0x0f]; break;
            case 8: out[x] = table[row[x]]; break;
            case 24: out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]); break;
            case 16: {
                const std::uint32_t v = std::uint32_t(row[2 * x] | row[2 * x + 1] << 8);
                out[x] = qRgb(field(v, masks[0]), field(v, masks[1]), field(v, masks[2]));
                break;
            }
            default: {
                const std::uint8_t* p = row + 4 * x;
                const std::uint32_t v = std::uint32_t(p[0] | p[1] << 8 | p[2] << 16) | std::uint32_t(p[3]) << 24;
                out[x] = qRgb(field(v, masks[0]), field(v, masks[1]), field(v, masks[2]));
            }
            }
        }
    }
    return image;
}

QImage packedDibToImage(std::span<const std::uint8_t> dib)
{
    DibHeader h;
    if (!readHeader(dib, h))
        return {};
    const std::size_t bitsAt = h.tableOffset + h.tableEntries * std::size_t(h.entrySize);
    if (bitsAt > dib.size())
        return {};
    return dibToImage(dib, dib.subspan(bitsAt));
}

} // namespace orugif::formats
