#include "common/ErreursSysteme.h"

#include <cerrno>

namespace ErreursSysteme {

QString raison(int code, bool écriture) {
    switch (code) {
    case ENOENT:
        return écriture ? QStringLiteral("le dossier n'existe pas")
                        : QStringLiteral("le fichier n'existe pas");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission refusée");
    case ENOSPC:
        return QStringLiteral("disque plein");
#ifdef EDQUOT
    case EDQUOT:
        return QStringLiteral("disque plein (quota dépassé)");
#endif
    case EROFS:
        return QStringLiteral("le disque est en lecture seule");
    case EISDIR:
        return QStringLiteral("c'est un dossier");
    case ENOTDIR:
        return QStringLiteral("un élément du chemin n'est pas un dossier");
    case ENAMETOOLONG:
        return QStringLiteral("nom de fichier trop long");
    case ELOOP:
        return QStringLiteral("boucle de liens symboliques");
    case EEXIST:
        return QStringLiteral("le fichier existe déjà");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("trop de fichiers ouverts");
    case EIO:
        return QStringLiteral("erreur matérielle de lecture ou d'écriture");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("le fichier est occupé");
    case EFBIG:
        return QStringLiteral("fichier trop grand");
    case ENXIO:
    case ENODEV:
        return QStringLiteral("périphérique absent");
    case EXDEV:
        return QStringLiteral("déplacement impossible d'un disque à un autre");
    case ENOMEM:
        return QStringLiteral("mémoire insuffisante");
    case EAGAIN:
        return QStringLiteral("ressource momentanément indisponible");
    case EINVAL:
        return QStringLiteral("nom ou opération invalide");
    default:
        return QStringLiteral("erreur du système n° %1").arg(code);
    }
}

QString raison(QFileDevice::FileError erreur, int code, bool écriture) {
    if (code != 0) return raison(code, écriture);
    switch (erreur) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("permission refusée");
    case QFileDevice::ResourceError:
        return QStringLiteral("ressources du système épuisées (disque plein ?)");
    case QFileDevice::ReadError:
        return QStringLiteral("erreur de lecture");
    case QFileDevice::WriteError:
        return QStringLiteral("erreur d'écriture");
    case QFileDevice::RenameError:
        return QStringLiteral("le fichier temporaire n'a pas pu prendre la place de l'ancien");
    case QFileDevice::OpenError:
        return QStringLiteral("ouverture impossible");
    default:
        return QStringLiteral("erreur inattendue");
    }
}

} // namespace ErreursSysteme
