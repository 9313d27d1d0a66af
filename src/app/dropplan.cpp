#include "app/dropplan.h"

#include "document/picturefile.h"

#include <QFileInfo>
#include <algorithm>

namespace orugif::app {

namespace {

DropPlan refuse(const QString& why)
{
    DropPlan plan;
    plan.refusal = why;
    return plan;
}

// Names as people read them: "frame-9" before "frame-10", case aside.
bool readingOrder(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // Leading zeros aside, a longer run of digits is a larger number.
            QStringView x = QStringView(a).mid(i, ei - i), y = QStringView(b).mid(j, ej - j);
            while (x.size() > 1 && x.front() == u'0')
                x = x.mid(1);
            while (y.size() > 1 && y.front() == u'0')
                y = y.mid(1);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int c = x.compare(y); c != 0)
                return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

bool isAnimation(FileKind kind) { return kind == FileKind::Gif || kind == FileKind::Avi; }

// Why `path` cannot be taken, or an empty text.
QString unusable(const QString& path)
{
    const QFileInfo info(path);
    const QString name = info.fileName().isEmpty() ? path : info.fileName();
    if (info.isDir())
        return QStringLiteral("%1 est un dossier : déposez les fichiers qu'il contient.").arg(name);
    if (!info.isFile())
        return QStringLiteral("Le fichier %1 est introuvable.").arg(name);
    if (fileKindOf(path) == FileKind::Unknown)
        return QStringLiteral("Oru Gif ne sait pas lire le fichier %1.").arg(name);
    return {};
}

// With `openFirst`, several files start with the animation they open.
DropPlan plan(QStringList files, bool openFirst)
{
    if (files.isEmpty())
        return refuse(QStringLiteral("Aucun fichier à ouvrir."));
    for (const QString& file : files)
        if (const QString why = unusable(file); !why.isEmpty())
            return refuse(why);
    DropPlan p;
    if (isAnimation(fileKindOf(files.front())) && (files.size() == 1 || openFirst)) {
        p.action = DropPlan::Action::Open;
        p.open = files.takeFirst();
    } else {
        p.action = files.size() == 1 ? DropPlan::Action::Import : DropPlan::Action::Append;
    }
    // A GIF among pictures gives its first frame; a video only ever opens.
    for (const QString& file : files)
        if (fileKindOf(file) == FileKind::Avi)
            return refuse(QStringLiteral("La vidéo %1 s'ouvre seule, pas comme un cadre.")
                              .arg(QFileInfo(file).fileName()));
    p.frames = files;
    return p;
}

} // namespace

DropPlan planDrop(const QList<QUrl>& urls)
{
    QStringList files;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            return refuse(QStringLiteral("Seuls les fichiers de cet ordinateur peuvent être déposés (%1).")
                              .arg(url.toDisplayString()));
        files << url.toLocalFile();
    }
    // Several pictures become frames in the order of their names.
    std::stable_sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
        return readingOrder(QFileInfo(a).fileName(), QFileInfo(b).fileName());
    });
    return plan(files, false);
}

DropPlan planOpen(const QStringList& files) { return plan(files, true); }

} // namespace orugif::app
