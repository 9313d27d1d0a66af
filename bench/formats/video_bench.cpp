// Video import speed: 300 frames of 640 x 480 in an MJPEG AVI and an H.264
// MP4, made with the ffmpeg command before the runs. "read" decodes and
// converts each frame as the import options' full width does; "import" also
// reduces each frame to the 216-colour cube with dithering, as opening a
// video does (decoded frames are dithered eight at a time on the other
// core). Counters: frames a second, the process's peak resident memory, and
// the ffmpeg command's own decoding speed of the clip (-f null) beside.
// "ExportAvi" writes the imported frames as an uncompressed AVI.
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
    QString mjpeg, h264;
    double ffmpegMjpeg = 0, ffmpegH264 = 0;  // frames a second of `ffmpeg -i CLIP -f null -`
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
        made.ffmpegMjpeg = ffmpegDecodeRate(made.mjpeg);
        made.ffmpegH264 = ffmpegDecodeRate(made.h264);
        return made;
    }();
    return c;
}

// Takes every frame at the video's width, as "Toutes les images" does.
struct AllFrames : benchsupport::Silent {
    VideoChoice runVideoOptions(const orugif::formats::VideoInfo& info) override { return {0, info.frames - 1, 0}; }
};

double peakMebibytes() { return double(benchsupport::peakKilobytes()) / 1024.0; }

void run(benchmark::State& state, bool h264, bool reduce)
{
    const Clips& c = clips();
    const QString& clip = h264 ? c.h264 : c.mjpeg;
    if (!QFileInfo::exists(clip)) {
        state.SkipWithError("the ffmpeg command could not make the clip");
        return;
    }
    std::int64_t frames = 0;
    for (auto _ : state) {
        if (reduce) {
            // The editor's own import: decoding, and the dithered reduction
            // on the other cores, into a document.
            benchsupport::Document<AllFrames> d;
            orugif::TChild& child = d.child;
            child.Charge(clip);
            frames += child.ImageList1.count();
            continue;
        }
        orugif::formats::VideoReader video(clip);
        video.read(0, video.info().frames - 1, 0, [&](std::int64_t, const QImage& frame) {
            benchmark::DoNotOptimize(frame.constBits());
            ++frames;
            return true;
        });
    }
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["ffmpeg null frames/s"] = h264 ? c.ffmpegH264 : c.ffmpegMjpeg;
    state.counters["peak MiB"] = peakMebibytes();
}

void BM_ReadMjpeg(benchmark::State& s) { run(s, false, false); }
void BM_ReadH264(benchmark::State& s) { run(s, true, false); }
void BM_ImportMjpeg(benchmark::State& s) { run(s, false, true); }
void BM_ImportH264(benchmark::State& s) { run(s, true, true); }

} // namespace

BENCHMARK(BM_ReadMjpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_ReadH264)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_ImportMjpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ImportH264)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

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

// Export of the imported MJPEG clip's 300 frames to an uncompressed AVI
// (the shared palette found or the cube mapping, the encoding, the write).
void BM_ExportAvi(benchmark::State& state)
{
    const Clips& c = clips();
    std::vector<QImage> frames;
    orugif::formats::VideoReader video(c.mjpeg);
    video.read(0, video.info().frames - 1, 0, [&](std::int64_t, const QImage& frame) {
        frames.push_back(frame);
        return true;
    });
    orugif::gif::DitherToCubeInPlace(frames);
    const QString out = c.dir.filePath("export.avi");
    for (auto _ : state)
        orugif::formats::writeAvi(out, frames, 4);
    state.counters["frames/s"] =
        benchmark::Counter(double(frames.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["MB"] = double(QFileInfo(out).size()) / 1e6;
}

} // namespace

BENCHMARK(BM_DitherFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportAvi)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_DitherFrames)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);
