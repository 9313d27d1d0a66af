#include "tools/htmltag.h"

#include "tools/properties.h"

namespace orugif::tools {

QString sizeText(int width, int height)
{
    return QStringLiteral("width=\"%1\" height=\"%2\"").arg(width).arg(height);
}

QString htmlTag(const QString& name, const QString& size, const QString& link, const QString& alt,
                const QString& border)
{
    const QString src = QString::fromLatin1(QUrl::toPercentEncoding(name, "!$'()*+,;=:@~/"));
    // One arg() call: a value holding "%3" must not be taken for a marker.
    QString tag = QStringLiteral("<img src=\"%1\" %2 border=\"%3\"")
                      .arg(src.toHtmlEscaped(), size, QString::number(fieldNumber(border)));
    if (!alt.isEmpty())
        tag += QStringLiteral(" alt=\"%1\"").arg(alt.toHtmlEscaped());
    tag += QLatin1Char('>');
    if (!link.isEmpty())
        tag = QStringLiteral("<a href=\"%1\">%2</a>").arg(link.toHtmlEscaped(), tag);
    return tag;
}

QUrl previewUrl(const QString& fileName, QString& why)
{
    if (fileName.isEmpty()) {
        why = QStringLiteral("Enregistrez d'abord l'animation.");
        return {};
    }
    return QUrl::fromLocalFile(fileName);
}

} // namespace orugif::tools
