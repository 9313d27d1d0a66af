// Video files through FFmpeg: every container and codec it decodes (AVI,
// MP4, MKV, WebM, MOV, animated WebP, APNG...), read frame by frame as
// 32-bit pictures, optionally scaled to a chosen width.
#pragma once
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace orugif::formats {

struct VideoInfo {
    QSize size;
    std::int64_t frames = 0;  // exact: from the container, or counted by demuxing
    double rate = 0;          // frames a second (0 when unknown)
    int delay = 0;            // hundredths of a second a frame
    QString codec;
};

class VideoReader {
public:
    // Opens the first video stream and counts its frames; raises the
    // reader's English messages ("Failed to open AVI file: NAME", ...).
    explicit VideoReader(const QString& path);
    ~VideoReader();
    VideoReader(const VideoReader&) = delete;
    VideoReader& operator=(const VideoReader&) = delete;

    const VideoInfo& info() const;

    // Decodes positions first..last (from 0), each scaled to `width` pixels
    // wide (the height follows the picture's proportions; 0 keeps the
    // video's size), and hands them to `sink` in order; `sink` returns false
    // to stop. A position the stream does not reach raises "Failed to
    // decompress AVI frame" with that position.
    void read(std::int64_t first, std::int64_t last, int width,
              const std::function<bool(std::int64_t position, const QImage& frame)>& sink);

    // The timing of the frames the last read handed over: each one's
    // presentation time in seconds, then the end of the last (its time
    // plus its duration); NaN where the stream does not tell.
    const std::vector<double>& times() const;

    // The frame size a width gives (the height follows the proportions).
    QSize scaledSize(int width) const;

private:
    struct State;
    std::unique_ptr<State> d_;
};

// The frame delay of an AVI stream header by its scale and rate: scale x 100
// / rate rounded when the rate is above 0, else scale div 100.
int aviDelay(std::uint32_t scale, std::uint32_t rate);

// The delay of each frame, in hundredths, of frames shown at `times` (as
// VideoReader::times gives them) when the rate varies: each frame lasts
// until the next starts, rounded so that the delays add up to the whole
// (at least 1 each); the last takes its own duration, else
// `averageDelay`. Empty when the rate is constant (frame durations within
// 1.5 ms of one another) or a time is unknown: every frame then takes the
// stream's delay.
std::vector<int> variableDelays(const std::vector<double>& times, int averageDelay);

} // namespace orugif::formats
