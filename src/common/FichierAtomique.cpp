#include "common/FichierAtomique.h"

#include "common/ErreursSysteme.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <optional>

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

bool échouer(QString* erreur, const QString& texte) {
    if (erreur) *erreur = texte;
    return false;
}

#ifdef Q_OS_UNIX

// Ce que le fichier écrit reprend d'un fichier existant : ses droits et son propriétaire.
struct Modele {
    mode_t mode;
    uid_t propriétaire;
    gid_t groupe;
};

// Nom du temporaire, unique et caché, dans le dossier de la cible : le renommage reste sur le
// même disque. Le nom de la cible est raccourci pour que le temporaire ne dépasse pas la limite.
QByteArray nomTemporaire(const QString& dossier, const QString& nom) {
    static const char chiffres[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString suffixe;
    for (int i = 0; i < 8; ++i)
        suffixe += QLatin1Char(chiffres[QRandomGenerator::global()->bounded(36)]);
    return QFile::encodeName(dossier + QStringLiteral("/.") + nom.left(40) + u'.' + suffixe +
                             QStringLiteral(".tmp"));
}

// Écrit chemin lui-même, sans suivre de lien : un lien à sa place est remplacé par le renommage.
// modele : droits et propriétaire à donner au fichier écrit ; sans lui, ceux du fichier remplacé
// (un nouveau fichier reçoit 0666 moins le masque). Un fichier remplacé en lecture seule n'est
// écrit que si modele est donné (une copie de sécurité appartient au programme).
bool ecrireSansSuivre(const QString& chemin, const QByteArray& donnees, const Modele* modele,
                      QString* erreur) {
    const QString nom = affichable(chemin);
    auto impossible = [&](int code) {
        return échouer(erreur, QStringLiteral("Impossible d'écrire le fichier « %1 » : %2.")
                                   .arg(nom, ErreursSysteme::raison(code, true)));
    };
    const QByteArray cible = QFile::encodeName(chemin);
    struct stat st {};
    bool existe = false;
    std::optional<Modele> repris;
    if (::lstat(cible.constData(), &st) == 0) {
        existe = true;
        if (S_ISDIR(st.st_mode)) return impossible(EISDIR);
        if (S_ISREG(st.st_mode)) {
            if (!modele && ::faccessat(AT_FDCWD, cible.constData(), W_OK, AT_EACCESS) != 0)
                return impossible(errno);
            repris = Modele{mode_t(st.st_mode & 07777), st.st_uid, st.st_gid};
        }
    } else if (errno != ENOENT) {
        return impossible(errno);
    }
    if (modele) repris = *modele;

    const QFileInfo info(chemin);
    QByteArray temporaire;
    int fd = -1;
    for (int essai = 0; essai < 100 && fd < 0; ++essai) {
        temporaire = nomTemporaire(info.absolutePath(), info.fileName());
        // O_EXCL et O_NOFOLLOW : jamais un fichier ni un lien déjà là.
        fd = ::open(temporaire.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return impossible(errno);

    auto abandonner = [&](int code) {
        if (fd >= 0) ::close(fd);
        ::unlink(temporaire.constData());
        return échouer(erreur, QStringLiteral("L'écriture du fichier « %1 » a échoué : %2. %3")
                                   .arg(nom, ErreursSysteme::raison(code, true),
                                        existe ? QStringLiteral("Il est resté tel qu'il était.")
                                               : QStringLiteral("Il n'a pas été créé.")));
    };
    // Chaque écriture est vérifiée : une écriture courte ou interrompue reprend où elle s'est arrêtée.
    const char* p = donnees.constData();
    qsizetype reste = donnees.size();
    while (reste > 0) {
        const ssize_t n = ::write(fd, p, size_t(reste));
        if (n < 0) {
            if (errno == EINTR) continue;
            return abandonner(errno);
        }
        if (n == 0) return abandonner(ENOSPC);
        p += n;
        reste -= n;
    }
    if (repris) {
        // Au mieux : root rend le fichier à son propriétaire ; un disque sans droits (FAT) n'en
        // garde pas, ce qui n'empêche pas d'y écrire.
        if ((repris->propriétaire != ::geteuid() || repris->groupe != ::getegid()) &&
            ::fchown(fd, repris->propriétaire, repris->groupe) != 0) {
        }
        if (::fchmod(fd, repris->mode) != 0) {
        }
    }
    // Le contenu est sur le disque avant que le nom ne change : jamais un fichier vide après une panne.
    int r;
    do
        r = ::fsync(fd);
    while (r != 0 && errno == EINTR);
    if (r != 0) return abandonner(errno);
    const int fermé = ::close(fd);
    fd = -1;
    if (fermé != 0 && errno != EINTR) return abandonner(errno);
    if (::rename(temporaire.constData(), cible.constData()) != 0) return abandonner(errno);
    // Le renommage lui-même sur le disque ; déjà visible, il ne peut plus être défait : un dossier
    // qui refuse fsync (certains systèmes de fichiers réseau) ne change rien au résultat.
    const int dossier =
        ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dossier >= 0) {
        ::fsync(dossier);
        ::close(dossier);
    }
    return true;
}

#else

struct Modele {};

// Ailleurs qu'Unix, QSaveFile fait le même travail sans les droits Unix.
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

bool ecrireSansSuivre(const QString& chemin, const QByteArray& donnees, const Modele*, QString* erreur) {
    QSaveFile f(chemin);
    // Le renommage seul garantit l'atomicité : pas de repli sur une écriture directe.
    f.setDirectWriteFallback(false);
    auto échec = [&](const char* forme) {
        return échouer(erreur,
                       QString::fromUtf8(forme).arg(affichable(chemin), raisonEcriture(f, errno, chemin)));
    };
    errno = 0;
    if (!f.open(QIODevice::WriteOnly)) return échec("Impossible d'écrire le fichier « %1 » : %2.");
    errno = 0;
    if (f.write(donnees) != donnees.size() || !f.flush()) {
        f.cancelWriting();
        return échec("L'écriture du fichier « %1 » a échoué : %2.");
    }
    errno = 0;
    if (!f.commit()) return échec("L'enregistrement du fichier « %1 » a échoué : %2.");
    return true;
}

#endif

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

// Au-delà, le ménage s'impose : aucune copie n'est écrite plutôt qu'une boucle sans fin.
constexpr int CopiesMax = 1000;

} // namespace

bool ecrire(const QString& chemin, const QByteArray& donnees, QString* erreur) {
    const QFileInfo info(chemin);
    if (!info.isSymLink()) return ecrireSansSuivre(chemin, donnees, nullptr, erreur);
    const QString cible = info.canonicalFilePath();
    if (cible.isEmpty())
        return échouer(erreur, QStringLiteral("Le fichier « %1 » est un lien symbolique vers « %2 », qui "
                                              "n'existe pas : il n'est pas écrit.")
                                   .arg(affichable(chemin), affichable(info.symLinkTarget())));
    return ecrireSansSuivre(cible, donnees, nullptr, erreur);
}

bool cibleDansProjet(const QString& chemin, const QString& dossierProjet, QString& cible, QString* erreur) {
    const QFileInfo info(chemin);
    if (!info.isSymLink()) {
        cible = chemin;
        return true;
    }
    const QString résolu = info.canonicalFilePath();
    const QString dossier = QFileInfo(dossierProjet).canonicalFilePath();
    const QString lien = affichable(chemin);
    if (résolu.isEmpty())
        return échouer(erreur, QStringLiteral("Le fichier « %1 » est un lien symbolique vers « %2 », qui "
                                              "n'existe pas : il n'est pas écrit.")
                                   .arg(lien, affichable(info.symLinkTarget())));
    if (dossier.isEmpty() || !résolu.startsWith(dossier + u'/'))
        return échouer(erreur, QStringLiteral("Le fichier « %1 » est un lien symbolique vers « %2 », hors "
                                              "du dossier du projet « %3 » : il n'est pas écrit.")
                                   .arg(lien, affichable(résolu), affichable(dossierProjet)));
    cible = résolu;
    return true;
}

bool ecrireDansProjet(const QString& chemin, const QByteArray& donnees, const QString& dossierProjet,
                      QString* erreur) {
    QString cible;
    return cibleDansProjet(chemin, dossierProjet, cible, erreur) &&
           ecrireSansSuivre(cible, donnees, nullptr, erreur);
}

namespace {

// Un lien, même vers rien, occupe son nom : il n'est ni suivi ni remplacé.
bool libre(const QString& nom) {
    const QFileInfo info(nom);
    return !info.exists() && !info.isSymLink();
}

// Premier nom libre parmi base.1, base.2… ; vide s'il n'y en a pas.
QString premierNuméroLibre(const QString& base) {
    for (int n = 1; n < CopiesMax; ++n)
        if (libre(base + u'.' + QString::number(n))) return base + u'.' + QString::number(n);
    return {};
}

// Droits et propriétaire d'un fichier existant, que sa copie reprend.
Modele modeleDe(const QString& fichier) {
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(QFile::encodeName(fichier).constData(), &st) == 0)
        return Modele{mode_t(st.st_mode & 07777), st.st_uid, st.st_gid};
    return Modele{0600, ::geteuid(), ::getegid()};
#else
    Q_UNUSED(fichier);
    return {};
#endif
}

bool aucunNomLibre(QString* erreur, const QString& chemin) {
    return échouer(erreur, QStringLiteral("Aucun nom n'est libre pour garder une copie de « %1 » (jusqu'à "
                                          "« %1.bak.%2 ») : il n'a pas été remplacé.")
                               .arg(affichable(chemin))
                               .arg(CopiesMax - 1));
}

} // namespace

QString nomCopie(const QString& chemin, Copie sorte) {
    const QString base = chemin + QStringLiteral(".bak");
    if (sorte == Copie::Glissante || libre(base)) return base;
    return premierNuméroLibre(base);
}

bool ecrireAvecCopie(const QString& chemin, const QByteArray& donnees, const QString& dossierProjet,
                     Copie sorte, QString* erreur, QString* copieEcrite) {
    if (copieEcrite) copieEcrite->clear();
    QString cible;
    if (!cibleDansProjet(chemin, dossierProjet, cible, erreur)) return false;
    if (!QFileInfo::exists(cible)) return ecrireSansSuivre(cible, donnees, nullptr, erreur);
    QByteArray ancien;
    QString e;
    if (!lire(cible, ancien, &e))
        return échouer(erreur, e + QStringLiteral(" Il n'a pas été remplacé, faute de pouvoir le garder."));
    if (ancien == donnees) return ecrireSansSuivre(cible, donnees, nullptr, erreur);
    const QString copie = nomCopie(chemin, sorte);
    if (copie.isEmpty()) return aucunNomLibre(erreur, chemin);
    const QString sansCopie =
        QStringLiteral(" Sans cette copie, « %1 » n'a pas été remplacé.").arg(affichable(chemin));

    // Copie glissante : la précédente, si elle diffère, est d'abord gardée sous le premier numéro
    // libre. Un lien à sa place n'est ni lu ni gardé : le renommage le remplace.
    QString gardée;
    const QFileInfo précédente(copie);
    if (sorte == Copie::Glissante && précédente.isFile() && !précédente.isSymLink()) {
        QByteArray contenu;
        if (!lire(copie, contenu, &e)) return échouer(erreur, e + sansCopie);
        if (contenu != ancien) {
            gardée = premierNuméroLibre(copie);
            if (gardée.isEmpty()) return aucunNomLibre(erreur, chemin);
            const Modele modele = modeleDe(copie);
            if (!ecrireSansSuivre(gardée, contenu, &modele, &e)) return échouer(erreur, e + sansCopie);
        }
    }
    const Modele modele = modeleDe(cible);
    if (!ecrireSansSuivre(copie, ancien, &modele, &e)) {
        if (!gardée.isEmpty()) QFile::remove(gardée);
        return échouer(erreur, e + sansCopie);
    }
    if (copieEcrite) *copieEcrite = copie;
    return ecrireSansSuivre(cible, donnees, nullptr, erreur);
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
