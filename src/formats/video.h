// Video files through FFmpeg: every container and codec it decodes (AVI,
// MP4, MKV, WebM, MOV, animated WebP, APNG...), read frame by frame as
// 32-bit pictures at full colour, as players show them (the stream's colour
// matrix and range, its display rotation and pixel aspect), optionally
// scaled to a chosen width and resampled to a chosen rate.
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
    QSize size;                  // as shown: pixel aspect and rotation applied
    QSize stored;                // as coded in the stream
    std::int64_t frames = 0;     // counted in the stream itself, never the header's word
    std::int64_t announced = 0;  // what the header claims (0 when it says nothing)
    double rate = 0;             // frames a second (0 when unknown)
    int delay = 0;               // hundredths of a second a frame
    double duration = 0;         // seconds from the first frame to the end of the last (0 unknown)
    double start = 0;            // the stream's first time, in seconds
    double announcedDuration = 0;  // the length the header claims, in seconds (0 when it says nothing)
    int rotation = 0;            // degrees the picture is turned clockwise for display: 0, 90, 180, 270
    QString codec;
};

// Hears a long pass: (done, total); returning false stops it, and the pass
// raises VideoCancelled.
using VideoProgress = std::function<bool(std::int64_t done, std::int64_t total)>;

// Raised when a VideoProgress asked to stop.
struct VideoCancelled {};

class VideoReader {
public:
    // Opens the first video stream and counts the frames it really holds by
    // reading its packets (fast: nothing is decoded); raises the reader's
    // English messages ("Failed to open AVI file: NAME", ...). `progress`
    // hears the count.
    explicit VideoReader(const QString& path, const VideoProgress& progress = {});
    ~VideoReader();
    VideoReader(const VideoReader&) = delete;
    VideoReader& operator=(const VideoReader&) = delete;

    const VideoInfo& info() const;

    // Decodes positions first..last (from 0, in presentation order), each
    // scaled to `width` pixels wide (the height follows the shown
    // proportions; 0 keeps the shown size), and hands them to `sink` in
    // order; `sink` returns false to stop. With `fps` above 0 only the frame
    // nearest each tick of that rate is handed over (once, however many
    // ticks it is nearest to). A packet that does not decode is passed
    // over: decoded() tells how many frames came out. Raises
    // "Failed to decompress AVI frame" when the decoder cannot start.
    void read(std::int64_t first, std::int64_t last, int width, double fps,
              const std::function<bool(std::int64_t position, const QImage& frame)>& sink);

    // The timing of the frames the last read handed over: each one's
    // presentation time in seconds (the tick's, when resampled), then the
    // end of the last: the next frame's time when the stream goes on, else
    // the last frame's time plus its duration. NaN where the stream does
    // not tell.
    const std::vector<double>& times() const;
    // The frames the last read decoded within the range asked for.
    std::int64_t decoded() const;

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
// VideoReader::times gives them): the presentation times are rounded to
// hundredths, counted from the first, and each frame lasts until the next
// one's rounded time, so that the delays add up to the whole length within
// a hundredth whatever the rate. Each delay is at least 1 (a frame shorter
// than that is made up for by the next) and at most 65535. An unknown time
// is taken from the frame's place at `rate` (0.1 s a frame when the rate is
// unknown too).
std::vector<int> delaysFromTimes(const std::vector<double>& times, double rate);

} // namespace orugif::formats
