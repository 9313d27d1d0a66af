#include "document/picturefile.h"

#include "common/error.h"
#include "common/filename.h"
#include "common/limits.h"
#include "common/systemreason.h"
#include "formats/jpeg.h"
#include "formats/metafile.h"
#include "formats/pcx.h"
#include "formats/png.h"
#include "gif/compose.h"
#include "gif/gifimage.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <cerrno>
#include <cstring>

namespace orugif {

namespace {

// Larger files hold no picture the editor could take.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

// The first frame as the codec draws a still image: at its place on the
// logical screen, its transparent pixels left clear.
QImage gifPicture(const QByteArray& bytes)
{
    gif::TGIFImage image;
    image.LoadFromData(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())));
    if (image.Empty())
        throw Error(QStringLiteral("Le fichier GIF ne contient aucune image."));
    gif::TGIFSubImage& frame = *image.Images()[0];
    // The picture spans the logical screen and the frame wherever it lies:
    // a frame placed far off the screen asks for a huge picture.
    const int w = std::max(image.Width(), frame.Left() + frame.Width());
    const int h = std::max(image.Height(), frame.Top() + frame.Height());
    if (!pictureSizeAllowed(w, h))
        throw Error(QStringLiteral("L'image GIF est trop grande (%1 x %2).").arg(w).arg(h));
    QImage pixels = gif::RenderFrameRgb(frame).convertToFormat(QImage::Format_ARGB32);
    const gif::TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
    const bool transparent = gce && gce->TransparentFlag();
    if (transparent) {
        const int index = gce->TransparentIndex();
        for (int y = 0; y < frame.Height(); ++y) {
            const std::uint8_t* in = frame.Scanline(y);
            auto* out = reinterpret_cast<QRgb*>(pixels.scanLine(y));
            for (int x = 0; x < frame.Width(); ++x)
                if (in[x] == index)
                    out[x] = 0;
        }
    }
    QImage screen(w, h, transparent || frame.Left() || frame.Top() || frame.Width() < w || frame.Height() < h
                            ? QImage::Format_ARGB32
                            : QImage::Format_RGB32);
    if (screen.isNull() || pixels.isNull())
        throw std::bad_alloc();
    screen.fill(Qt::transparent);
    QPainter painter(&screen);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(frame.Left(), frame.Top(), pixels);
    return screen;
}

QImage qtPicture(const QByteArray& bytes, const char* format, const QString& path)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, format);
    const QSize size = reader.size();
    if (size.isValid() && !pictureSizeAllowed(size.width(), size.height()))
        throw Error(QStringLiteral("L'image %1 est trop grande (%2 x %3).")
                        .arg(QFileInfo(path).fileName(), QString::number(size.width()),
                             QString::number(size.height())));
    QImage picture = reader.read();
    if (picture.isNull())
        throw Error(QStringLiteral("Impossible de lire l'image %1 : %2.")
                        .arg(QFileInfo(path).fileName(), reader.errorString()));
    return picture.hasAlphaChannel() ? picture.convertToFormat(QImage::Format_ARGB32)
                                     : picture.convertToFormat(QImage::Format_RGB32);
}

} // namespace

FileKind kindFromName(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "gif")
        return FileKind::Gif;
    // Videos: AVI, and the other containers FFmpeg reads.
    if (suffix == "avi" || suffix == "mp4" || suffix == "m4v" || suffix == "mkv" || suffix == "webm"
        || suffix == "mov" || suffix == "mpg" || suffix == "mpeg" || suffix == "ogv" || suffix == "flv")
        return FileKind::Avi;
    if (suffix == "jpg" || suffix == "jpeg" || suffix == "jpe" || suffix == "jfif")
        return FileKind::Jpeg;
    if (suffix == "png")
        return FileKind::Png;
    if (suffix == "wmf" || suffix == "emf")
        return FileKind::Metafile;
    if (suffix == "ico")
        return FileKind::Icon;
    if (suffix == "pcx")
        return FileKind::Pcx;
    if (suffix == "bmp" || suffix == "dib")
        return FileKind::Bitmap;
    return FileKind::Unknown;
}

FileKind kindFromContent(const QByteArray& b)
{
    const auto starts = [&](const char* s, qsizetype n) { return b.size() >= n && std::memcmp(b.constData(), s, std::size_t(n)) == 0; };
    if (b.size() >= 6 && (starts("GIF8", 4)))
        return FileKind::Gif;
    if (starts("\x89PNG\r\n\x1a\n", 8)) {
        // An animated PNG announces its frames ("acTL") before its pixels:
        // it opens as an animation, through the video reader.
        const qsizetype animation = b.indexOf("acTL"), pixels = b.indexOf("IDAT");
        return animation > 0 && (pixels < 0 || animation < pixels) ? FileKind::Avi : FileKind::Png;
    }
    if (starts("\xff\xd8\xff", 3))
        return FileKind::Jpeg;
    if (starts("BM", 2) && b.size() >= 14)
        return FileKind::Bitmap;
    if (b.size() >= 12 && starts("RIFF", 4) && b.mid(8, 4) == "AVI ")
        return FileKind::Avi;
    // MP4 and MOV ("ftyp" box), Matroska and WebM (EBML header).
    if ((b.size() >= 12 && b.mid(4, 4) == "ftyp") || starts("\x1a\x45\xdf\xa3", 4))
        return FileKind::Avi;
    if (formats::metafileFormat(b) != formats::MetafileFormat::Unknown)
        return FileKind::Metafile;
    if (starts("\0\0\1\0", 4) && b.size() >= 22)
        return FileKind::Icon;
    // PCX: manufacturer 10, a known version, run-length coding 0 or 1.
    if (b.size() >= 128 && uchar(b[0]) == 10 && (uchar(b[1]) <= 5 && uchar(b[1]) != 1) && uchar(b[2]) <= 1)
        return FileKind::Pcx;
    return FileKind::Unknown;
}

namespace {

struct OutputSuffix {
    const char* suffix;
    FileKind kind;
};

FileKind outputKind(const QString& path, std::initializer_list<OutputSuffix> accepted)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    QStringList names;
    for (const OutputSuffix& s : accepted) {
        if (suffix == QLatin1String(s.suffix))
            return s.kind;
        names << QStringLiteral(".") + QLatin1String(s.suffix);
    }
    throw Error(QStringLiteral("Le fichier %1 ne peut pas être écrit dans ce format : les noms acceptés se terminent "
                               "par %2.")
                    .arg(QFileInfo(path).fileName(), names.join(QStringLiteral(", "))));
}

} // namespace

void checkAnimationSize(const QString& name, int frames, QSize size)
{
    const std::int64_t pixels = std::int64_t(frames) * size.width() * size.height();
    if (pixels <= animationPixelLimit())
        return;
    constexpr std::int64_t kMiB = std::int64_t(1) << 20;
    throw Error(QStringLiteral("L'animation %1 est trop grande : %2 cadres de %3 x %4 pixels demanderaient %5 Mo de "
                               "mémoire, %6 Mo au plus sur cet ordinateur.")
                    .arg(name, QString::number(frames), QString::number(size.width()), QString::number(size.height()),
                         QString::number(pixels * 4 / kMiB), QString::number(animationPixelLimit() * 4 / kMiB)));
}

FileKind pictureOutputKind(const QString& path)
{
    return outputKind(path, {{"gif", FileKind::Gif},
                             {"bmp", FileKind::Bitmap},
                             {"jpg", FileKind::Jpeg},
                             {"jpeg", FileKind::Jpeg},
                             {"jpe", FileKind::Jpeg},
                             {"pcx", FileKind::Pcx},
                             {"png", FileKind::Png}});
}

FileKind animationOutputKind(const QString& path)
{
    return outputKind(path, {{"gif", FileKind::Gif},
                             {"avi", FileKind::Avi},
                             {"mp4", FileKind::Avi},
                             {"webm", FileKind::Avi},
                             {"webp", FileKind::Avi},
                             {"png", FileKind::Png}});
}

FileKind fileKind(const QString& path, const QByteArray& bytes)
{
    const FileKind content = kindFromContent(bytes);
    return content != FileKind::Unknown ? content : kindFromName(path);
}

FileKind fileKindOf(const QString& path)
{
    // Every signature the editor knows lies in the first 128 bytes.
    QFile file;
    QString reason;
    if (!openForReading(file, path, reason))
        throw Error(QStringLiteral("Impossible d'ouvrir le fichier %1 : %2.").arg(displayName(path), reason));
    return fileKind(path, file.read(128));
}

QByteArray readWholeFile(const QString& path)
{
    QFile file;
    QString reason;
    if (!openForReading(file, path, reason))
        throw Error(QStringLiteral("Impossible d'ouvrir le fichier %1 : %2.").arg(displayName(path), reason));
    if (file.size() > kMaxFileBytes)
        throw Error(QStringLiteral("Le fichier %1 est trop volumineux.").arg(displayName(path)));
    errno = 0;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Impossible de lire le fichier %1 : %2.")
                        .arg(displayName(path), systemReason(errno != 0 ? errno : EIO)));
    return bytes;
}

QImage loadPicture(const QString& path)
{
    const QByteArray bytes = readWholeFile(path);
    switch (fileKind(path, bytes)) {
    case FileKind::Jpeg:
        return formats::decodeJpeg(bytes);
    case FileKind::Gif:
        return gifPicture(bytes);
    case FileKind::Png:
        return formats::loadPng(bytes);
    case FileKind::Metafile:
        return formats::renderMetafile(bytes);
    case FileKind::Icon:
        return qtPicture(bytes, "ico", path);
    case FileKind::Pcx: {
        const QImage pcx = formats::decodePcx(bytes);
        if (pcx.isNull())
            throw Error(QStringLiteral("Le fichier PCX %1 n'est pas lisible.").arg(QFileInfo(path).fileName()));
        return pcx.convertToFormat(QImage::Format_RGB32);
    }
    case FileKind::Avi:
        throw Error(QStringLiteral("%1 est une vidéo : ouvrez-la avec « Ouvrir... ».").arg(QFileInfo(path).fileName()));
    case FileKind::Bitmap:
    case FileKind::Unknown:
        break;
    }
    return qtPicture(bytes, "bmp", path);
}

} // namespace orugif
