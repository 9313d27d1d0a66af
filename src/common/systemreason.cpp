#include "common/systemreason.h"

#include <cerrno>
#include <cstring>

namespace orugif {

QString systemReason(int error)
{
    switch (error) {
    case EACCES: return QStringLiteral("permission refusée");
    case EPERM: return QStringLiteral("opération non permise");
    case ENOENT: return QStringLiteral("fichier ou dossier introuvable");
    case ENOTDIR: return QStringLiteral("un élément du chemin n'est pas un dossier");
    case EISDIR: return QStringLiteral("c'est un dossier");
    case ENOSPC: return QStringLiteral("plus de place sur le disque");
    case EDQUOT: return QStringLiteral("quota de disque dépassé");
    case EFBIG: return QStringLiteral("fichier trop volumineux");
    case EROFS: return QStringLiteral("système de fichiers en lecture seule");
    case ENAMETOOLONG: return QStringLiteral("nom de fichier trop long");
    case ELOOP: return QStringLiteral("trop de niveaux de liens symboliques");
    case EIO: return QStringLiteral("erreur d'entrée-sortie");
    case EMFILE:
    case ENFILE: return QStringLiteral("trop de fichiers ouverts");
    case EEXIST: return QStringLiteral("le fichier existe déjà");
    case EXDEV: return QStringLiteral("le dossier est sur un autre système de fichiers");
    case EBUSY: return QStringLiteral("périphérique ou ressource occupé");
    case ETXTBSY: return QStringLiteral("fichier en cours d'utilisation");
    case ENOMEM: return QStringLiteral("mémoire insuffisante");
    case EINVAL: return QStringLiteral("argument invalide");
    case ENXIO:
    case ENODEV: return QStringLiteral("périphérique introuvable");
    case EOPNOTSUPP: return QStringLiteral("opération non prise en charge par le système de fichiers");
    case EAGAIN: return QStringLiteral("ressource temporairement indisponible");
    case EINTR: return QStringLiteral("opération interrompue");
    case ESTALE: return QStringLiteral("fichier réseau périmé");
    default: break;
    }
    return QStringLiteral("erreur système n° %1 (%2)").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
}

} // namespace orugif
