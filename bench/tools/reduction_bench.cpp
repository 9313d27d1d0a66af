// Quality, size and time of the chosen colour reductions, in one run beside
// FFmpeg's two-pass palette (palettegen/paletteuse) and gifsicle -O3 over the
// cube-mapped file: a 60-frame 640 x 480 photographic animation (FFmpeg's
// mandelbrot source) and a 120-frame 800 x 600 screen recording (a drawn
// window with a moving cursor and typing). Counters: bytes, PSNR in dB
// against the 24-bit frames. Needs ffmpeg and gifsicle on the PATH. With
// ORUGIF_BENCH_KEEP naming a folder, every file made is also written there
// (named after its line) for a look at its blocks.
#include "gif/compose.h"
#include "gif/gifimage.h"
#include "tools/optimisation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cmath>

using namespace orugif;

namespace {

struct Clip {
    std::vector<QImage> frames;
    QString pattern;  // the frames as PNG files for the other tools
};

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

bool runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(600000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

const Clip& photo()
{
    static const Clip clip = [] {
        Clip c;
        const QString dir = workDir().filePath("photo");
        QDir().mkpath(dir);
        c.pattern = dir + "/f%03d.png";
        runTool("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "mandelbrot=size=640x480:rate=25",
                           "-frames:v", "60", c.pattern});
        for (int i = 1; i <= 60; ++i)
            c.frames.push_back(QImage(QString::asprintf((dir + "/f%03d.png").toUtf8().constData(), i))
                                   .convertToFormat(QImage::Format_RGB32));
        return c;
    }();
    return clip;
}

const Clip& screen()
{
    static const Clip clip = [] {
        Clip c;
        const QString dir = workDir().filePath("screen");
        QDir().mkpath(dir);
        c.pattern = dir + "/f%03d.png";
        QImage desk(800, 600, QImage::Format_RGB32);
        {
            QPainter p(&desk);
            QLinearGradient sky(0, 0, 0, 600);
            sky.setColorAt(0, QColor(40, 90, 160));
            sky.setColorAt(1, QColor(10, 30, 70));
            p.fillRect(desk.rect(), sky);
            p.fillRect(100, 80, 600, 420, QColor(236, 236, 236));
            p.fillRect(100, 80, 600, 28, QColor(60, 110, 200));
            p.setPen(Qt::white);
            p.drawText(110, 100, "Document - Editeur");
            p.setPen(Qt::black);
            for (int line = 0; line < 12; ++line)
                p.drawText(120, 140 + 24 * line, QString("Ligne %1 : texte deja ecrit dans la fenetre").arg(line));
            p.fillRect(0, 570, 800, 30, QColor(30, 30, 30));
        }
        for (int i = 0; i < 120; ++i) {
            QImage frame = desk.copy();
            QPainter p(&frame);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::black);
            p.drawText(120, 440, QString("Saisie : ") + QString(i / 3, QChar('a' + i % 26)).left(50));
            const QPointF tip(150 + 4 * i, 200 + 2 * i);
            const QPointF arrow[] = {tip, tip + QPointF(0, 18), tip + QPointF(5, 13), tip + QPointF(12, 13)};
            p.setBrush(Qt::white);
            p.drawPolygon(arrow, 4);
            p.end();
            frame.save(QString::asprintf(c.pattern.toUtf8().constData(), i + 1));
            c.frames.push_back(frame);
        }
        return c;
    }();
    return clip;
}

// PSNR of the file's frames as played against the 24-bit frames.
double psnr(const QByteArray& file, const std::vector<QImage>& frames)
{
    gif::TGIFImage image;
    image.LoadFromData(std::span(reinterpret_cast<const std::uint8_t*>(file.constData()), std::size_t(file.size())));
    const std::vector<QImage> shown = gif::ComposeFrames(image);
    double squared = 0;
    std::size_t samples = 0;
    for (std::size_t i = 0; i < frames.size() && i < shown.size(); ++i)
        for (int y = 0; y < frames[i].height(); ++y) {
            const auto* a = reinterpret_cast<const QRgb*>(frames[i].constScanLine(y));
            const auto* b = reinterpret_cast<const QRgb*>(shown[i].constScanLine(y));
            for (int x = 0; x < frames[i].width(); ++x) {
                const int dr = qRed(a[x]) - qRed(b[x]), dg = qGreen(a[x]) - qGreen(b[x]), db = qBlue(a[x]) - qBlue(b[x]);
                squared += dr * dr + dg * dg + db * db;
                samples += 3;
            }
        }
    if (shown.size() != frames.size())
        return 0;  // a dropped frame: no comparison
    return squared == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * double(samples) / squared);
}

QByteArray build(const std::vector<QImage>& frames, const AnimationSettings& s)
{
    gif::TGIFImage image;
    addFrames(image, frames, s);
    optimise(image, s);
    return image.SaveToData();
}

void keep(benchmark::State& state, const QByteArray& file, const QString& name)
{
    if (const QString folder = qEnvironmentVariable("ORUGIF_BENCH_KEEP"); !folder.isEmpty()) {
        QFile out(QDir(folder).filePath(name + ".gif"));
        if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
            state.SkipWithError("cannot keep the file");
    }
}

QString clipName(const Clip& c)
{
    return QFileInfo(QFileInfo(c.pattern).path()).fileName();
}

void report(benchmark::State& state, const QByteArray& file, const std::vector<QImage>& frames, const QString& name)
{
    keep(state, file, name);
    state.counters["bytes"] = double(file.size());
    state.counters["PSNR_dB"] = psnr(file, frames);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void ours(benchmark::State& state, const char* name, const Clip& (*clip)(), AnimationSettings s)
{
    const Clip& c = clip();
    QByteArray file;
    for (auto _ : state)
        file = build(c.frames, s);
    report(state, file, c.frames, QStringLiteral("ours-") + name);
}

AnimationSettings optimised(int dither, bool merge = false, bool crop = false, bool global = false)
{
    AnimationSettings s;
    s.ColorReduction = 7;
    s.DitherMode = dither;
    s.MergeDuplicatePixels = merge;
    s.RemoveUselessFrames = crop;
    s.RemoveLocalPalettes = global;
    return s;
}

void ffmpegPalette(benchmark::State& state, const Clip& (*clip)())
{
    const Clip& c = clip();
    const QString out = workDir().filePath("ffmpeg.gif");
    for (auto _ : state)
        if (!runTool("ffmpeg", {"-loglevel", "error", "-y", "-framerate", "25", "-i", c.pattern, "-vf",
                                "split[a][b];[a]palettegen[p];[b][p]paletteuse", out}))
            state.SkipWithError("ffmpeg failed");
    report(state, readAll(out), c.frames, "ffmpeg-" + clipName(c));
}

void gifsicleOnCube(benchmark::State& state, const Clip& (*clip)())
{
    const Clip& c = clip();
    const QString cube = workDir().filePath("cube.gif"), out = workDir().filePath("gifsicle.gif");
    const QByteArray cubeFile = build(c.frames, AnimationSettings{});
    keep(state, cubeFile, "cube-" + clipName(c));
    QFile f(cube);
    if (!f.open(QIODevice::WriteOnly) || f.write(cubeFile) < 0)
        state.SkipWithError("cannot write the cube-mapped file");
    f.close();
    for (auto _ : state)
        if (!runTool("gifsicle", {"-O3", "--colors", "256", cube, "-o", out}))
            state.SkipWithError("gifsicle failed");
    report(state, readAll(out), c.frames, "gifsicle-" + clipName(c));
}

void estimate(benchmark::State& state)
{
    const Clip& c = photo();
    std::int64_t size = 0;
    for (auto _ : state)
        size = tools::estimatedSize(c.frames, optimised(1));
    state.counters["bytes"] = double(size);
}

} // namespace

BENCHMARK_CAPTURE(ours, photoOptimised, "photoOptimised", photo, optimised(0))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ours, photoOptimisedFloyd, "photoOptimisedFloyd", photo, optimised(1))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ours, photoWebCube, "photoWebCube", photo, AnimationSettings{})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ours, photoWebMergeCrop, "photoWebMergeCrop", photo, [] {
    AnimationSettings s;
    s.MergeDuplicatePixels = s.RemoveUselessFrames = true;
    return s;
}())->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(ffmpegPalette, photo, photo)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(gifsicleOnCube, photo, photo)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(estimate)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(ours, screenOptimised, "screenOptimised", screen, optimised(0))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ours, screenOptimisedFloyd, "screenOptimisedFloyd", screen, optimised(1))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ours, screenOptimisedMergeCrop, "screenOptimisedMergeCrop", screen, optimised(0, true, true))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ours, screenGlobalFloydMergeCrop, "screenGlobalFloydMergeCrop", screen,
                  optimised(1, true, true, true))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK_CAPTURE(ours, screenWebMergeCrop, "screenWebMergeCrop", screen, [] {
    AnimationSettings s;
    s.MergeDuplicatePixels = s.RemoveUselessFrames = true;
    return s;
}())->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(ours, screenWebGlobalMergeCrop, "screenWebGlobalMergeCrop", screen, [] {
    AnimationSettings s;
    s.MergeDuplicatePixels = s.RemoveUselessFrames = s.RemoveLocalPalettes = true;
    return s;
}())->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(ffmpegPalette, screen, screen)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(gifsicleOnCube, screen, screen)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
