// Recognising a metafile and handing it to the WMF or EMF player.
#include "formats/metafile_internal.h"

#include "common/limits.h"
#include "formats/bytecursor.h"

namespace orugif::formats {

namespace metafile {

QImage blankPicture(QSize size)
{
    if (!pictureSizeAllowed(size.width(), size.height()))
        throw EMetafileException(QString::fromUtf8(kTooLarge).arg(size.width()).arg(size.height()).toStdString());
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        throw EMetafileException(QString::fromUtf8(kTooLarge).arg(size.width()).arg(size.height()).toStdString());
    image.fill(Qt::transparent);
    return image;
}

} // namespace metafile

MetafileFormat metafileFormat(const QByteArray& file)
{
    ByteCursor c(byteSpan(file.constData(), std::size_t(file.size())));
    std::uint32_t first = 0;
    if (!c.u32le(first))
        return MetafileFormat::Unknown;
    if (first == 0x9AC6CDD7u) // placeable WMF key
        return MetafileFormat::Wmf;
    std::uint32_t signature = 0;
    if (first == 1 && c.seek(40) && c.u32le(signature) && signature == 0x464D4520u)
        return MetafileFormat::Emf;
    // A WMF without placeable header: type 1 or 2, header of 9 words.
    const std::uint16_t type = std::uint16_t(first & 0xffff), words = std::uint16_t(first >> 16);
    if ((type == 1 || type == 2) && words == 9)
        return MetafileFormat::Wmf;
    return MetafileFormat::Unknown;
}

QSize metafileSize(const QByteArray& file)
{
    const auto bytes = byteSpan(file.constData(), std::size_t(file.size()));
    switch (metafileFormat(file)) {
    case MetafileFormat::Emf: return metafile::emfSize(bytes);
    case MetafileFormat::Wmf: return metafile::wmfSize(bytes);
    default: throw EMetafileException(metafile::kNotMetafile);
    }
}

QImage renderMetafile(const QByteArray& file)
{
    const auto bytes = byteSpan(file.constData(), std::size_t(file.size()));
    QImage picture;
    switch (metafileFormat(file)) {
    case MetafileFormat::Emf: picture = metafile::renderEmf(bytes); break;
    case MetafileFormat::Wmf: picture = metafile::renderWmf(bytes); break;
    default: throw EMetafileException(metafile::kNotMetafile);
    }
    return picture.convertToFormat(QImage::Format_ARGB32);
}

} // namespace orugif::formats
