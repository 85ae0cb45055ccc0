#include "common/FichierAtomique.h"

#include "common/ErreursSysteme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace FichierAtomique {

namespace {

QString affichable(const QString& chemin) {
    return QDir::toNativeSeparators(chemin);
}

// Raison d'un échec d'écriture ; Qt ne laisse pas toujours errno (cible en lecture seule, dossier).
QString raisonEcriture(const QSaveFile& f, int code, const QString& chemin) {
    if (code == 0) {
        const QFileInfo cible(chemin);
        if (cible.isDir())
            code = EISDIR;
        else if (cible.exists() && !cible.isWritable())
            code = EACCES;
        else if (!cible.absoluteDir().exists())
            code = ENOENT;
    }
    return ErreursSysteme::raison(f.error(), code, true);
}

QString taille(qint64 octets) {
    return QStringLiteral("%1 Mio").arg(
        QString::number(double(octets) / (1024 * 1024), 'f', 1).replace(u'.', u','));
}

bool refuser(QString* erreur, const QString& chemin, const QString& raison) {
    if (erreur)
        *erreur =
            QStringLiteral("Impossible de lire le fichier « %1 » : %2.").arg(affichable(chemin), raison);
    return false;
}

QString raisonTaille(qint64 octets, qint64 tailleMax) {
    return QStringLiteral("il fait %1, plus que les %2 admis").arg(taille(octets), taille(tailleMax));
}

} // namespace

bool ecrire(const QString& chemin, const QByteArray& donnees, QString* erreur) {
    QSaveFile f(chemin);
    // Le renommage seul garantit l'atomicité : pas de repli sur une écriture directe.
    f.setDirectWriteFallback(false);
    errno = 0;
    if (!f.open(QIODevice::WriteOnly)) {
        const int code = errno;
        if (erreur)
            *erreur = QStringLiteral("Impossible d'écrire le fichier « %1 » : %2.")
                          .arg(affichable(chemin), raisonEcriture(f, code, chemin));
        return false;
    }
    errno = 0;
    if (f.write(donnees) != donnees.size()) {
        const int code = errno;
        if (erreur)
            *erreur = QStringLiteral("L'écriture du fichier « %1 » a échoué : %2.")
                          .arg(affichable(chemin), raisonEcriture(f, code, chemin));
        f.cancelWriting();
        return false;
    }
    errno = 0;
    if (!f.commit()) {
        const int code = errno;
        if (erreur)
            *erreur = QStringLiteral("L'enregistrement du fichier « %1 » a échoué : %2.")
                          .arg(affichable(chemin), raisonEcriture(f, code, chemin));
        return false;
    }
    return true;
}

bool lire(const QString& chemin, QByteArray& donnees, QString* erreur, qint64 tailleMax) {
    QFile f;
#ifdef Q_OS_UNIX
    // Ouverture non bloquante puis examen du fichier ouvert lui-même : un tube mis à la place
    // entre un examen et l'ouverture ne peut pas bloquer le programme.
    const int fd = ::open(QFile::encodeName(chemin).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return refuser(erreur, chemin, ErreursSysteme::raison(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool dossier = S_ISDIR(st.st_mode);
        ::close(fd);
        return refuser(erreur, chemin,
                       dossier ? ErreursSysteme::raison(EISDIR)
                               : QStringLiteral("ce n'est pas un fichier ordinaire (tube, périphérique…)"));
    }
    if (st.st_size > tailleMax) {
        ::close(fd);
        return refuser(erreur, chemin, raisonTaille(st.st_size, tailleMax));
    }
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refuser(erreur, chemin, ErreursSysteme::raison(f.error(), 0));
    }
#else
    const QFileInfo info(chemin);
    if (info.isDir()) return refuser(erreur, chemin, ErreursSysteme::raison(EISDIR));
    if (info.exists() && !info.isFile())
        return refuser(erreur, chemin, QStringLiteral("ce n'est pas un fichier ordinaire"));
    if (info.size() > tailleMax) return refuser(erreur, chemin, raisonTaille(info.size(), tailleMax));
    f.setFileName(chemin);
    errno = 0;
    if (!f.open(QIODevice::ReadOnly))
        return refuser(erreur, chemin, ErreursSysteme::raison(f.error(), errno));
#endif
    // Par morceaux : un fichier qui grandit pendant la lecture ne dépasse pas non plus la borne.
    QByteArray lu;
    for (;;) {
        errno = 0;
        const QByteArray morceau = f.read(64 * 1024);
        if (f.error() != QFileDevice::NoError)
            return refuser(erreur, chemin, ErreursSysteme::raison(f.error(), errno));
        if (morceau.isEmpty()) break;
        lu += morceau;
        if (lu.size() > tailleMax) return refuser(erreur, chemin, raisonTaille(lu.size(), tailleMax));
    }
    donnees = std::move(lu);
    return true;
}

} // namespace FichierAtomique
