#include "noyau/plateforme/Processus.h"

#include "common/ErreursSysteme.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Processus {

namespace {

// Vecteur d'arguments prêt pour execv, construit avant fork : rien n'est alloué dans l'enfant.
struct Argv {
    std::vector<QByteArray> octets;
    std::vector<char*> pointeurs;
    Argv(const QString& chemin, const QStringList& args) {
        octets.push_back(QFile::encodeName(chemin));
        for (const QString& a : args)
            octets.push_back(a.toLocal8Bit());
        for (QByteArray& b : octets)
            pointeurs.push_back(b.data());
        pointeurs.push_back(nullptr);
    }
};

// Jamais de texte anglais du système dans un message français.
QString texteErreur(int code) {
    return ErreursSysteme::raison(code);
}

// Écrit errno dans le tube puis termine l'enfant ; seules des fonctions sûres après fork.
[[noreturn]] void echecEnfant(int tube) {
    const int e = errno;
    ssize_t ignore = write(tube, &e, sizeof e);
    (void)ignore;
    _exit(127);
}

} // namespace

QString trouverProgramme(const QString& programme) {
    if (programme.isEmpty()) return {};
    if (programme.contains(u'/')) {
        const QFileInfo f(programme);
        return f.isFile() && f.isExecutable() ? f.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(programme);
}

bool demarrerEnSuite(const std::vector<Commande>& commandes, const QString& dossier, QString* erreur) {
    if (commandes.empty()) return true;
    std::vector<Argv> argvs;
    for (const Commande& c : commandes) {
        const QString chemin = trouverProgramme(c.programme);
        if (chemin.isEmpty()) {
            if (erreur)
                *erreur =
                    QStringLiteral("Le programme « %1 » est introuvable. Vérifiez qu'il est installé et "
                                   "accessible par le chemin de recherche (PATH).")
                        .arg(c.programme);
            return false;
        }
        argvs.emplace_back(chemin, c.arguments);
    }
    const QByteArray dossierOctets = QFile::encodeName(QDir::toNativeSeparators(dossier));

    // Le tube rapporte l'échec du premier exec ; il se ferme tout seul à son succès.
    int tube[2];
    if (pipe2(tube, O_CLOEXEC) != 0) {
        if (erreur)
            *erreur = QStringLiteral("Impossible de démarrer un programme : %1.").arg(texteErreur(errno));
        return false;
    }

    const pid_t intermediaire = fork();
    if (intermediaire < 0) {
        const int e = errno;
        close(tube[0]);
        close(tube[1]);
        if (erreur) *erreur = QStringLiteral("Impossible de démarrer un programme : %1.").arg(texteErreur(e));
        return false;
    }
    if (intermediaire == 0) {
        // Double fork : le programme démarré ne reste pas attaché à notre processus.
        close(tube[0]);
        signal(SIGHUP, SIG_IGN);
        const pid_t p = fork();
        if (p < 0) echecEnfant(tube[1]);
        if (p > 0) _exit(0);
        setsid();
        if (!dossierOctets.isEmpty() && chdir(dossierOctets.constData()) != 0) echecEnfant(tube[1]);
        for (size_t i = 0; i + 1 < argvs.size(); ++i) {
            // Chaque commande sauf la dernière tourne dans un enfant attendu jusqu'à sa fin.
            const pid_t q = fork();
            if (q < 0) echecEnfant(tube[1]);
            if (q == 0) {
                execv(argvs[i].pointeurs[0], argvs[i].pointeurs.data());
                echecEnfant(tube[1]);
            }
            if (i == 0) close(tube[1]); // la suite ne rapporte plus rien : l'appelant est libre
            int statut = 0;
            while (waitpid(q, &statut, 0) < 0 && errno == EINTR) {
            }
        }
        execv(argvs.back().pointeurs[0], argvs.back().pointeurs.data());
        if (argvs.size() == 1) echecEnfant(tube[1]);
        _exit(127);
    }

    close(tube[1]);
    int statut = 0;
    while (waitpid(intermediaire, &statut, 0) < 0 && errno == EINTR) {
    }
    int codeEnfant = 0;
    ssize_t lu;
    while ((lu = read(tube[0], &codeEnfant, sizeof codeEnfant)) < 0 && errno == EINTR) {
    }
    close(tube[0]);
    if (lu == static_cast<ssize_t>(sizeof codeEnfant)) {
        if (erreur)
            *erreur = QStringLiteral("Impossible de démarrer « %1 » dans le dossier « %2 » : %3.")
                          .arg(commandes.front().programme, QDir::toNativeSeparators(dossier),
                               texteErreur(codeEnfant));
        return false;
    }
    return true;
}

QString remplacerPar(const QString& chemin, const QStringList& arguments) {
    std::vector<QByteArray> octets;
    for (const QString& a : arguments)
        octets.push_back(a.toLocal8Bit());
    std::vector<char*> pointeurs;
    for (QByteArray& b : octets)
        pointeurs.push_back(b.data());
    pointeurs.push_back(nullptr);
    execv(QFile::encodeName(chemin).constData(), pointeurs.data());
    return QStringLiteral("Impossible de démarrer « %1 » : %2.")
        .arg(QDir::toNativeSeparators(chemin), texteErreur(errno));
}

bool demarrerDetache(const Commande& commande, const QString& dossier, QString* erreur) {
    return demarrerEnSuite({commande}, dossier, erreur);
}

} // namespace Processus
