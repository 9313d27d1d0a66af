#include "common/savefile.h"

#include "common/error.h"

#include <QBuffer>
#include <QSaveFile>

namespace orugif {

void writeFileSafely(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    const auto fail = [&](const QString& reason) {
        file.cancelWriting();
        throw Error(QStringLiteral("Impossible d'écrire le fichier %1 : %2.").arg(path, reason));
    };
    // Unbuffered: each write reaches the system at once and its failure
    // carries the system's reason.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail(file.errorString());
    // Every count, the flush and the error state are checked here: a commit
    // after a failed buffered write would still rename the short file over
    // the old one.
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            fail(file.errorString());
        done += n;
    }
    if (!file.flush() || file.error() != QFileDevice::NoError)
        fail(file.errorString());
    if (!file.commit())
        fail(file.errorString());
}

void savePictureSafely(const QString& path, const QImage& picture, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, format))
        throw Error(QStringLiteral("Impossible de coder l'image pour le fichier %1.").arg(path));
    writeFileSafely(path, bytes);
}

} // namespace orugif
