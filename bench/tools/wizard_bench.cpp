// The animation wizard on 200 JPEG pictures of 1024 x 768: time and peak
// memory from "Terminer" to the document ready (the pictures decode on every
// core; frames of the pictures' own size are the decoded pictures, no copy).
#include "../document/headless.h"
#include "document/child.h"
#include "formats/jpeg.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {


void animationWizardTwoHundredJpegs(benchmark::State& state)
{
    QTemporaryDir dir;
    orugif::AnimationWizardResult wizard;
    for (int i = 0; i < 200; ++i) {
        QImage picture(1024, 768, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                row[x] = qRgb((x + i) & 255, (y * 2) & 255, (x ^ y) & 255);
        }
        QFile file(dir.filePath(QStringLiteral("p%1.jpg").arg(i)));
        file.open(QIODevice::WriteOnly);
        file.write(orugif::formats::encodeJpeg(picture, 90));
        wizard.files << file.fileName();
    }
    for (auto _ : state) {
        benchsupport::Document d;
        d.child.buildAnimation(wizard);
        benchmark::DoNotOptimize(d.child.ImageList1.count());
    }
    state.counters["peak MB"] = double(benchsupport::peakKilobytes()) / 1024.0;
    state.counters["frames MB"] = 200.0 * 1024 * 768 * 4 / (1024.0 * 1024.0);
}
BENCHMARK(animationWizardTwoHundredJpegs)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
