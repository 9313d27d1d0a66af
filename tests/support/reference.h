// The independent tools the round-trip tests compare with: Pillow's
// composition of a GIF's frames, and runs of gifsicle, Pillow scripts or
// FFmpeg that make test files.
#pragma once
#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace testsupport {

// A GIF as an independent decoder plays it.
struct Played {
    std::optional<int> loop;  // none: the file has no loop extension
    std::vector<QImage> frames;  // Format_ARGB32, composed
    std::vector<int> durations;  // milliseconds
};

// Whether /usr/bin/python3 with Pillow is there.
bool havePillow();
// Pillow's composition of `path`; fails the calling test on error.
Played composeWithPillow(const QString& path);
// Runs a program; true when it exits with 0.
bool run(const QString& program, const QStringList& arguments, QString* errors = nullptr);
// Runs a Python snippet with Debian's interpreter (Pillow).
bool runPython(const QString& code, const QStringList& arguments = {});

// Whether the ffmpeg and ffprobe commands are there.
bool haveFfmpeg();
// Makes `path` with the ffmpeg command: `arguments` go between the common
// options and the output name. Fails the calling test and returns false
// when ffmpeg fails.
bool makeClip(const QString& path, const QStringList& arguments);
// The frames of `clip` as the ffmpeg command decodes them to RGB (turned
// as players show them), each `size`; `filters` are applied first.
std::vector<QImage> ffmpegFrames(const QString& clip, QSize size, const QString& filters = {});
// The presentation time, in seconds, of every frame ffprobe decodes.
std::vector<double> ffprobeFrameTimes(const QString& clip);
// The peak signal-to-noise ratio of two pictures of one size, in dB (99
// when equal).
double psnr(const QImage& a, const QImage& b);

} // namespace testsupport
