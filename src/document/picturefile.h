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

// The kind a single picture is written as, from the output name's suffix:
// .gif, .bmp, .jpg/.jpeg/.jpe, .pcx or .png. Any other name raises Error
// listing the supported suffixes.
FileKind pictureOutputKind(const QString& path);
// The same for an animation: .gif only.
FileKind animationOutputKind(const QString& path);

// Refuses with Error, before anything is composed, an animation whose frames
// (`frames` pictures of `size`) would take more memory than the editor allows
// on this machine; the message gives the frames, size and memory needed.
void checkAnimationSize(const QString& name, int frames, QSize size);

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
