// The same work done with giflib, the benchmark's anchor.
#pragma once
#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <vector>

namespace bench {

// Decodes with DGifSlurp and composes every frame into canvas (RGBA,
// screen size, reused), applying transparency and disposal; returns the
// number of frames.
int giflibDecodeCompose(const QByteArray& file, std::vector<std::uint32_t>& canvas);

// Maps every pixel to the 216-colour cube ((v + 3) div 51) and writes each
// frame with its own colour map through EGifPutLine.
QByteArray giflibEncodeCube(const std::vector<QImage>& frames, int width, int height);

} // namespace bench
