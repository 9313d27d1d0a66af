// Writing a whole file so that it is complete or not written at all.
#pragma once
#include "common/error.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace orugif {

// A save that failed: the message names the file, reason() holds the
// system's reason in French.
class SaveError : public Error {
public:
    SaveError(const QString& path, const QString& reason);
    QString reason() const { return reason_; }

private:
    QString reason_;
};

// Writes bytes to path (its own bytes, see filename.h; a symbolic link is
// followed to the file it names) through a file written aside in the same
// folder and renamed over the old one only once every byte has reached the
// system: a full disk, a file size limit or any other write error leaves the
// previous file untouched and raises SaveError with the system's reason.
//
// The new file keeps the old one's mode, and its owner and group where the
// system allows. Only this name is replaced: other hard links to the old
// file keep the old content. The file written aside has no name while it is
// written (where the file system allows); otherwise, and for the instant
// between naming it and the rename, it is `.orugif-HASH-XXXXXX.tmp` in the
// same folder, and a save killed then leaves it for the next save of the
// same file to remove.
void writeFileSafely(const QString& path, const QByteArray& bytes);

// Encodes a picture with Qt's writer for `format` ("BMP", "PNG", ...) in
// memory, then writes it as writeFileSafely does.
void savePictureSafely(const QString& path, const QImage& picture, const char* format);

// The prefix of the names a save of the file `name` (its last component)
// writes aside under, for tests and for the removal of what a killed save left.
QByteArray temporaryPrefix(const QByteArray& name);

} // namespace orugif
