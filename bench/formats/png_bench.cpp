// PNG decoding speed in megapixels a second of CPU time, our reader beside
// Qt's own (libpng) in the same run: a 4000 x 3000 RGB picture written by Qt,
// and the same picture written with Adam7 interlacing.
#include "formats/png.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <zlib.h>

namespace {

constexpr int kWidth = 4000, kHeight = 3000;

// A photograph-like picture: smooth gradients with some noise.
QImage picture()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB888);
    QRandomGenerator rng(42);
    for (int y = 0; y < kHeight; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < kWidth; ++x) {
            const int n = int(rng.bounded(9)) - 4;
            row[3 * x] = uchar(std::clamp(x * 255 / kWidth + n, 0, 255));
            row[3 * x + 1] = uchar(std::clamp(y * 255 / kHeight + n, 0, 255));
            row[3 * x + 2] = uchar(std::clamp((x + y) % 512 / 2 + n, 0, 255));
        }
    }
    return image;
}

QByteArray qtPng(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void put32(QByteArray& out, quint32 v)
{
    for (int i = 3; i >= 0; --i)
        out += char(v >> (8 * i));
}

void chunk(QByteArray& out, const char* type, const QByteArray& data)
{
    put32(out, quint32(data.size()));
    const QByteArray typed = QByteArray(type, 4) + data;
    out += typed;
    put32(out, quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size()))));
}

// An Adam7 RGB PNG; every scanline uses the Paeth filter.
QByteArray adam7Png(const QImage& image)
{
    static const int pass[7][4] = {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                                   {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}};
    QByteArray raw;
    for (const auto& p : pass) {
        QByteArray prev;
        for (int y = p[0]; y < image.height(); y += p[2]) {
            QByteArray line;
            for (int x = p[1]; x < image.width(); x += p[3])
                line.append(reinterpret_cast<const char*>(image.constScanLine(y)) + 3 * x, 3);
            if (prev.isEmpty())
                prev = QByteArray(line.size(), 0);
            raw += char(4);
            for (qsizetype i = 0; i < line.size(); ++i) {
                const int a = i >= 3 ? uchar(line[i - 3]) : 0, b = uchar(prev[i]), c = i >= 3 ? uchar(prev[i - 3]) : 0;
                const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
                const int pred = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                raw += char(uchar(line[i]) - pred);
            }
            prev = line;
        }
    }
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray z(qsizetype(size), 0);
    compress2(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
              uLong(raw.size()), 6);
    z.resize(qsizetype(size));
    QByteArray out("\x89PNG\r\n\x1a\n", 8), ihdr;
    put32(ihdr, quint32(image.width()));
    put32(ihdr, quint32(image.height()));
    ihdr += QByteArray("\x08\x02\x00\x00\x01", 5);
    chunk(out, "IHDR", ihdr);
    chunk(out, "IDAT", z);
    chunk(out, "IEND", {});
    return out;
}

const QByteArray& plainFile()
{
    static const QByteArray bytes = qtPng(picture());
    return bytes;
}

const QByteArray& interlacedFile()
{
    static const QByteArray bytes = adam7Png(picture());
    return bytes;
}

void report(benchmark::State& state)
{
    state.counters["MP/s"] =
        benchmark::Counter(double(kWidth) * kHeight / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

void ours(benchmark::State& state, const QByteArray& (*file)())
{
    const QByteArray& bytes = file();
    for (auto _ : state) {
        QImage image = orugif::formats::loadPng(bytes);
        benchmark::DoNotOptimize(image.constBits());
    }
    report(state);
}

void qt(benchmark::State& state, const QByteArray& (*file)())
{
    const QByteArray& bytes = file();
    for (auto _ : state) {
        QImage image = QImage::fromData(bytes, "PNG");
        if (image.isNull())
            state.SkipWithError("Qt could not read the picture");
        benchmark::DoNotOptimize(image.constBits());
    }
    report(state);
}

BENCHMARK_CAPTURE(ours, rgb_4000x3000, plainFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qt, rgb_4000x3000, plainFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, adam7_4000x3000, interlacedFile)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(qt, adam7_4000x3000, interlacedFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
