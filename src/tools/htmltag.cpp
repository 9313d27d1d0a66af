#include "tools/htmltag.h"

#include "common/filename.h"
#include "tools/properties.h"

namespace orugif::tools {

QString sizeText(int width, int height)
{
    return QStringLiteral("width=\"%1\" height=\"%2\"").arg(width).arg(height);
}

bool isScriptLink(const QString& link)
{
    QString scheme;
    for (const QChar c : link) {
        if (c == u'\t' || c == u'\n' || c == u'\r' || (scheme.isEmpty() && c.unicode() <= 0x20))
            continue;
        if (c == u':')
            break;
        scheme += c.toLower();
        if (scheme.size() > 16)
            return false;
    }
    return link.contains(u':')
        && (scheme == u"javascript" || scheme == u"vbscript" || scheme == u"livescript" || scheme == u"data");
}

QString htmlTag(const QString& name, const QString& size, const QString& link, const QString& alt,
                const QString& border)
{
    // The name's own bytes, so a name that is not UTF-8 still names its
    // file; a colon before the first slash would make the start a scheme.
    QString src = QString::fromLatin1(fileNameBytes(name).toPercentEncoding("!$'()*+,;=:@~/"));
    const qsizetype slash = src.indexOf(u'/');
    const qsizetype head = slash < 0 ? src.size() : slash;
    src = src.left(head).replace(u':', QStringLiteral("%3A")) + src.mid(head);
    // One arg() call: a value holding "%3" must not be taken for a marker.
    QString tag = QStringLiteral("<img src=\"%1\" %2 border=\"%3\"")
                      .arg(src.toHtmlEscaped(), size, QString::number(fieldNumber(border)));
    if (!alt.isEmpty())
        tag += QStringLiteral(" alt=\"%1\"").arg(alt.toHtmlEscaped());
    tag += QLatin1Char('>');
    if (!link.isEmpty()) {
        const QString href = isScriptLink(link) ? QStringLiteral("./") + link : link;
        tag = QStringLiteral("<a href=\"%1\">%2</a>").arg(href.toHtmlEscaped(), tag);
    }
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
