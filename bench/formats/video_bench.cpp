// Video import speed: 300 frames of 640 x 480 in an MJPEG AVI and an H.264
// MP4, and 300 frames of 426 x 240 (a width no multiple of 16) in H.264,
// made with the ffmpeg command before the runs. "Read" decodes and converts
// each frame as the import options' full width does; "Import" opens the clip
// into a document as the editor does (frames counted, decoded, kept at full
// colour); "Count" only opens the clip and counts its frames, the pass that
// comes before the options. Counters: frames a second, the process's peak
// resident memory, and the ffmpeg command's own decoding speed of the clip
// (-f null) beside. "SaveImported" saves the imported MJPEG clip as a GIF
// with the video defaults (the cube, Floyd-Steinberg); "ExportAvi" writes it
// as an uncompressed AVI.
#include "../document/headless.h"
#include "document/child.h"
#include "formats/aviwriter.h"
#include "formats/video.h"
#include "gif/colorreduction.h"
#include "gif/cubedither.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kFrames = 300;

struct Clips {
    QTemporaryDir dir;
    QString mjpeg, h264, odd;
    double ffmpegMjpeg = 0, ffmpegH264 = 0, ffmpegOdd = 0;  // frames a second of `ffmpeg -i CLIP -f null -`
};

QString ffmpeg() { return QStandardPaths::findExecutable(QStringLiteral("ffmpeg")); }

double ffmpegDecodeRate(const QString& clip)
{
    QElapsedTimer timer;
    timer.start();
    QProcess::execute(ffmpeg(), {"-v", "error", "-i", clip, "-f", "null", "-"});
    return kFrames / (double(timer.nsecsElapsed()) / 1e9);
}

const Clips& clips()
{
    static Clips c = [] {
        Clips made;
        const QString source = QStringLiteral("testsrc2=size=640x480:rate=25");
        made.mjpeg = made.dir.filePath("clip-mjpeg.avi");
        made.h264 = made.dir.filePath("clip-h264.mp4");
        QProcess::execute(ffmpeg(), {"-v", "error", "-y", "-f", "lavfi", "-i", source, "-frames:v",
                                     QString::number(kFrames), "-c:v", "mjpeg", "-q:v", "3", made.mjpeg});
        QProcess::execute(ffmpeg(), {"-v", "error", "-y", "-f", "lavfi", "-i", source, "-frames:v",
                                     QString::number(kFrames), "-c:v", "libx264", "-pix_fmt", "yuv420p", made.h264});
        made.odd = made.dir.filePath("clip-426.mp4");
        QProcess::execute(ffmpeg(), {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=426x240:rate=25",
                                     "-frames:v", QString::number(kFrames), "-c:v", "libx264", "-pix_fmt", "yuv420p",
                                     made.odd});
        made.ffmpegMjpeg = ffmpegDecodeRate(made.mjpeg);
        made.ffmpegH264 = ffmpegDecodeRate(made.h264);
        made.ffmpegOdd = ffmpegDecodeRate(made.odd);
        return made;
    }();
    return c;
}

// Takes every frame at the video's width, as "Toutes les images" does.
struct AllFrames : benchsupport::Silent {
    VideoChoice runVideoOptions(const orugif::formats::VideoInfo& info) override { return {0, info.frames - 1, 0}; }
    void warn(const QString&) override {}
};

double peakMebibytes() { return double(benchsupport::peakKilobytes()) / 1024.0; }

enum class Clip { Mjpeg, H264, Odd };
enum class Work { Count, Read, Import };

void run(benchmark::State& state, Clip which, Work work)
{
    const Clips& c = clips();
    const QString& clip = which == Clip::Mjpeg ? c.mjpeg : which == Clip::H264 ? c.h264 : c.odd;
    if (!QFileInfo::exists(clip)) {
        state.SkipWithError("the ffmpeg command could not make the clip");
        return;
    }
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (work == Work::Import) {
            // The editor's own import into a document.
            benchsupport::Document<AllFrames> d;
            orugif::TChild& child = d.child;
            child.Charge(clip);
            frames += child.ImageList1.count();
            continue;
        }
        orugif::formats::VideoReader video(clip);
        if (work == Work::Count) {
            frames += video.info().frames;
            continue;
        }
        video.read(0, video.info().frames - 1, 0, 0, [&](std::int64_t, const QImage& frame) {
            benchmark::DoNotOptimize(frame.constBits());
            ++frames;
            return true;
        });
    }
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["ffmpeg null frames/s"] =
        which == Clip::Mjpeg ? c.ffmpegMjpeg : which == Clip::H264 ? c.ffmpegH264 : c.ffmpegOdd;
    state.counters["peak MiB"] = peakMebibytes();
}

void BM_CountMjpeg(benchmark::State& s) { run(s, Clip::Mjpeg, Work::Count); }
void BM_CountH264(benchmark::State& s) { run(s, Clip::H264, Work::Count); }
void BM_ReadMjpeg(benchmark::State& s) { run(s, Clip::Mjpeg, Work::Read); }
void BM_ReadH264(benchmark::State& s) { run(s, Clip::H264, Work::Read); }
void BM_ReadH264Odd(benchmark::State& s) { run(s, Clip::Odd, Work::Read); }
void BM_ImportMjpeg(benchmark::State& s) { run(s, Clip::Mjpeg, Work::Import); }
void BM_ImportH264(benchmark::State& s) { run(s, Clip::H264, Work::Import); }
void BM_ImportH264Odd(benchmark::State& s) { run(s, Clip::Odd, Work::Import); }

} // namespace

BENCHMARK(BM_CountMjpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_CountH264)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ReadMjpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_ReadH264)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_ImportMjpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ImportH264)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ReadH264Odd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_ImportH264Odd)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

namespace {

QImage testFrame(int shift)
{
    QImage frame(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = 0; x < frame.width(); ++x)
            row[x] = qRgb((x + shift) & 255, (y * 3) & 255, (x ^ y) & 255);
    }
    return frame;
}

// The dithered reduction of one 640 x 480 frame, alone.
void BM_DitherFrame(benchmark::State& state)
{
    const QImage frame = testFrame(0);
    for (auto _ : state)
        benchmark::DoNotOptimize(orugif::gif::DitherToCubeRgb(frame).constBits());
    state.counters["Mpixel/s"] =
        benchmark::Counter(640.0 * 480.0 * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

// The same reduction of `range(0)` frames dithered together in place, as the
// import does.
void BM_DitherFrames(benchmark::State& state)
{
    std::vector<QImage> sources, frames;
    for (int i = 0; i < state.range(0); ++i)
        sources.push_back(testFrame(i));
    for (auto _ : state) {
        state.PauseTiming();
        frames = sources;
        for (QImage& f : frames)
            f.bits();  // each its own copy, as decoded frames are
        state.ResumeTiming();
        orugif::gif::DitherToCubeInPlace(frames);
        benchmark::DoNotOptimize(frames.data());
    }
    state.counters["Mpixel/s"] = benchmark::Counter(640.0 * 480.0 * double(state.iterations() * state.range(0)) / 1e6,
                                                    benchmark::Counter::kIsRate);
}

// The imported MJPEG clip, saved with the video defaults (the cube, each
// frame dithered with Floyd-Steinberg as it is saved) or exported as an
// uncompressed AVI with the same colours.
void saveImported(benchmark::State& state, bool avi)
{
    const Clips& c = clips();
    benchsupport::Document<AllFrames> d;
    d.child.Charge(c.mjpeg);
    const QString out = c.dir.filePath(avi ? "export.avi" : "saved.gif");
    for (auto _ : state) {
        if (avi) {
            d.child.writeAviFile(out);
        } else {
            d.child.FileName = out;
            d.child.VideoSource.clear();
            d.child.Sauve(0);
        }
    }
    state.counters["frames/s"] = benchmark::Counter(double(d.child.ImageList1.count()) * double(state.iterations()),
                                                    benchmark::Counter::kIsRate);
    state.counters["MB"] = double(QFileInfo(out).size()) / 1e6;
}

void BM_SaveImported(benchmark::State& state) { saveImported(state, false); }
void BM_ExportAvi(benchmark::State& state) { saveImported(state, true); }

} // namespace

BENCHMARK(BM_DitherFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveImported)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ExportAvi)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DitherFrames)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);
