// The structure of a WebP file, animated or not, read through libwebp's
// demuxer without decoding its pixels: what `orugif info` prints of it.
#pragma once
#include <QByteArray>
#include <QSize>
#include <vector>

namespace orugif::formats {

struct WebpInfo {
    QSize size;                // the canvas
    int loop = 0;              // plays, 0 for ever
    std::vector<int> delays;   // each frame's, in milliseconds
};

// Whether `bytes` start as a WebP file.
bool isWebp(const QByteArray& bytes);
// Raises Error ("Fichier WebP illisible") when the demuxer refuses it.
WebpInfo readWebpInfo(const QByteArray& bytes);

} // namespace orugif::formats
