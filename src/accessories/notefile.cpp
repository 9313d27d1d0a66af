#include "accessories/notefile.h"

#include "common/error.h"
#include "common/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace orugif::accessories {

namespace {

Error fileError(const QString& verb, const QString& path, const QString& reason)
{
    return Error(QStringLiteral("Erreur de fichier : impossible %1 %2 (%3).").arg(verb, path, reason));
}

} // namespace

QString notePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/OruGif.nte");
}

std::optional<QString> loadNote(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return std::nullopt;
    if (!file.open(QIODevice::ReadOnly))
        throw fileError(QStringLiteral("de lire"), path, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw fileError(QStringLiteral("de lire"), path, file.errorString());
    // One line per line; the last line's end is not part of the note.
    QString text = QString::fromUtf8(bytes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

void saveNote(const QString& path, const QString& text)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw fileError(QStringLiteral("de créer le dossier"), folder, QStringLiteral("accès refusé"));
    const QByteArray bytes = text.isEmpty() ? QByteArray() : (text + QLatin1Char('\n')).toUtf8();
    try {
        writeFileSafely(path, bytes);
    } catch (const SaveError& e) {
        throw fileError(QStringLiteral("d'écrire"), path, e.reason());
    }
}

} // namespace orugif::accessories
