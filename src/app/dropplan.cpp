#include "app/dropplan.h"

#include "common/filename.h"
#include "common/readingorder.h"
#include "document/picturefile.h"

#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace orugif::app {

namespace {

DropPlan refuse(const QString& why)
{
    DropPlan plan;
    plan.refusal = why;
    return plan;
}

bool isAnimation(FileKind kind) { return kind == FileKind::Gif || kind == FileKind::Avi; }

// Why `path` cannot be taken (empty when it can), and its kind.
QString unusable(const QString& path, FileKind& kind)
{
    const QFileInfo info(path);
    const QString name = displayName(info.fileName().isEmpty() ? path : info.fileName());
    if (isExistingDirectory(path))
        return QStringLiteral("%1 est un dossier : déposez les fichiers qu'il contient.").arg(name);
    if (!isExistingFile(path))
        return QStringLiteral("Le fichier %1 est introuvable.").arg(name);
    kind = fileKindOf(path);
    if (kind == FileKind::Unknown)
        return QStringLiteral("Oru Gif ne sait pas lire le fichier %1.").arg(name);
    return {};
}

// With `openFirst`, several files start with the animation they open.
DropPlan plan(QStringList files, bool openFirst)
{
    if (files.isEmpty())
        return refuse(QStringLiteral("Aucun fichier à ouvrir."));
    // Each file's first bytes are read once.
    std::vector<FileKind> kinds(std::size_t(files.size()), FileKind::Unknown);
    for (qsizetype i = 0; i < files.size(); ++i)
        if (const QString why = unusable(files[i], kinds[std::size_t(i)]); !why.isEmpty())
            return refuse(why);
    DropPlan p;
    if (isAnimation(kinds.front()) && (files.size() == 1 || openFirst)) {
        p.action = DropPlan::Action::Open;
        p.open = files.takeFirst();
        kinds.erase(kinds.begin());
    } else {
        p.action = files.size() == 1 ? DropPlan::Action::Import : DropPlan::Action::Append;
    }
    // A GIF among pictures gives its first frame; a video only ever opens.
    for (qsizetype i = 0; i < files.size(); ++i)
        if (kinds[std::size_t(i)] == FileKind::Avi)
            return refuse(QStringLiteral("La vidéo %1 s'ouvre seule, pas comme un cadre.")
                              .arg(QFileInfo(files[i]).fileName()));
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
