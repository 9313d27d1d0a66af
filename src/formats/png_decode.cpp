// PNG image data: zlib inflate streamed one scanline at a time, the five
// filters, Adam7, and the conversion of each scanline into the editor's
// picture (alpha kept) and into the classic bitmap (alpha dropped).
#include "formats/png_internal.h"

#include <cstring>
#include <zlib.h>

namespace orugif::formats::png {

namespace {

[[noreturn]] void fail(const char* message) { throw EPNGImageException(message); }

struct Pass {
    int startRow, startCol, rowStep, colStep;
};
constexpr Pass kSingle[1] = {{0, 0, 1, 1}};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                            {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};

// zlib's inflate over the concatenated image data; read() fills exactly n
// bytes or refuses the file.
class Inflater {
public:
    explicit Inflater(const QByteArray& in)
    {
        zs_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
        zs_.avail_in = uInt(in.size());
        if (inflateInit(&zs_) != Z_OK)
            fail(kCorrupted);
    }
    ~Inflater() { inflateEnd(&zs_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    void read(std::uint8_t* out, std::size_t n)
    {
        zs_.next_out = out;
        zs_.avail_out = uInt(n);
        while (zs_.avail_out > 0) {
            if (ended_)
                fail(kCorrupted);
            const int r = inflate(&zs_, Z_NO_FLUSH);
            if (r == Z_STREAM_END)
                ended_ = true;
            else if (r != Z_OK)
                fail(kCorrupted);
        }
    }

private:
    z_stream zs_{};
    bool ended_ = false;
};

// The Paeth predictor, written with selects rather than branches: ties go to
// left, then up, then upper-left.
inline std::uint8_t paeth(int a, int b, int c)
{
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int least = std::min(pa, std::min(pb, pc));
    const int pick = pb == least ? b : c;
    return std::uint8_t(pa == least ? a : pick);
}

template <int Bpp>
void unfilterRow(int type, std::uint8_t* cur, const std::uint8_t* prev, std::size_t n)
{
    const std::size_t lead = std::min<std::size_t>(Bpp, n);
    switch (type) {
    case 0:
        break;
    case 1:
        for (std::size_t i = Bpp; i < n; ++i)
            cur[i] = std::uint8_t(cur[i] + cur[i - Bpp]);
        break;
    case 2:
        for (std::size_t i = 0; i < n; ++i)
            cur[i] = std::uint8_t(cur[i] + prev[i]);
        break;
    case 3:
        for (std::size_t i = 0; i < lead; ++i)
            cur[i] = std::uint8_t(cur[i] + (prev[i] >> 1));
        for (std::size_t i = Bpp; i < n; ++i)
            cur[i] = std::uint8_t(cur[i] + ((cur[i - Bpp] + prev[i]) >> 1));
        break;
    case 4:
        for (std::size_t i = 0; i < lead; ++i)
            cur[i] = std::uint8_t(cur[i] + prev[i]);
        for (std::size_t i = Bpp; i < n; ++i)
            cur[i] = std::uint8_t(cur[i] + paeth(cur[i - Bpp], prev[i], prev[i - Bpp]));
        break;
    default:
        fail(kUnknownFilter);
    }
}

void unfilter(int type, int bpp, std::uint8_t* cur, const std::uint8_t* prev, std::size_t n)
{
    switch (bpp) {
    case 1: unfilterRow<1>(type, cur, prev, n); break;
    case 2: unfilterRow<2>(type, cur, prev, n); break;
    case 3: unfilterRow<3>(type, cur, prev, n); break;
    case 4: unfilterRow<4>(type, cur, prev, n); break;
    case 6: unfilterRow<6>(type, cur, prev, n); break;
    default: unfilterRow<8>(type, cur, prev, n); break;
    }
}

inline int sampleAt(const std::uint8_t* raw, int k, int depth)
{
    const int bit = k * depth;
    const int shift = 8 - depth - (bit & 7);
    return (raw[bit >> 3] >> shift) & ((1 << depth) - 1);
}

inline int be16(const std::uint8_t* p) { return p[0] << 8 | p[1]; }

// Everything that turns one unfiltered scanline into pixels.
class RowConverter {
public:
    explicit RowConverter(const PngInfo& info) : h_(info.header), gammaOn_(info.hasGamma)
    {
        for (int i = 0; i < 256; ++i)
            gamma_[i] = info.hasGamma ? info.gamma[i] : std::uint8_t(i);
        const int type = h_.colourType;
        if (info.hasTrns) {
            const auto* t = reinterpret_cast<const std::uint8_t*>(info.trns.constData());
            const auto n = info.trns.size();
            if (type == 0 && n >= 2) {
                trnsOn_ = true;
                trns_[0] = be16(t);
            } else if (type == 2 && n >= 6) {
                trnsOn_ = true;
                for (int i = 0; i < 3; ++i)
                    trns_[i] = be16(t + 2 * i);
            } else if (type == 3 && n > 0) {
                trnsOn_ = true;
            }
        }
        hasAlpha_ = type == 4 || type == 6 || trnsOn_;

        if (type == 3) {
            if (!info.hasPalette)
                fail(kNoPalette);
            palette_ = info.palette;
            for (QRgb& c : palette_)
                c = qRgb(gamma_[qRed(c)], gamma_[qGreen(c)], gamma_[qBlue(c)]);
        } else if (type == 0 || type == 4) {
            const int n = h_.bitDepth >= 8 ? 256 : 1 << h_.bitDepth;
            for (int i = 0; i < n; ++i) {
                const int level = gamma_[i * 255 / (n - 1)];
                palette_.push_back(qRgb(level, level, level));
            }
        }
        // Picture lookup for samples of up to 8 bits (grey and palette).
        lut_.fill(0xff000000u);
        if (type == 3) {
            const auto* t = reinterpret_cast<const std::uint8_t*>(info.trns.constData());
            for (std::size_t i = 0; i < palette_.size(); ++i) {
                const int a = trnsOn_ && qsizetype(i) < info.trns.size() ? t[i] : 255;
                lut_[i] = (palette_[i] & 0xffffffu) | QRgb(a) << 24;
            }
        } else if (type == 0 && h_.bitDepth <= 8) {
            for (std::size_t i = 0; i < palette_.size(); ++i)
                lut_[i] = palette_[i] | 0xff000000u;
            if (trnsOn_ && trns_[0] < int(palette_.size()))
                lut_[std::size_t(trns_[0])] &= 0xffffffu;
        }
    }

    bool hasAlpha() const { return hasAlpha_; }
    bool rgbTransparent() const { return h_.colourType == 2 && trnsOn_; }

    int bitCount() const
    {
        if (h_.colourType == 2 || h_.colourType == 6)
            return 24;
        if (h_.bitDepth == 1)
            return 1;
        return h_.bitDepth <= 4 ? 4 : 8;
    }

    Colour transparentColour() const
    {
        const auto byte = [&](int v) { return h_.bitDepth == 16 ? v >> 8 : v & 0xff; };
        return colourFromRgb(gamma_[byte(trns_[0])], gamma_[byte(trns_[1])], gamma_[byte(trns_[2])]);
    }

    // The classic bitmap's colour table: grey levels or palette, 2^depth
    // entries; a 2-bit image gets 16 entries repeating its 4 (or fewer).
    QList<QRgb> colourTable() const
    {
        QList<QRgb> table;
        for (QRgb c : palette_)
            table.append(c | 0xff000000u);
        const int depth = h_.bitDepth;
        if (depth == 2 && !table.isEmpty()) {
            const qsizetype n = table.size();
            for (qsizetype i = n; i < 16; ++i)
                table.append(table[i % n]);
        }
        const int want = depth == 2 ? 16 : depth >= 8 ? 256 : 1 << depth;
        while (table.size() < want)
            table.append(0xff000000u);
        return table;
    }

    // Picture pixels of one scanline: count pixels written every step.
    void toPicture(const std::uint8_t* raw, QRgb* out, int count, int step) const
    {
        const auto& g = gamma_;
        const int depth = h_.bitDepth;
        switch (h_.colourType) {
        case 0:
            if (depth == 16) {
                for (int k = 0; k < count; ++k, raw += 2) {
                    const int v = g[raw[0]];
                    const bool clear = trnsOn_ && be16(raw) == trns_[0];
                    out[k * step] = qRgba(v, v, v, clear ? 0 : 255);
                }
                return;
            }
            [[fallthrough]];
        case 3:
            if (depth == 8) {
                for (int k = 0; k < count; ++k)
                    out[k * step] = lut_[raw[k]];
            } else {
                for (int k = 0; k < count; ++k)
                    out[k * step] = lut_[std::size_t(sampleAt(raw, k, depth))];
            }
            return;
        case 4: {
            const int size = depth / 4;
            const int alpha = depth / 8;
            for (int k = 0; k < count; ++k, raw += size) {
                const int v = g[raw[0]];
                out[k * step] = qRgba(v, v, v, raw[alpha]);
            }
            return;
        }
        case 2:
            if (depth == 8 && !trnsOn_ && !gammaOn_) {
                for (int k = 0; k < count; ++k, raw += 3)
                    out[k * step] = 0xff000000u | QRgb(raw[0]) << 16 | QRgb(raw[1]) << 8 | raw[2];
            } else if (depth == 8 && !trnsOn_) {
                for (int k = 0; k < count; ++k, raw += 3)
                    out[k * step] = 0xff000000u | QRgb(g[raw[0]]) << 16 | QRgb(g[raw[1]]) << 8 | g[raw[2]];
            } else if (depth == 8) {
                for (int k = 0; k < count; ++k, raw += 3) {
                    const bool clear = raw[0] == trns_[0] && raw[1] == trns_[1] && raw[2] == trns_[2];
                    out[k * step] = qRgba(g[raw[0]], g[raw[1]], g[raw[2]], clear ? 0 : 255);
                }
            } else {
                for (int k = 0; k < count; ++k, raw += 6) {
                    const bool clear = trnsOn_ && be16(raw) == trns_[0] && be16(raw + 2) == trns_[1]
                        && be16(raw + 4) == trns_[2];
                    out[k * step] = qRgba(g[raw[0]], g[raw[2]], g[raw[4]], clear ? 0 : 255);
                }
            }
            return;
        case 6: {
            const int c = depth / 8; // bytes a sample
            for (int k = 0; k < count; ++k, raw += 4 * c)
                out[k * step] = qRgba(g[raw[0]], g[raw[c]], g[raw[2 * c]], raw[3 * c]);
            return;
        }
        }
    }

    // Classic bitmap pixels of one scanline into row, from column x0 every step.
    void toBitmap(const std::uint8_t* raw, std::uint8_t* row, int x0, int count, int step,
                  std::size_t rawBytes) const
    {
        const int depth = h_.bitDepth;
        switch (bitCount()) {
        case 1:
            if (step == 1) {
                std::memcpy(row, raw, rawBytes);
                return;
            }
            for (int k = 0; k < count; ++k) {
                const int x = x0 + k * step;
                const std::uint8_t bit = std::uint8_t(0x80 >> (x & 7));
                if (sampleAt(raw, k, 1))
                    row[x >> 3] |= bit;
                else
                    row[x >> 3] &= std::uint8_t(~bit);
            }
            return;
        case 4:
            for (int k = 0; k < count; ++k)
                row[x0 + k * step] = std::uint8_t(sampleAt(raw, k, depth));
            return;
        case 8: {
            // Grey or palette index: the (high) byte of the grey sample.
            const int size = (h_.colourType == 4 ? 2 : 1) * depth / 8;
            for (int k = 0; k < count; ++k)
                row[x0 + k * step] = raw[k * size];
            return;
        }
        default: {
            const int c = depth / 8;
            const int size = (h_.colourType == 6 ? 4 : 3) * c;
            for (int k = 0; k < count; ++k, raw += size) {
                std::uint8_t* p = row + 3 * (x0 + k * step);
                p[0] = gamma_[raw[2 * c]];
                p[1] = gamma_[raw[c]];
                p[2] = gamma_[raw[0]];
            }
        }
        }
    }

private:
    const PngHeader& h_;
    bool gammaOn_ = false;
    std::array<std::uint8_t, 256> gamma_{};
    std::vector<QRgb> palette_; // gamma applied, opaque
    std::array<QRgb, 256> lut_{};
    bool trnsOn_ = false;
    int trns_[3] = {-1, -1, -1};
    bool hasAlpha_ = false;
};

QImage allocate(int w, int h, QImage::Format format)
{
    QImage image(w, h, format);
    if (image.isNull())
        throw EPNGImageException(QString::fromLatin1(kTooLarge).arg(w).arg(h).toStdString());
    return image;
}

} // namespace

DecodeResult decodeImage(const PngInfo& info, bool wantBitmap,
                         const std::function<void(const QString&, int)>& progress)
{
    const PngHeader& h = info.header;
    const int width = int(h.width);
    const int height = int(h.height);
    const RowConverter conv(info);

    const int channels = h.colourType == 2 ? 3 : h.colourType == 4 ? 2 : h.colourType == 6 ? 4 : 1;
    const int bitsPerPixel = channels * h.bitDepth;
    // Deflate cannot pack more than about 1032 bytes into one, so image data
    // too short to hold every scanline is refused before the picture exists.
    const std::size_t maxRow = (std::size_t(width) * std::size_t(bitsPerPixel) + 7) / 8;
    if ((maxRow + 1) * std::size_t(height) / 1040 > std::size_t(info.idat.size()))
        fail(kCorrupted);

    DecodeResult result;
    result.picture = allocate(width, height, conv.hasAlpha() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (wantBitmap) {
        result.bitCount = conv.bitCount();
        const QImage::Format f = result.bitCount == 1 ? QImage::Format_Mono
            : result.bitCount == 24                   ? QImage::Format_BGR888
                                                      : QImage::Format_Indexed8;
        result.bitmap = allocate(width, height, f);
        if (f != QImage::Format_BGR888)
            result.bitmap.setColorTable(conv.colourTable());
        if (conv.rgbTransparent()) {
            result.transparent = true;
            result.transparentColour = conv.transparentColour();
        }
    }

    const int bpp = std::max(1, bitsPerPixel / 8);
    std::vector<std::uint8_t> lines(2 * (maxRow + 1), 0);
    std::uint8_t* cur = lines.data();
    std::uint8_t* prev = lines.data() + maxRow + 1;
    std::vector<QRgb> scatter;

    Inflater inflater(info.idat);
    const bool interlaced = h.interlace == 1;
    const std::span<const Pass> passes = interlaced ? std::span<const Pass>(kAdam7) : std::span<const Pass>(kSingle);
    for (std::size_t p = 0; p < passes.size(); ++p) {
        const Pass& pass = passes[p];
        if (pass.startCol >= width || pass.startRow >= height)
            continue;
        const int passWidth = (width - pass.startCol + pass.colStep - 1) / pass.colStep;
        const std::size_t rowBytes = (std::size_t(passWidth) * std::size_t(bitsPerPixel) + 7) / 8;
        std::memset(prev, 0, rowBytes + 1);
        for (int y = pass.startRow; y < height; y += pass.rowStep) {
            inflater.read(cur, rowBytes + 1);
            unfilter(cur[0], bpp, cur + 1, prev + 1, rowBytes);
            const std::uint8_t* raw = cur + 1;
            auto* out = reinterpret_cast<QRgb*>(result.picture.scanLine(y));
            conv.toPicture(raw, out + pass.startCol, passWidth, pass.colStep);
            if (wantBitmap)
                conv.toBitmap(raw, result.bitmap.scanLine(y), pass.startCol, passWidth, pass.colStep, rowBytes);
            std::swap(cur, prev);
            if (progress && !interlaced)
                progress(QStringLiteral("Drawing..."), int(std::int64_t(y) * 100 / height));
        }
        if (progress && interlaced)
            progress(QStringLiteral("Drawing..."), int(100 * p / 6));
    }
    return result;
}

} // namespace orugif::formats::png
