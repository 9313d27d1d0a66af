// Records a region of the screen at a steady rate on threads of its own:
// one takes the pictures on time, one compresses them into a Recording.
// Pause, resume and stop come from any thread; the counters are for the
// window that shows the recording's progress.
#pragma once
#include "record/recording.h"
#include "record/screensource.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace orugif::record {

struct RecordOptions {
    QRect region;
    int fps = 15;
    bool pointer = false;
    // The recording stops by itself when it holds this many bytes.
    std::int64_t memoryLimit = std::int64_t(2) << 30;
    // ... or when its distinct frames hold this many pixels (0: no limit).
    std::int64_t pixelLimit = 0;
    // Recording time after which it ends by itself, in microseconds (0: until stopped).
    std::int64_t duration = 0;
};

class Recorder {
public:
    using Clock = std::chrono::steady_clock;

    Recorder(ScreenSource& source, RecordOptions options);
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void start();
    void pause();
    void resume();
    // Ends the recording; waits for the last frames to be stored.
    void stop();

    bool paused() const { return paused_; }
    // True once no more pictures are taken: stopped, ended by itself, or
    // the duration reached.
    bool done() const { return done_; }
    // True once the recording stopped by itself (see stopReason()).
    bool stoppedItself() const { return stoppedItself_; }
    QString stopReason() const;
    // Recording time so far, pauses left out.
    std::int64_t elapsedMicroseconds() const;
    std::int64_t memoryBytes() const { return memory_; }
    int framesTaken() const { return taken_; }
    // Ticks at which no picture could be taken in time: the picture before
    // is shown longer instead.
    int ticksMissed() const { return missed_; }
    const RecordOptions& options() const { return options_; }

    // The frames, once stopped.
    const Recording& recording() const { return recording_; }

private:
    void capture();
    void store();
    void stopItself(const QString& reason);
    std::int64_t activeAt(Clock::time_point t) const;

    ScreenSource& source_;
    RecordOptions options_;
    Recording recording_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::pair<QImage, std::int64_t>> queue_;
    std::int64_t queuedBytes_ = 0;
    bool stopping_ = false;
    bool captureDone_ = false;
    std::int64_t end_ = 0;  // recording time when the capture ended
    QString stopReason_;
    Clock::time_point origin_{};
    Clock::time_point pausedAt_{};
    Clock::duration pausedFor_{};

    std::atomic<bool> paused_{false};
    std::atomic<bool> stoppedItself_{false};
    std::atomic<bool> started_{false};
    std::atomic<bool> done_{false};
    std::atomic<std::int64_t> memory_{0};
    std::atomic<int> taken_{0};
    std::atomic<int> missed_{0};
    std::thread captureThread_, storeThread_;
};

} // namespace orugif::record
