// Writing a whole file so that it is complete or not written at all.
#pragma once
#include <QByteArray>
#include <QString>

namespace orugif {

// Writes bytes to path through a file written aside and renamed over the old
// one only once every byte has reached the system: a full disk, a file size
// limit or any other write error leaves the previous file untouched and
// raises Error with the system's reason.
void writeFileSafely(const QString& path, const QByteArray& bytes);

} // namespace orugif
