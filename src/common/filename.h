// File names as the system holds them: bytes, usually UTF-8 but not always.
// A name that is not valid UTF-8 is kept byte for byte through the program's
// QString paths, so it is opened and written under the very name the user gave.
#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace orugif {

// Decodes a name from the system (a command-line argument, a directory
// entry): valid UTF-8 is read as such, and each byte that is not part of a
// valid sequence becomes the lone surrogate U+DC80..U+DCFF, which no valid
// UTF-8 text can produce.
QString fileNameFromBytes(QByteArrayView bytes);

// The bytes the system knows a name by: the inverse of fileNameFromBytes,
// and plain UTF-8 for every other name.
QByteArray fileNameBytes(const QString& name);

// True when the name holds bytes that are not UTF-8; such a name must reach
// the system through fileNameBytes, never through QFile's own encoding.
bool hasRawBytes(const QString& name);

// The name as it may be shown to the user: each byte that is not UTF-8
// written as \xHH.
QString displayName(const QString& name);

// Opens `file` on path for reading under the path's own bytes. On failure
// returns false and `reason` holds the system's reason in French.
bool openForReading(QFile& file, const QString& path, QString& reason);

// Whether path names an existing file, a directory, or anything at all,
// looked up under the path's own bytes.
bool isExistingFile(const QString& path);
bool isExistingDirectory(const QString& path);
bool pathExists(const QString& path);

// Creates the folder path and the folders above it that do not exist yet,
// under the path's own bytes. On failure returns false with the system's
// reason in French.
bool makeFolders(const QString& path, QString& reason);

} // namespace orugif
