// Writing a whole file so that it is complete or not written at all.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>

namespace orugif {

// Writes bytes to path through a file written aside and renamed over the old
// one only once every byte has reached the system: a full disk, a file size
// limit or any other write error leaves the previous file untouched and
// raises Error with the system's reason.
void writeFileSafely(const QString& path, const QByteArray& bytes);

// Encodes a picture with Qt's writer for `format` ("BMP", "PNG", ...) in
// memory, then writes it as writeFileSafely does.
void savePictureSafely(const QString& path, const QImage& picture, const char* format);

} // namespace orugif
