#include "tools/properties.h"

#include <QRegularExpression>

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

QString fieldRangeError(const QString& label, const QString& text, int minimum)
{
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
    if (!integer.match(text).hasMatch())
        return {};
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (ok && value >= minimum && value <= 65535)
        return {};
    const QString low = minimum < 0 ? QStringLiteral("%1 (une seule lecture, sans boucle)").arg(minimum)
                                     : QString::number(minimum);
    return QStringLiteral("%1 : la valeur %2 n'est pas admise, elle doit être comprise entre %3 et 65535.")
        .arg(label, text.trimmed(), low);
}

} // namespace orugif::tools
