#include "record/recording.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <thread>
#include <zlib.h>

namespace orugif::record {

namespace {

// The smallest rectangle holding every pixel where `a` and `b` differ;
// empty when they are equal.
QRect changedRect(const QImage& a, const QImage& b)
{
    const int w = a.width(), h = a.height();
    const std::size_t rowBytes = std::size_t(w) * 4;
    int top = -1, bottom = -1;
    for (int y = 0; y < h; ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0) {
            top = y;
            break;
        }
    if (top < 0)
        return {};
    for (int y = h - 1; y >= top; --y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0) {
            bottom = y;
            break;
        }
    int left = w, right = -1;
    for (int y = top; y <= bottom; ++y) {
        const auto* pa = reinterpret_cast<const std::uint32_t*>(a.constScanLine(y));
        const auto* pb = reinterpret_cast<const std::uint32_t*>(b.constScanLine(y));
        int x = 0;
        while (x < left && pa[x] == pb[x])
            ++x;
        if (x == w)
            continue;  // this row is equal
        left = std::min(left, x);
        int r = w - 1;
        while (r > right && pa[r] == pb[r])
            --r;
        right = std::max(right, r);
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QByteArray pack(const QImage& frame, const QRect& rect)
{
    const std::size_t rowBytes = std::size_t(rect.width()) * 4;
    QByteArray raw(qsizetype(rowBytes * std::size_t(rect.height())), Qt::Uninitialized);
    for (int y = 0; y < rect.height(); ++y)
        std::memcpy(raw.data() + rowBytes * std::size_t(y), frame.constScanLine(rect.y() + y) + std::size_t(rect.x()) * 4,
                    rowBytes);
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray packed(qsizetype(size), Qt::Uninitialized);
    // The fastest level: the capture must keep up; screens compress well anyway.
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
                  uLong(raw.size()), Z_BEST_SPEED)
        != Z_OK)
        throw std::runtime_error("compression failed");
    packed.truncate(qsizetype(size));
    packed.squeeze();
    return packed;
}

void unpack(const QByteArray& packed, const QRect& rect, QImage& into)
{
    const std::size_t rowBytes = std::size_t(rect.width()) * 4;
    QByteArray raw(qsizetype(rowBytes * std::size_t(rect.height())), Qt::Uninitialized);
    uLongf size = uLongf(raw.size());
    if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &size, reinterpret_cast<const Bytef*>(packed.constData()),
                   uLong(packed.size()))
            != Z_OK
        || size != uLongf(raw.size()))
        throw std::runtime_error("recorded frame damaged");
    for (int y = 0; y < rect.height(); ++y)
        std::memcpy(into.scanLine(rect.y() + y) + std::size_t(rect.x()) * 4, raw.constData() + rowBytes * std::size_t(y),
                    rowBytes);
}

} // namespace

bool Recording::add(const QImage& picture, std::int64_t microseconds)
{
    const QImage frame = picture.format() == QImage::Format_RGB32 ? picture
                                                                  : picture.convertToFormat(QImage::Format_RGB32);
    end_ = std::max(end_, microseconds);
    QRect rect;
    if (frames_.empty()) {
        rect = frame.rect();
    } else {
        if (frame.size() != last_.size())
            throw std::invalid_argument("frames of a recording share one size");
        rect = changedRect(last_, frame);
        if (rect.isEmpty())
            return false;
    }
    Change change{microseconds, rect, pack(frame, rect)};
    packedBytes_ += change.packed.size();
    frames_.push_back(std::move(change));
    last_ = frame.copy();  // our own pixels: the grabber reuses its buffer
    return true;
}

std::int64_t Recording::memoryBytes() const
{
    return packedBytes_ + std::int64_t(frames_.capacity() * sizeof(Change)) + last_.sizeInBytes();
}

std::vector<std::int64_t> Recording::starts() const
{
    std::vector<std::int64_t> s;
    s.reserve(frames_.size());
    for (const Change& c : frames_)
        s.push_back(c.start);
    return s;
}

void Recording::replay(const std::function<void(std::size_t, const QImage&)>& each) const
{
    QImage current(last_.size(), QImage::Format_RGB32);
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        unpack(frames_[i].packed, frames_[i].rect, current);
        each(i, current);
    }
}

std::vector<QImage> Recording::frames() const
{
    const std::size_t n = frames_.size();
    std::vector<QImage> out(n);
    if (n == 0)
        return out;
    QImage first(last_.size(), QImage::Format_RGB32);
    unpack(frames_[0].packed, frames_[0].rect, first);
    out[0] = first;
    // Most of the time goes into copying whole frames. Frame i is frame i-2
    // with the changes of frames i-1 and i, so two chains, one on each core,
    // build the odd and the even frames from the first.
    const auto chain = [&](std::size_t from) {
        QImage current = first.copy();
        std::size_t applied = 0;
        for (std::size_t i = from; i < n; i += 2) {
            while (applied < i) {
                ++applied;
                unpack(frames_[applied].packed, frames_[applied].rect, current);
            }
            out[i] = current.copy();
        }
    };
    std::exception_ptr failed;
    std::thread odd([&] {
        try {
            chain(1);
        } catch (...) {
            failed = std::current_exception();
        }
    });
    std::exception_ptr failedHere;
    try {
        chain(2);
    } catch (...) {
        failedHere = std::current_exception();
    }
    odd.join();
    for (const std::exception_ptr& e : {failedHere, failed})
        if (e)
            std::rethrow_exception(e);
    return out;
}

std::vector<int> Recording::delays() const { return delaysFromStarts(starts(), end_); }

std::vector<int> delaysFromStarts(const std::vector<std::int64_t>& starts, std::int64_t end)
{
    const std::size_t n = starts.size();
    std::vector<int> delays;
    if (n == 0)
        return delays;
    // Times count from the start of the recording: the first frame shows
    // from then, even when its picture came a few milliseconds later.
    const auto hundredths = [](std::int64_t t) { return (std::max<std::int64_t>(t, 0) + 5000) / 10000; };
    // Where each frame begins on the rounded timeline, and where the last ends.
    std::vector<std::int64_t> at(n + 1);
    at[0] = 0;
    for (std::size_t i = 1; i < n; ++i)
        at[i] = std::max(hundredths(starts[i]), at[i - 1] + 1);
    // A frame shown for less than a hundredth still lasts one: it borrows it
    // from the frames before, so the total stays the recording's length.
    at[n] = std::max<std::int64_t>(hundredths(end), std::int64_t(n));
    for (std::size_t i = n; i-- > 1;)
        at[i] = std::min(at[i], at[i + 1] - 1);
    delays.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        delays.push_back(int(std::min<std::int64_t>(at[i + 1] - at[i], 65535)));
    return delays;
}

} // namespace orugif::record
