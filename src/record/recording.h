// The frames of a recording while it runs: each frame kept as the rectangle
// that changed since the one before, compressed, with the time it was taken.
// A frame equal to the one before is not kept: the earlier frame is shown
// longer. Memory stays a small part of the frames' full size for screen
// content, and is counted so a long recording can be stopped in time.
#pragma once
#include <QImage>
#include <QRect>
#include <QByteArray>
#include <cstdint>
#include <functional>
#include <vector>

namespace orugif::record {

class Recording {
public:
    // Adds the frame taken at `microseconds` of recording time (pauses not
    // counted). True when it was kept, false when it equals the last frame.
    // Frames all have the first frame's size.
    bool add(const QImage& frame, std::int64_t microseconds);
    // The recording ends at `microseconds`: the last frame is shown until then.
    void finish(std::int64_t microseconds) { end_ = std::max(end_, microseconds); }

    std::size_t frameCount() const { return frames_.size(); }
    QSize size() const { return last_.size(); }
    // Bytes held: the compressed changes and the last full frame.
    std::int64_t memoryBytes() const;
    std::int64_t endMicroseconds() const { return end_; }
    std::vector<std::int64_t> starts() const;

    // The full frames, in order (Format_RGB32).
    std::vector<QImage> frames() const;
    // Each full frame in turn, without keeping them all.
    void replay(const std::function<void(std::size_t, const QImage&)>& each) const;
    // Each frame's delay in hundredths of a second, from the times the frames
    // were taken: a frame lasts until the next one was taken, the last until
    // the end. Rounded on the running total, so the delays add up to the
    // recording's length within one hundredth.
    std::vector<int> delays() const;

private:
    struct Change {
        std::int64_t start;
        QRect rect;
        QByteArray packed;  // zlib of the rectangle's rows
    };
    std::vector<Change> frames_;
    QImage last_;
    std::int64_t end_ = 0;
    std::int64_t packedBytes_ = 0;
};

// Delays in hundredths from the start times (microseconds from the start of
// the recording, increasing) and the end time; the first frame shows from
// the start. Every delay is at least one hundredth.
std::vector<int> delaysFromStarts(const std::vector<std::int64_t>& starts, std::int64_t end);

} // namespace orugif::record
