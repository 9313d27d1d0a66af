// Picture and animation files as the document sees them: which kind a file
// is (its content wins over its name), and a picture file decoded for import.
#pragma once
#include <QByteArray>
#include <QImage>
#include <QString>

namespace orugif {

// Avi stands for every video: AVI and the other containers FFmpeg reads.
enum class FileKind { Gif, Avi, Jpeg, Png, Metafile, Icon, Pcx, Bitmap, Unknown };

// By the file name's own last suffix, case-insensitive (".jpe" and ".jfif"
// are JPEG too); a folder name plays no part.
FileKind kindFromName(const QString& path);
// By the signature at the start of the bytes; Unknown when none matches.
FileKind kindFromContent(const QByteArray& bytes);
// The content's kind when it has a signature, else the name's.
FileKind fileKind(const QString& path, const QByteArray& bytes);

// The kind of the file at `path`, from its first bytes, else its name.
FileKind fileKindOf(const QString& path);

// The whole file, refused with a French message when it cannot be read or is
// larger than any picture the editor takes.
QByteArray readWholeFile(const QString& path);

// Decodes a picture file for import: Format_RGB32, or Format_ARGB32 when
// parts of it are transparent (PNG alpha, GIF transparency, icons, the
// undrawn background of a metafile). Failures raise the reader's exception
// with its message; an unknown kind reads as a Windows bitmap.
QImage loadPicture(const QString& path);

} // namespace orugif
