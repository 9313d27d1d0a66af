#include "formats/aviwriter.h"

#include "common/error.h"
#include "common/savefile.h"

#include <QFileInfo>
#include <algorithm>
#include <array>
#include <numeric>
#include <new>

namespace orugif::formats {

namespace {

constexpr std::uint32_t kHasIndex = 0x10;   // AVIF_HASINDEX in the main header
constexpr std::uint32_t kKeyFrame = 0x10;   // AVIIF_KEYFRAME in the index
constexpr int kHeaderBytes = 12 + 12 + 64 + 12 + 64 + 8 + 40 + 256 * 4 + 12;  // RIFF..'movi' list head

// Bytes of one row: 8 bits a pixel, rows padded to 4 bytes.
std::int64_t rowBytes(int width) { return (std::int64_t(width) + 3) / 4 * 4; }

class Writer {
public:
    explicit Writer(QByteArray& out) : out_(out) {}
    void fourcc(const char* code) { out_.append(code, 4); }
    void u32(std::uint32_t v)
    {
        const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        out_.append(b, 4);
    }
    void u16(std::uint16_t v)
    {
        const char b[2] = {char(v), char(v >> 8)};
        out_.append(b, 2);
    }
    // Writes a chunk head whose size is filled in by close().
    qsizetype open(const char* code)
    {
        fourcc(code);
        const qsizetype at = out_.size();
        u32(0);
        return at;
    }
    void close(qsizetype at)
    {
        const std::uint32_t size = std::uint32_t(out_.size() - at - 4);
        for (int i = 0; i < 4; ++i)
            out_[at + i] = char(size >> (8 * i));
    }

private:
    QByteArray& out_;
};

int cubeLevel(int channel) { return (channel + 25) / 51; }

// Up to 256 colours and their indexes: open addressing over 1024 slots,
// with the last colour found kept aside (runs of one colour are common).
class ColourIndex {
public:
    // The colour's index, added when new; -1 when 256 are already held.
    int find(QRgb colour)
    {
        colour |= 0xff000000u;  // never 0, the mark of an empty slot
        if (colour == last_)
            return lastIndex_;
        std::size_t at = (colour * 2654435761u) >> 22;
        while (keys_[at] != 0 && keys_[at] != colour)
            at = (at + 1) & 1023;
        if (keys_[at] == 0) {
            if (colours_.size() == 256)
                return -1;
            keys_[at] = colour;
            indexes_[at] = std::uint8_t(colours_.size());
            colours_.push_back(colour);
        }
        last_ = colour;
        lastIndex_ = indexes_[at];
        return lastIndex_;
    }
    const QList<QRgb>& colours() const { return colours_; }

private:
    std::array<std::uint32_t, 1024> keys_{};
    std::array<std::uint8_t, 1024> indexes_{};
    QList<QRgb> colours_;
    QRgb last_ = 0;
    int lastIndex_ = 0;
};

} // namespace

AviFrames aviFrames(const std::vector<QImage>& frames)
{
    // Each frame is mapped to the colours found so far; as soon as the
    // frames hold more than 256 colours together, every frame is mapped to
    // the cube instead.
    AviFrames result;
    ColourIndex table;
    bool fits = true;
    result.frames.reserve(frames.size());
    for (const QImage& frame : frames) {
        const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
        QImage indexed(rgb.size(), QImage::Format_Indexed8);
        if (indexed.isNull() && !rgb.isNull())
            throw std::bad_alloc();
        for (int y = 0; y < rgb.height() && fits; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            uchar* out = indexed.scanLine(y);
            for (int x = 0, w = rgb.width(); x < w; ++x) {
                const int index = table.find(row[x]);
                if (index < 0) {
                    fits = false;
                    break;
                }
                out[x] = uchar(index);
            }
        }
        if (!fits)
            break;
        result.frames.push_back(std::move(indexed));
    }
    if (fits) {
        result.palette = table.colours();
        for (QImage& indexed : result.frames)
            indexed.setColorTable(result.palette);
        return result;
    }
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                result.palette.push_back(qRgb(r * 51, g * 51, b * 51));
    result.frames.clear();
    for (const QImage& frame : frames) {
        const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
        QImage indexed(rgb.size(), QImage::Format_Indexed8);
        if (indexed.isNull() && !rgb.isNull())
            throw std::bad_alloc();
        indexed.setColorTable(result.palette);
        for (int y = 0; y < rgb.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            uchar* out = indexed.scanLine(y);
            for (int x = 0, w = rgb.width(); x < w; ++x) {
                const QRgb c = row[x];
                out[x] = uchar(cubeLevel(qRed(c)) * 36 + cubeLevel(qGreen(c)) * 6 + cubeLevel(qBlue(c)));
            }
        }
        result.frames.push_back(std::move(indexed));
    }
    return result;
}

std::int64_t aviFileSize(std::int64_t pictures, std::int64_t count, int width, int height)
{
    const std::int64_t frameBytes = rowBytes(width) * height;
    return kHeaderBytes + pictures * frameBytes + count * 8 + 8 + count * 16;
}

std::int64_t checkAviSize(std::int64_t pictures, std::int64_t count, int width, int height)
{
    const std::int64_t total = aviFileSize(pictures, count, width, height);
    if (total > kAviSizeLimit)
        throw Error(QStringLiteral("Le fichier AVI ferait %1 Mo, au-delà de la limite de 1 Go des fichiers AVI : "
                                   "rien n'a été enregistré.")
                        .arg(total / (1024 * 1024)));
    return total;
}

AviTiming aviTiming(const std::vector<int>& delays)
{
    AviTiming timing;
    int scale = 0;
    for (int delay : delays)
        scale = std::gcd(scale, std::max(delay, 1));
    timing.scale = std::uint32_t(std::max(scale, 1));
    for (int delay : delays) {
        timing.repeats.push_back(std::max(delay, 1) / int(timing.scale));
        timing.count += timing.repeats.back();
    }
    return timing;
}

QByteArray encodeAvi(const AviFrames& frames, const std::vector<int>& delays)
{
    if (frames.frames.empty())
        throw Error(QStringLiteral("L'animation ne contient aucun cadre : rien n'a été enregistré."));
    if (delays.size() != frames.frames.size())
        throw Error(QStringLiteral("Chaque cadre doit avoir sa durée : rien n'a été enregistré."));
    const int width = frames.frames.front().width(), height = frames.frames.front().height();
    const AviTiming timing = aviTiming(delays);
    const std::int64_t count = timing.count;
    // Which frames hold pixels: those that differ from the frame before.
    std::vector<bool> repeats(frames.frames.size(), false);
    std::int64_t pictures = 0;
    for (std::size_t i = 0; i < frames.frames.size(); ++i) {
        repeats[i] = i > 0 && frames.frames[i] == frames.frames[i - 1];
        pictures += repeats[i] ? 0 : 1;
    }
    const std::int64_t total = checkAviSize(pictures, count, width, height);
    const std::uint32_t scale = timing.scale;
    const std::int64_t stride = rowBytes(width);
    const std::uint32_t frameBytes = std::uint32_t(stride * height);

    QByteArray out;
    out.reserve(qsizetype(total));
    Writer w(out);
    const qsizetype riff = w.open("RIFF");
    w.fourcc("AVI ");
    const qsizetype hdrl = w.open("LIST");
    w.fourcc("hdrl");
    const qsizetype avih = w.open("avih");
    w.u32(scale * 10000);                                  // microseconds a frame
    w.u32(std::uint32_t(std::min<std::int64_t>(std::int64_t(frameBytes) * 100 / scale, 0xffffffff)));  // bytes a second
    w.u32(0);                                              // padding granularity
    w.u32(kHasIndex);
    w.u32(std::uint32_t(count));
    w.u32(0);  // initial frames
    w.u32(1);  // streams
    w.u32(frameBytes);
    w.u32(std::uint32_t(width));
    w.u32(std::uint32_t(height));
    for (int i = 0; i < 4; ++i)
        w.u32(0);
    w.close(avih);
    const qsizetype strl = w.open("LIST");
    w.fourcc("strl");
    const qsizetype strh = w.open("strh");
    w.fourcc("vids");
    w.u32(0);  // handler: uncompressed
    w.u32(0);  // flags
    w.u16(0);  // priority
    w.u16(0);  // language
    w.u32(0);  // initial frames
    w.u32(scale);
    w.u32(100);  // rate: scale / rate seconds a frame
    w.u32(0);    // start
    w.u32(std::uint32_t(count));
    w.u32(frameBytes);  // suggested buffer: one frame
    w.u32(0xffffffffu);  // quality: the default
    w.u32(0);            // sample size: frames vary
    w.u16(0);
    w.u16(0);
    w.u16(std::uint16_t(width));
    w.u16(std::uint16_t(height));
    w.close(strh);
    const qsizetype strf = w.open("strf");
    w.u32(40);
    w.u32(std::uint32_t(width));
    w.u32(std::uint32_t(height));  // positive: rows bottom-up
    w.u16(1);
    w.u16(8);
    w.u32(0);  // BI_RGB
    w.u32(frameBytes);
    w.u32(0);
    w.u32(0);
    w.u32(256);
    w.u32(0);
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < frames.palette.size() ? frames.palette[i] : qRgb(0, 0, 0);
        const char quad[4] = {char(qBlue(c)), char(qGreen(c)), char(qRed(c)), 0};
        out.append(quad, 4);
    }
    w.close(strf);
    w.close(strl);
    w.close(hdrl);

    const qsizetype movi = w.open("LIST");
    const qsizetype moviStart = out.size();  // index offsets count from the 'movi' code
    w.fourcc("movi");
    struct Entry {
        std::uint32_t offset;
        bool picture;
    };
    std::vector<Entry> entries;
    entries.reserve(std::size_t(count));
    const QByteArray padding(int(stride - width), '\0');
    for (std::size_t i = 0; i < frames.frames.size(); ++i) {
        const QImage& frame = frames.frames[i];
        if (frame.size() != QSize(width, height) || frame.format() != QImage::Format_Indexed8)
            throw Error(QStringLiteral("Les cadres de l'animation n'ont pas tous la même taille."));
        // A frame that lasts several periods holds its pixels once; its
        // other periods, like a frame equal to the one before, are empty.
        for (int copy = 0; copy < timing.repeats[i]; ++copy) {
            const bool picture = copy == 0 && !repeats[i];
            entries.push_back({std::uint32_t(out.size() - moviStart), picture});
            const qsizetype chunk = w.open("00db");
            if (picture) {
                for (int y = height - 1; y >= 0; --y) {
                    out.append(reinterpret_cast<const char*>(frame.constScanLine(y)), width);
                    out.append(padding);
                }
            }
            w.close(chunk);
        }
    }
    w.close(movi);
    const qsizetype idx1 = w.open("idx1");
    for (const Entry& entry : entries) {
        w.fourcc("00db");
        w.u32(entry.picture ? kKeyFrame : 0);
        w.u32(entry.offset);
        w.u32(entry.picture ? frameBytes : 0);
    }
    w.close(idx1);
    w.close(riff);
    return out;
}

void writeAvi(const QString& path, const std::vector<QImage>& frames, int delay)
{
    writeAvi(path, frames, std::vector<int>(frames.size(), delay));
}

void writeAvi(const QString& path, const std::vector<QImage>& frames, const std::vector<int>& delays)
{
    // Refused before the frames are converted (as if every one differed).
    if (!frames.empty())
        checkAviSize(std::int64_t(frames.size()), aviTiming(delays).count, frames.front().width(),
                     frames.front().height());
    writeAvi(path, aviFrames(frames), delays);
}

void writeAvi(const QString& path, const AviFrames& frames, const std::vector<int>& delays)
{
    writeFileSafely(path, encodeAvi(frames, delays));
}

} // namespace orugif::formats
