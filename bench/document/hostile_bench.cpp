// Small files that ask for much work: reading and opening GIFs of many
// one-pixel frames (the time must grow linearly with the count), and the time
// a metafile of full-size shapes or clipping cuts, and a progressive JPEG of
// thousands of scans, take to be refused.
#include "common/error.h"
#include "document/child.h"
#include "headless.h"
#include "formats/jpeg.h"
#include "formats/metafile.h"
#include "gif/gifimage.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include <jpeglib.h>

namespace {


struct Writer {
    QByteArray b;
    Writer& u8(int v)
    {
        b += char(v);
        return *this;
    }
    Writer& u16(int v) { return u8(v & 0xff).u8((v >> 8) & 0xff); }
    Writer& u32(std::int64_t v) { return u16(int(v & 0xffff)).u16(int((v >> 16) & 0xffff)); }
};

// A GIF of `frames` one-pixel frames on a one-pixel screen (15 bytes each).
QByteArray onePixelFrames(int frames)
{
    Writer w;
    w.b = "GIF89a";
    w.u16(1).u16(1).u8(0x80).u8(0).u8(0).u32(0).u16(0xffff);
    for (int i = 0; i < frames; ++i)
        w.u8(0x2c).u16(0).u16(0).u16(1).u16(1).u8(0).u8(2).u8(2).u8(0x44).u8(0x01).u8(0);
    w.u8(0x3b);
    return w.b;
}

void readOnePixelFrames(benchmark::State& state)
{
    const QByteArray file = onePixelFrames(int(state.range(0)));
    for (auto _ : state) {
        orugif::gif::TGIFImage image;
        image.LoadFromData({reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size())});
        benchmark::DoNotOptimize(image.Images().Count());
    }
    state.counters["frames/s"] =
        benchmark::Counter(double(state.range(0)) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(readOnePixelFrames)->RangeMultiplier(2)->Range(8192, 65536)->Unit(benchmark::kMillisecond);

void openOnePixelFrames(benchmark::State& state)
{
    const QString path = QDir::temp().filePath(QStringLiteral("orugif-bench-one-pixel-frames.gif"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(onePixelFrames(int(state.range(0)))) < 0) {
        state.SkipWithError("cannot write the file");
        return;
    }
    file.close();
    benchsupport::Document d;
    orugif::TChild& child = d.child;
    for (auto _ : state) {
        child.Charge(path);
        benchmark::DoNotOptimize(child.ImageList1.count());
    }
    state.counters["frames/s"] =
        benchmark::Counter(double(state.range(0)) * double(state.iterations()), benchmark::Counter::kIsRate);
    QFile::remove(path);
}
BENCHMARK(openOnePixelFrames)->RangeMultiplier(2)->Range(8192, 65536)->Unit(benchmark::kMillisecond);

// An EMF whose frame is `side` pixels square at 96 dots an inch, of
// `ellipses` ellipses covering it.
QByteArray fullSizeEllipsesEmf(int side, int ellipses)
{
    const std::int64_t hundredthsMm = std::int64_t(side) * 2540 / 96;
    Writer w;
    w.u32(1).u32(88).u32(0).u32(0).u32(side - 1).u32(side - 1);
    w.u32(0).u32(0).u32(hundredthsMm).u32(hundredthsMm);
    w.u32(0x464D4520).u32(0x10000).u32(0).u32(ellipses + 2).u16(1).u16(0);
    w.u32(0).u32(0).u32(0).u32(960).u32(960).u32(254).u32(254);
    for (int i = 0; i < ellipses; ++i)
        w.u32(42).u32(24).u32(0).u32(0).u32(side).u32(side);
    w.u32(14).u32(20).u32(0).u32(0).u32(20);
    return w.b;
}

// A placeable WMF `side` units square at 96 units an inch with the given
// records (function, four words each) and a last rectangle over it all.
QByteArray wmf(int side, int count, int function, const std::function<std::array<int, 4>(int)>& words, int objects = 4)
{
    Writer w;
    w.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(side).u16(side).u16(96).u32(0).u16(0);
    w.u16(1).u16(9).u16(0x300).u32(0).u16(objects).u32(0).u16(0);
    for (int i = 0; i < count; ++i) {
        w.u32(7).u16(function);
        for (int v : words(i))
            w.u16(v);
    }
    w.u32(7).u16(0x041B).u16(side).u16(side).u16(0).u16(0);
    w.u32(3).u16(0);
    return w.b;
}

void refuseMetafile(benchmark::State& state, const QByteArray& file, bool mayDraw = false)
{
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(orugif::formats::renderMetafile(file));
            if (!mayDraw) {
                state.SkipWithError("drawn, not refused");
                return;
            }
        } catch (const orugif::formats::EMetafileException&) {
        }
    }
}

void refuseEmfOfFullSizeEllipses(benchmark::State& state)
{
    refuseMetafile(state, fullSizeEllipsesEmf(int(state.range(0)), 1000));
}
BENCHMARK(refuseEmfOfFullSizeEllipses)->Arg(1024)->Arg(4096)->Arg(16384)->Unit(benchmark::kMillisecond);

void refuseWmfOfFullSizeEllipses(benchmark::State& state)
{
    const int side = int(state.range(0));
    refuseMetafile(state, wmf(side, 1000, 0x0418, [side](int) { return std::array{side, side, 0, 0}; }));
}
BENCHMARK(refuseWmfOfFullSizeEllipses)->Arg(1024)->Arg(4096)->Arg(16384)->Unit(benchmark::kMillisecond);

// 170,000 brushes created in a table of 65,535 slots (1 MB of records with
// their parameters cut): drawn or refused, but quickly either way.
void refuseWmfOfManyBrushes(benchmark::State& state)
{
    Writer w;
    w.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(1024).u16(1024).u16(96).u32(0).u16(0);
    w.u16(1).u16(9).u16(0x300).u32(0).u16(0xffff).u32(0).u16(0);
    for (int i = 0; i < 170000; ++i)
        w.u32(3).u16(0x02FC);
    w.u32(3).u16(0);
    refuseMetafile(state, w.b, true);
}
BENCHMARK(refuseWmfOfManyBrushes)->Unit(benchmark::kMillisecond);

void refuseWmfOfClipRectangles(benchmark::State& state)
{
    refuseMetafile(state, wmf(1024, 20000, 0x0415, [](int i) {
                       const int x = 3 * (i % 300) + 1, y = 3 * (i / 300) + 1;
                       return std::array{y + 1, x + 1, y, x};
                   }));
}
BENCHMARK(refuseWmfOfClipRectangles)->Unit(benchmark::kMillisecond);

// A progressive JPEG of 1024 x 768 noise written by libjpeg, its last scan
// repeated until the file holds `scans` scans.
QByteArray manyScanJpeg(int scans)
{
    QImage picture(1024, 768, QImage::Format_RGB888);
    unsigned seed = 1;
    for (int y = 0; y < picture.height(); ++y) {
        uchar* row = picture.scanLine(y);
        for (int x = 0; x < picture.width() * 3; ++x) {
            seed = seed * 1103515245u + 12345u;
            row[x] = uchar(seed >> 24);
        }
    }
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(picture.width());
    info.image_height = JDIMENSION(picture.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = picture.scanLine(int(info.next_scanline));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    const int written = info.num_scans;
    jpeg_destroy_compress(&info);
    QByteArray file(reinterpret_cast<const char*>(buffer), qsizetype(size));
    std::free(buffer);
    const qsizetype last = file.lastIndexOf("\xff\xda"), end = file.lastIndexOf("\xff\xd9");
    const QByteArray scan = file.mid(last, end - last);
    QByteArray more;
    for (int i = written; i < scans; ++i)
        more += scan;
    return file.insert(end, more);
}

void refuseJpegOfManyScans(benchmark::State& state)
{
    const QByteArray file = manyScanJpeg(int(state.range(0)));
    state.counters["file KiB"] = double(file.size()) / 1024.0;
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(orugif::formats::decodeJpeg(file));
            state.SkipWithError("decoded, not refused");
            return;
        } catch (const orugif::Error&) {
        }
    }
}
BENCHMARK(refuseJpegOfManyScans)->Arg(2000)->Unit(benchmark::kMillisecond);

} // namespace
