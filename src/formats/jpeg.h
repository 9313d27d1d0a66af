// JPEG pictures through libjpeg: decoding for import (colour, grey and CMYK)
// and encoding for the export of a frame (quality 90, colour, baseline).
#pragma once
#include <QByteArray>
#include <QImage>

namespace orugif::formats {

// Decodes a JPEG file held in memory into a Format_RGB32 picture. libjpeg's
// errors become orugif::Error "Erreur JPEG #n"; a picture past the editor's
// size limits is refused before its pixels are allocated.
QImage decodeJpeg(const QByteArray& file);

// Encodes a picture as a baseline colour JPEG file.
QByteArray encodeJpeg(const QImage& picture, int quality = 90);

} // namespace orugif::formats
