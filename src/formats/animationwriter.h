// Animations in today's formats through FFmpeg's encoders: MP4 (H.264),
// WebM (VP9), animated WebP and animated PNG. Every frame keeps its own
// delay: the streams carry real presentation times, not repeated frames.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

struct AVCodec;  // FFmpeg's

namespace orugif::formats {

enum class AnimationFormat { Mp4, WebM, WebP, Apng };

// The format a name asks for by its suffix (.mp4, .webm, .webp, .png).
std::optional<AnimationFormat> animationFormatOf(const QString& path);
// The suffixes, as messages list them: ".mp4, .webm, .webp, .png".
QString animationSuffixes();
// "MP4 (H.264)", "WebM (VP9)", "WebP animé", "PNG animé (APNG)".
QString animationFormatName(AnimationFormat format);

struct AnimationOptions {
    AnimationFormat format = AnimationFormat::Mp4;
    // MP4 and WebM: the constant rate factor (lower is better; -1 the
    // encoder's default: 23 for H.264, 31 for VP9). WebP: the quality from
    // 0 to 100 (-1: 75). APNG is always exact.
    int quality = -1;
    bool lossless = false;  // WebP: exact pixels
    // How often the animation plays after the first time: 0 for ever, -1
    // once (as a GIF's loop count reads). Written where the format has one
    // (WebP, APNG).
    int repeatCount = 0;
    // The pixels of this colour become fully transparent in WebP and APNG;
    // with `eachFrameCorner`, each frame's bottom-left colour instead (the
    // GIF save's rule without a page colour).
    std::optional<QRgb> transparent;
    bool eachFrameCorner = false;
};

// FFmpeg's encoder `name`; raises Error naming it and the `format` it
// writes when the installed FFmpeg lacks it.
const AVCodec* requireEncoder(const char* name, const QString& format);

// The frame range of each quality setting, for the dialog and the command line.
int defaultQuality(AnimationFormat format);
int maximumQuality(AnimationFormat format);

// The whole file in memory: `frames` (32-bit, one size) shown `delays`
// hundredths each. `notes` receives what was changed to fit the format (a
// size made even for H.264, delays of 0 given the browsers' minimum of 2
// where the format needs a duration). `progress` hears (frames done, count)
// and returns false to stop, which raises Error("Exportation annulée.").
// Raises Error with a French message when an encoder is missing or fails.
QByteArray encodeAnimation(const std::vector<QImage>& frames, const std::vector<int>& delays,
                           const AnimationOptions& options, QStringList& notes,
                           const std::function<bool(int, int)>& progress = {});

} // namespace orugif::formats
