#include "tools/properties.h"

namespace orugif::tools {

QString versionText(int gifVersion)
{
    switch (gifVersion) {
    case 0:
        return QStringLiteral("Gif Version Inconnue");
    case 1:
        return QStringLiteral("Gif Version 87a - 1987");
    case 2:
        return QStringLiteral("Gif Version 89a - 1989");
    default:
        return QStringLiteral("Version");
    }
}

int fieldNumber(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? value : 0;
}

} // namespace orugif::tools
