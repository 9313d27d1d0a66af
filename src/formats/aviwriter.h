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
// x `height`.
std::int64_t aviFileSize(std::int64_t count, int width, int height);

// aviFileSize, raising Error when it passes kAviSizeLimit.
std::int64_t checkAviSize(std::int64_t count, int width, int height);

// The whole file: rate 100 and scale `delay` hundredths of a second (at
// least 1). Raises Error when there is no frame or the file would pass
// kAviSizeLimit.
QByteArray encodeAvi(const AviFrames& frames, int delay);

// encodeAvi written through writeFileSafely: a failure leaves any previous
// file as it was.
void writeAvi(const QString& path, const std::vector<QImage>& frames, int delay);

} // namespace orugif::formats
