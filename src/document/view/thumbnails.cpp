#include "document/view/thumbnails.h"

#include <algorithm>

namespace orugif {

namespace {

// Requests beyond this many are the oldest, long scrolled past: dropped.
constexpr std::size_t kMaxRequests = 512;

bool fits(QSize thumbnail, QSize box)
{
    // Made for this box: one side meets it, the other is within it.
    return (thumbnail.width() == box.width() && thumbnail.height() <= box.height())
        || (thumbnail.height() == box.height() && thumbnail.width() <= box.width());
}

} // namespace

ThumbnailMaker::ThumbnailMaker(QObject* parent, qint64 budgetBytes) : QObject(parent), budget_(budgetBytes)
{
    thread_ = std::thread([this] { run(); });
}

ThumbnailMaker::~ThumbnailMaker()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        requests_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

void ThumbnailMaker::setBox(QSize box)
{
    box_ = box.expandedTo(QSize(1, 1));
}

QImage ThumbnailMaker::make(const QImage& frame, QSize box)
{
    if (frame.isNull() || box.isEmpty())
        return {};
    QSize size = frame.size().scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    // A large reduction first halves by plain sampling to twice the size,
    // then averages: nearly the look of a full average, at a fraction of the cost.
    QImage source = frame;
    if (source.width() > 4 * size.width() && source.height() > 4 * size.height())
        source = source.scaled(size * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

QImage ThumbnailMaker::thumbnail(const QImage& frame)
{
    if (frame.isNull())
        return {};
    const qint64 key = frame.cacheKey();
    const auto found = made_.constFind(key);
    if (found != made_.constEnd() && fits(found->size(), frame.size().scaled(box_, Qt::KeepAspectRatio)))
        return *found;
    {
        std::lock_guard lock(mutex_);
        if (asked_.insert(key).second) {
            requests_.push_back({key, frame, box_});
            if (requests_.size() > kMaxRequests) {
                asked_.erase(requests_.front().key);
                requests_.pop_front();
            }
        } else {
            // Asked again: it is in view, so it moves to the front of the queue.
            const auto it = std::find_if(requests_.begin(), requests_.end(),
                                         [key](const Request& r) { return r.key == key; });
            if (it != requests_.end() && it + 1 != requests_.end()) {
                Request r = std::move(*it);
                r.box = box_;
                requests_.erase(it);
                requests_.push_back(std::move(r));
            }
        }
    }
    wake_.notify_one();
    return found != made_.constEnd() ? *found : QImage();
}

int ThumbnailMaker::waiting() const
{
    std::lock_guard lock(mutex_);
    return int(asked_.size());
}

void ThumbnailMaker::run()
{
    for (;;) {
        Request request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !requests_.empty(); });
            if (stop_)
                return;
            request = std::move(requests_.back());
            requests_.pop_back();
        }
        const QImage thumbnail = make(request.frame, request.box);
        request.frame = QImage();  // the frame's pixels are the document's, not ours to keep
        const qint64 key = request.key;
        // Handed to the thread of the strip; dropped if the maker is gone.
        QMetaObject::invokeMethod(this, [this, key, thumbnail] { store(key, thumbnail); }, Qt::QueuedConnection);
    }
}

void ThumbnailMaker::store(qint64 key, const QImage& thumbnail)
{
    {
        std::lock_guard lock(mutex_);
        asked_.erase(key);
    }
    if (const auto old = made_.constFind(key); old != made_.constEnd())
        bytes_ -= old->sizeInBytes();
    else
        age_.push_back(key);
    made_.insert(key, thumbnail);
    bytes_ += thumbnail.sizeInBytes();
    while (bytes_ > budget_ && age_.size() > 1) {
        const auto it = made_.constFind(age_.front());
        if (it != made_.constEnd()) {
            bytes_ -= it->sizeInBytes();
            made_.erase(it);
        }
        age_.pop_front();
    }
    emit ready();
}

} // namespace orugif
