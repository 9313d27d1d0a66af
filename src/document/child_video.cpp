// Video import: the frames of a video file, chosen in the import options and
// read through FFmpeg at full colour; the colour reduction waits for the save.
#include "common/error.h"
#include "common/limits.h"
#include "document/child.h"
#include "document/prompts.h"
#include "formats/video.h"

#include <QFileInfo>
#include <cmath>
#include <optional>

namespace orugif {

namespace {

// The widest frame, keeping the proportions, that lets `count` frames fit.
int widthThatFits(std::int64_t count, QSize size)
{
    const double pixels = double(animationPixelLimit()) / double(std::max<std::int64_t>(count, 1));
    return std::max(1, int(std::sqrt(pixels * size.width() / size.height())));
}

// How many frames a choice makes at most: the range, or at a chosen rate
// below the source's, one a tick.
std::int64_t framesChosen(const DocumentPrompts::VideoChoice& choice, const formats::VideoInfo& info)
{
    const std::int64_t range = std::max<std::int64_t>(choice.last - choice.first + 1, 0);
    if (choice.fps > 0 && info.rate > choice.fps)
        return std::min(range, std::int64_t(std::ceil(double(range) * choice.fps / info.rate)) + 1);
    return range;
}

// Whether the read of first..last lost frames: some did not decode, or,
// for the whole clip, the frames end well before the length the header
// announces (a cut file). Frames repeated by empty chunks are no loss:
// their time is there.
bool videoCutShort(const formats::VideoReader& video, std::int64_t first, std::int64_t last)
{
    const formats::VideoInfo& info = video.info();
    if (video.decoded() < last - first + 1)
        return true;
    if (first != 0 || last != info.frames - 1 || info.announcedDuration <= 0 || video.times().empty())
        return false;
    const double end = video.times().back();
    const double period = info.rate > 0 ? 1.0 / info.rate : 0.1;
    return std::isfinite(end) && end < info.start + info.announcedDuration - std::max(1.5 * period, 0.02);
}

} // namespace

bool TChild::LitAvi(const QString& name, std::vector<QImage>& frames, int& delay, std::vector<int>& delays)
{
    const ProgressShown shown{*this};
    // Every step reports to the bar and to the progress window, whose
    // "Annuler" stops the import; the document changes only at the end.
    const auto report = [this](const QString& label, std::int64_t at, std::int64_t total) {
        const int scale = total > 0 ? int(std::clamp<std::int64_t>(at * 1000 / total, 0, 1000)) : 0;
        emit progress(scale, 1000);
        return prompts().showProgress(label, at, total);
    };
    const QString file = QFileInfo(name).fileName();
    std::optional<formats::VideoReader> video;
    try {
        video.emplace(name, [&](std::int64_t at, std::int64_t total) {
            return report(QStringLiteral("Lecture de %1...").arg(file), at, total);
        });
    } catch (const formats::VideoCancelled&) {
        AviAbandoned = true;
        return false;
    }
    const formats::VideoInfo& info = video->info();
    if (info.frames == 0)
        throw Error(QStringLiteral("La vidéo %1 ne contient aucune image.").arg(file));
    AviAbandoned = true;
    // The counting's progress goes before the options show.
    prompts().endProgress();
    emit progressDone();
    const DocumentPrompts::VideoChoice choice = prompts().runVideoOptions(info);
    if (choice.first < 0)
        return false;  // cancelled: the opening ends there
    AviAbandoned = false;
    delay = info.delay;

    // Refused before anything is decoded when the frames would not fit.
    const QSize size = video->scaledSize(choice.width);
    const std::int64_t count = framesChosen(choice, info);
    if (count * size.width() * size.height() > animationPixelLimit())
        throw Error(QStringLiteral("%1 : %2 images de %3 x %4 ne tiennent pas en mémoire ; "
                                   "importez-les sur une largeur de %5 pixels au plus.")
                        .arg(file, QString::number(count), QString::number(size.width()),
                             QString::number(size.height()), QString::number(widthThatFits(count, info.size))));

    const std::int64_t range = std::max<std::int64_t>(choice.last - choice.first + 1, 0);
    if (range == 0)
        throw Error(QStringLiteral("Le fichier %1 ne contient aucune image.").arg(file));
    std::vector<QImage> read;
    read.reserve(std::size_t(count));
    bool cancelled = false;
    video->read(choice.first, choice.last, choice.width, choice.fps, [&](std::int64_t position, const QImage& picture) {
        read.push_back(picture);
        if (!report(QStringLiteral("Importation de %1...").arg(file), position - choice.first + 1, range))
            cancelled = true;
        return !cancelled;
    });
    if (cancelled) {
        AviAbandoned = true;
        return false;
    }
    if (read.empty())
        throw Error(QStringLiteral("Aucune image de la vidéo %1 n'a pu être décodée.").arg(file));
    // A damaged or cut clip gives what decodes, and says what is missing.
    if (videoCutShort(*video, choice.first, choice.last)) {
        const bool whole = choice.first == 0 && choice.last == info.frames - 1;
        const std::int64_t announced = whole ? std::max(info.frames, info.announced) : range;
        prompts().warn(QStringLiteral("La vidéo %1 est incomplète : %2 images importées sur %3 annoncées.")
                           .arg(file, QString::number(video->decoded()), QString::number(announced)));
    }
    frames = std::move(read);
    delays = formats::delaysFromTimes(video->times(), info.rate);
    return true;
}

} // namespace orugif
