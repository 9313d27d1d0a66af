#include "document/framestore.h"

#include <QPainter>
#include <algorithm>

namespace orugif {

void FrameStore::setFrameSize(QSize size)
{
    if (!frames_.empty() || size.isEmpty())
        return;
    size_ = size;
    sizeSet_ = true;
}

QImage FrameStore::fitted(const QImage& picture)
{
    if (frames_.empty() && !sizeSet_ && !picture.isNull())
        setFrameSize(picture.size());
    QImage frame = picture.format() == QImage::Format_RGB32
        ? picture
        : picture.convertToFormat(QImage::Format_RGB32);
    if (frame.size() == size_)
        return frame;
    QImage result(size_, QImage::Format_RGB32);
    result.fill(Qt::white);
    if (!frame.isNull()) {
        QPainter painter(&result);
        painter.drawImage(0, 0, frame);
    }
    return result;
}

int FrameStore::add(const QImage& picture, int delay)
{
    frames_.push_back(fitted(picture));
    delays_.push_back(std::max(delay, kAnimationDelay));
    return count() - 1;
}

void FrameStore::insert(int index, const QImage& picture, int delay)
{
    index = std::clamp(index, 0, count());
    QImage frame = fitted(picture);
    frames_.insert(frames_.begin() + index, std::move(frame));
    delays_.insert(delays_.begin() + index, std::max(delay, kAnimationDelay));
}

void FrameStore::replace(int index, const QImage& picture)
{
    if (contains(index))
        frames_[std::size_t(index)] = fitted(picture);
}

void FrameStore::remove(int index)
{
    if (contains(index)) {
        frames_.erase(frames_.begin() + index);
        delays_.erase(delays_.begin() + index);
    }
}

void FrameStore::reverse()
{
    std::reverse(frames_.begin(), frames_.end());
    std::reverse(delays_.begin(), delays_.end());
}

void FrameStore::setDelay(int index, int delay)
{
    if (contains(index))
        delays_[std::size_t(index)] = std::max(delay, kAnimationDelay);
}

void FrameStore::clearDelays() { std::fill(delays_.begin(), delays_.end(), kAnimationDelay); }

QImage FrameStore::frame(int index) const
{
    return contains(index) ? frames_[std::size_t(index)] : QImage();
}

void FrameStore::assign(std::vector<QImage> frames, QSize size, std::vector<int> delays)
{
    // `delays` is a copy: the caller may pass the store's own.
    frames_.clear();
    delays_.clear();
    size_ = size;
    sizeSet_ = true;
    for (QImage& f : frames) {
        const std::size_t i = frames_.size();
        frames_.push_back(fitted(f));
        delays_.push_back(i < delays.size() ? std::max(delays[i], kAnimationDelay) : kAnimationDelay);
    }
}

} // namespace orugif
