// Uncompressed 8-bit AVI files (RIFF AVI 1.0): one video stream whose
// format holds the palette every frame is written against, the frames as
// '00db' chunks and an 'idx1' index marking each as a key frame.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <cstdint>
#include <vector>

namespace orugif::formats {

// The largest file written: 1 GiB, the reach of an AVI 1.0 file.
inline constexpr std::int64_t kAviSizeLimit = std::int64_t(1) << 30;

// The palette and the frames as indexes into it.
struct AviFrames {
    QList<QRgb> palette;        // at most 256 colours
    std::vector<QImage> frames;  // Format_Indexed8, one size
};

// The frames' own colours when all of them together use at most 256;
// otherwise every pixel mapped to the nearest colour of the 216-colour cube.
AviFrames aviFrames(const std::vector<QImage>& frames);

// The size in bytes of the file encodeAvi writes for `count` frames of `width`
// x `height` of which `pictures` hold their pixels (the others repeat the
// picture before them).
std::int64_t aviFileSize(std::int64_t pictures, std::int64_t count, int width, int height);

// aviFileSize, raising Error when it passes kAviSizeLimit.
std::int64_t checkAviSize(std::int64_t pictures, std::int64_t count, int width, int height);

// The stream's period and how often each frame is written for frames
// shown `delays` hundredths of a second each (at least 1): the period is
// the delays' greatest common divisor, so every frame keeps its time.
struct AviTiming {
    std::uint32_t scale = 1;
    std::vector<int> repeats;
    std::int64_t count = 0;  // frames written
};
AviTiming aviTiming(const std::vector<int>& delays);

// The whole file: rate 100 and scale the period of aviTiming in hundredths
// of a second (one delay for all: that delay, at least 1). A frame shown for
// several periods, or the same as the frame before, is written once; its
// other periods are empty chunks, which players read as "the picture before
// again", so a long delay costs 24 bytes a period. Raises Error when there
// is no frame, the delays do not match the frames, or the file would pass
// kAviSizeLimit.
QByteArray encodeAvi(const AviFrames& frames, const std::vector<int>& delays);

// encodeAvi written through writeFileSafely: a failure leaves any previous
// file as it was.
void writeAvi(const QString& path, const std::vector<QImage>& frames, int delay);
void writeAvi(const QString& path, const std::vector<QImage>& frames, const std::vector<int>& delays);
void writeAvi(const QString& path, const AviFrames& frames, const std::vector<int>& delays);

} // namespace orugif::formats
