// Video import: the frames of a video file, chosen in the import options,
// read through FFmpeg and reduced as the editor shows them.
#include "common/error.h"
#include "common/limits.h"
#include "document/child.h"
#include "document/prompts.h"
#include "formats/video.h"
#include "gif/cubedither.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cmath>
#include <deque>
#include <future>

namespace orugif {

namespace {

// The widest frame, keeping the proportions, that lets `count` frames fit.
int widthThatFits(std::int64_t count, QSize size)
{
    const double pixels = double(animationPixelLimit()) / double(std::max<std::int64_t>(count, 1));
    return std::max(1, int(std::sqrt(pixels * size.width() / size.height())));
}

} // namespace

bool TChild::LitAvi(const QString& name, std::vector<QImage>& frames, int& delay, std::vector<int>& delays)
{
    formats::VideoReader video(name);
    const formats::VideoInfo& info = video.info();
    AviAbandoned = true;
    const DocumentPrompts::VideoChoice choice = prompts().runVideoOptions(0, info.frames - 1, info.size);
    if (choice.first < 0)
        return false;  // cancelled: the opening ends there
    AviAbandoned = false;
    delay = info.delay;

    // Refused before anything is decoded when the frames would not fit.
    const QSize size = video.scaledSize(choice.width);
    const std::int64_t count = std::max<std::int64_t>(choice.last - choice.first + 1, 0);
    if (count * size.width() * size.height() > animationPixelLimit())
        throw Error(QStringLiteral("%1 : %2 images de %3 x %4 ne tiennent pas en mémoire ; "
                                   "importez-les sur une largeur de %5 pixels au plus.")
                        .arg(QFileInfo(name).fileName(), QString::number(count), QString::number(size.width()),
                             QString::number(size.height()), QString::number(widthThatFits(count, info.size))));

    struct Done {
        TChild* child;
        ~Done() { emit child->progressDone(); }
    } done{this};
    // Decoded frames are reduced on another core, kBatch at a time and in
    // place, while the next ones decode; at most two batches wait, so
    // memory stays at the imported frames.
    constexpr std::size_t kBatch = 8;
    std::vector<QImage> read;
    read.reserve(std::size_t(count));
    std::vector<QImage> batch;
    std::deque<std::future<std::vector<QImage>>> reducing;
    const auto collect = [&] {
        for (QImage& frame : reducing.front().get())  // rethrows a failure of the reduction
            read.push_back(std::move(frame));
        reducing.pop_front();
    };
    const auto dispatch = [&] {
        reducing.push_back(std::async(std::launch::async, [frames = std::move(batch)]() mutable {
            gif::DitherToCubeInPlace(frames);
            return std::move(frames);
        }));
        batch.clear();
        while (reducing.size() > 2)
            collect();
    };
    try {
        video.read(choice.first, choice.last, choice.width, [&](std::int64_t position, const QImage& picture) {
            emit progress(int(position - choice.first), int(count));
            // The window repaints and the bar moves; commands wait for the import.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            batch.push_back(picture);
            if (batch.size() == kBatch)
                dispatch();
            return true;
        });
        if (!batch.empty())
            dispatch();
        while (!reducing.empty())
            collect();
    } catch (...) {
        for (auto& f : reducing)
            f.wait();  // no reduction outlives the import
        throw;
    }
    frames = std::move(read);
    // A variable rate gives each frame its own delay.
    delays = formats::variableDelays(video.times(), delay);
    return true;
}

} // namespace orugif
