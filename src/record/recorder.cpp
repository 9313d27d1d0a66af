#include "record/recorder.h"

#include <algorithm>

namespace orugif::record {

namespace {
// Frames waiting for compression: past this many, the capture misses ticks
// rather than let memory grow.
constexpr std::size_t kQueueFrames = 16;
} // namespace

Recorder::Recorder(ScreenSource& source, RecordOptions options) : source_(source), options_(options)
{
    options_.fps = std::clamp(options_.fps, 1, 60);
    options_.region = options_.region.intersected(source_.screenRect());
}

Recorder::~Recorder() { stop(); }

void Recorder::start()
{
    if (started_.exchange(true))
        return;
    origin_ = Clock::now();
    captureThread_ = std::thread([this] { capture(); });
    storeThread_ = std::thread([this] { store(); });
}

void Recorder::pause()
{
    std::lock_guard lock(mutex_);
    if (paused_ || stopping_)
        return;
    pausedAt_ = Clock::now();
    paused_ = true;
}

void Recorder::resume()
{
    {
        std::lock_guard lock(mutex_);
        if (!paused_)
            return;
        pausedFor_ += Clock::now() - pausedAt_;
        paused_ = false;
    }
    wake_.notify_all();
}

void Recorder::stop()
{
    {
        std::lock_guard lock(mutex_);
        if (paused_) {
            pausedFor_ += Clock::now() - pausedAt_;
            paused_ = false;
        }
        stopping_ = true;
    }
    wake_.notify_all();
    if (captureThread_.joinable())
        captureThread_.join();
    if (storeThread_.joinable())
        storeThread_.join();
    recording_.finish(end_);
}

QString Recorder::stopReason() const
{
    std::lock_guard lock(mutex_);
    return stopReason_;
}

void Recorder::stopItself(const QString& reason)
{
    {
        std::lock_guard lock(mutex_);
        if (stopReason_.isEmpty())
            stopReason_ = reason;
        stopping_ = true;
    }
    stoppedItself_ = true;
    wake_.notify_all();
}

std::int64_t Recorder::activeAt(Clock::time_point t) const
{
    Clock::duration paused = pausedFor_;
    if (paused_)
        paused += t - pausedAt_;
    return std::chrono::duration_cast<std::chrono::microseconds>(t - origin_ - paused).count();
}

std::int64_t Recorder::elapsedMicroseconds() const
{
    if (!started_)
        return 0;
    std::lock_guard lock(mutex_);
    return std::max<std::int64_t>(0, activeAt(Clock::now()));
}

// Takes a picture at every tick of the rate. A tick missed (the previous
// picture took too long, or compression is behind) is counted and skipped;
// the times the pictures were really taken give the delays.
void Recorder::capture()
{
    const auto period = std::chrono::microseconds(1000000 / options_.fps);
    Clock::time_point tick = origin_;
    const auto deadline = [this] {
        return options_.duration > 0 ? origin_ + pausedFor_ + std::chrono::microseconds(options_.duration)
                                     : Clock::time_point::max();
    };
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (Clock::now() >= deadline())
            break;
        if (paused_) {
            wake_.wait(lock, [this] { return !paused_ || stopping_; });
            tick = Clock::now();  // resumes at once, on a new beat
            continue;
        }
        const bool room = queue_.size() < kQueueFrames;
        lock.unlock();
        const Clock::time_point at = Clock::now();
        QImage picture;
        bool ok = true;
        if (room)
            ok = source_.grab(options_.region, options_.pointer, picture);
        lock.lock();
        if (!ok) {
            lock.unlock();
            stopItself(QStringLiteral("L'écran n'a pas pu être lu : l'enregistrement s'est arrêté."));
            lock.lock();
            break;
        }
        if (room && !paused_) {
            const std::int64_t time = activeAt(at);
            queuedBytes_ += picture.sizeInBytes();
            queue_.emplace_back(std::move(picture), time);
            ++taken_;
            wake_.notify_all();
        } else if (!room) {
            ++missed_;
        }
        // The next tick still ahead; those passed meanwhile are missed.
        tick += period;
        const Clock::time_point now = Clock::now();
        if (tick <= now) {
            const auto behind = (now - tick) / period + 1;
            missed_ += int(behind);
            tick += period * behind;
        }
        wake_.wait_until(lock, std::min(tick, deadline()), [this] { return stopping_ || paused_.load(); });
    }
    end_ = std::max<std::int64_t>(0, activeAt(Clock::now()));
    if (options_.duration > 0)
        end_ = std::min(end_, options_.duration);
    captureDone_ = true;
    done_ = true;
    wake_.notify_all();
}

void Recorder::store()
{
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return !queue_.empty() || captureDone_; });
        if (queue_.empty() && captureDone_)
            break;
        auto [picture, time] = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        bool full = false;
        QString reason;
        try {
            recording_.add(picture, time);
            if (recording_.memoryBytes() > options_.memoryLimit) {
                full = true;
                reason = QStringLiteral("La mémoire réservée à l'enregistrement est pleine : il s'est arrêté.");
            } else if (options_.pixelLimit > 0
                       && std::int64_t(recording_.frameCount()) * picture.width() * picture.height()
                              >= options_.pixelLimit) {
                full = true;
                reason = QStringLiteral("L'animation a atteint le nombre d'images qui tiennent en mémoire : "
                                        "l'enregistrement s'est arrêté.");
            }
        } catch (const std::exception&) {
            full = true;
            reason = QStringLiteral("La mémoire manque : l'enregistrement s'est arrêté.");
        }
        lock.lock();
        queuedBytes_ -= picture.sizeInBytes();
        memory_ = recording_.memoryBytes() + queuedBytes_;
        if (full) {
            lock.unlock();
            stopItself(reason);
            lock.lock();
        }
    }
}

} // namespace orugif::record
