#include "tools/optimisation.h"


#include "gif/colorreduction.h"
#include "gif/gifimage.h"

#include <QSettings>
#include <algorithm>

namespace orugif::tools {

namespace {
// Thrown through the build to stop it when the estimate is no longer wanted.
struct Cancelled {};
} // namespace

const std::vector<Reduction>& reductions()
{
    static const std::vector<Reduction> list{
        {gif::kAutomaticReduction, "Automatique", "auto"},
        {6, "Palette web (216 couleurs)", "web"},
        {7, "Palette optimisée", "optimised"},
        {5, "Niveaux de gris", "grey"},
        {3, "4 niveaux de gris", "grey4"},
        {4, "Noir et blanc", "mono"},
    };
    return list;
}

QStringList ditherCaptions()
{
    return {QStringLiteral("Aucun"),  QStringLiteral("Floyd-Steinberg"),     QStringLiteral("Stucki"),
            QStringLiteral("Sierra"), QStringLiteral("Jarvis-Judice-Ninke"), QStringLiteral("Stevenson-Arce"),
            QStringLiteral("Burkes")};
}

QStringList ditherNames()
{
    return {QStringLiteral("none"), QStringLiteral("floyd"),     QStringLiteral("stucki"), QStringLiteral("sierra"),
            QStringLiteral("jjn"),  QStringLiteral("stevenson"), QStringLiteral("burkes")};
}

QString reductionError(int method, int bits, int dither)
{
    bool known = false;
    for (const Reduction& r : reductions())
        known = known || r.method == method;
    if (!known)
        return QStringLiteral("Réduction de couleurs inconnue (%1).").arg(method);
    if (dither < 0 || dither > 6)
        return QStringLiteral("Tramage inconnu (%1).").arg(dither);
    if (bits < 1 || bits > 8)
        return QStringLiteral("Le nombre de bits va de 1 à 8 (%1 refusé).").arg(bits);
    if (method != 7 && bits != 8)
        return QStringLiteral("Le nombre de bits ne se choisit qu'avec la palette optimisée : "
                              "les autres réductions ont leur propre palette.");
    return {};
}

ReductionChoice rememberedReduction()
{
    const QSettings settings;
    ReductionChoice choice;
    const ReductionChoice stored{settings.value(QStringLiteral("reduction/method"), choice.method).toInt(),
                                 settings.value(QStringLiteral("reduction/bits"), choice.bits).toInt(),
                                 settings.value(QStringLiteral("reduction/dither"), choice.dither).toInt()};
    return reductionError(stored.method, stored.bits, stored.dither).isEmpty() ? stored : choice;
}

void rememberReduction(const ReductionChoice& choice)
{
    QSettings settings;
    settings.setValue(QStringLiteral("reduction/method"), choice.method);
    settings.setValue(QStringLiteral("reduction/bits"), choice.bits);
    settings.setValue(QStringLiteral("reduction/dither"), choice.dither);
}

std::int64_t estimatedSize(const std::vector<QImage>& frames, const AnimationSettings& settings,
                           const std::atomic<bool>* cancelled, const std::function<void(int)>& progress)
{
    const auto stop = [cancelled] {
        if (cancelled && cancelled->load())
            throw Cancelled{};
    };
    int reported = -1;
    const auto report = [&](int percent) {
        percent = std::clamp(percent, 0, 100);
        if (progress && percent != reported) {
            reported = percent;
            progress(percent);
        }
    };
    try {
        gif::TGIFImage image;
        report(0);
        addFrames(image, frames, settings, [&](int i, int count) {
            stop();
            report(count > 0 ? int(std::int64_t(i) * 40 / count) : 40);
        });
        // The frame optimisation reports each frame: a cancelled estimate
        // stops there too rather than finish merging for nothing. Writing
        // reports each frame as well.
        bool writing = false;
        image.SetOnProgress([&](gif::ProgressStage stage, int percent, const QString&) {
            if (stage != gif::ProgressStage::Running)
                return;
            stop();
            report(writing ? 90 + percent / 10 : 40 + percent / 2);
        });
        optimise(image, settings);
        stop();
        report(90);
        writing = true;
        const std::int64_t size = image.SaveToData().size();
        report(100);
        return size;
    } catch (const Cancelled&) {
        return -1;
    }
}

struct SizeEstimator::Run {
    std::atomic<bool> cancelled{false};
    std::atomic<bool> finished{false};
    std::thread thread;
};

SizeEstimator::SizeEstimator() = default;

SizeEstimator::~SizeEstimator()
{
    cancel();
    for (auto& run : runs_)
        run->thread.join();
}

void SizeEstimator::cancel()
{
    for (auto& run : runs_)
        run->cancelled = true;
}

void SizeEstimator::start(std::vector<QImage> frames, AnimationSettings settings,
                          std::function<void(std::int64_t)> done, std::function<void(int)> progress)
{
    cancel();
    // Finished threads are joined here, so they do not pile up; cancelled
    // ones still running stop at their next frame and are joined later.
    std::erase_if(runs_, [](std::unique_ptr<Run>& run) {
        if (!run->finished)
            return false;
        run->thread.join();
        return true;
    });
    auto run = std::make_unique<Run>();
    Run* r = run.get();
    r->thread = std::thread([r, frames = std::move(frames), settings = std::move(settings), done = std::move(done),
                             progress = std::move(progress)] {
        std::int64_t size = -1;
        try {
            size = estimatedSize(frames, settings, &r->cancelled, progress);
        } catch (...) {
            size = -1;  // the save itself reports the failure
        }
        if (!r->cancelled && size >= 0)
            done(size);
        r->finished = true;
    });
    runs_.push_back(std::move(run));
}

QString groupedDigits(std::int64_t value)
{
    QString digits = QString::number(value < 0 ? -value : value);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

} // namespace orugif::tools
