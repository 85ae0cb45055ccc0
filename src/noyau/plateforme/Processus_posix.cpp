#include "noyau/plateforme/Processus.h"

#include "common/ErreursSysteme.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iterator>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
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

QString messageIntrouvable(const QString& programme) {
    return QStringLiteral("Le programme « %1 » est introuvable. Vérifiez qu'il est installé et "
                          "accessible par le chemin de recherche (PATH).")
        .arg(programme);
}

// Les signaux par lesquels un éditeur ou un terminal arrête l'outil.
constexpr int SignauxArrêt[] = {SIGINT, SIGTERM, SIGHUP};

// Groupe de la commande en cours et premier signal d'arrêt reçu, partagés avec le gestionnaire.
volatile sig_atomic_t groupeEnCours = 0;
volatile sig_atomic_t signalReçu = 0;

// Le signal va à tout le groupe : make et tout ce qu'il a lancé s'arrêtent ensemble.
void transmettreAuGroupe(int signal) {
    if (!signalReçu) signalReçu = signal;
    const pid_t groupe = groupeEnCours;
    if (groupe > 0) kill(-groupe, signal);
}

void patienter(long millisecondes) {
    timespec t{millisecondes / 1000, (millisecondes % 1000) * 1000000};
    while (nanosleep(&t, &t) < 0 && errno == EINTR) {
    }
}

// Ce qui survit au chef de groupe (un enfant qui ignore le signal) est tué après un court délai.
void acheverGroupe(pid_t groupe) {
    for (int i = 0; i < 50 && kill(-groupe, 0) == 0; ++i)
        patienter(20);
    kill(-groupe, SIGKILL);
}

// Gestionnaires posés le temps de l'exécution, puis rendus tels qu'ils étaient. Un signal déjà
// ignoré à l'arrivée (nohup) le reste, pour nous comme pour make.
class GardeSignaux {
public:
    GardeSignaux() {
        sigemptyset(&m_bloqués);
        for (int s : SignauxArrêt)
            sigaddset(&m_bloqués, s);
        sigprocmask(SIG_BLOCK, &m_bloqués, &m_masqueInitial);
        signalReçu = 0;
        groupeEnCours = 0;
        struct sigaction action {};
        action.sa_handler = &transmettreAuGroupe;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < std::size(SignauxArrêt); ++i) {
            sigaction(SignauxArrêt[i], nullptr, &m_anciennes[i]);
            // Sans SA_RESTART : waitpid est interrompu par le signal.
            if (m_anciennes[i].sa_handler != SIG_IGN) sigaction(SignauxArrêt[i], &action, nullptr);
        }
    }
    ~GardeSignaux() {
        recevoirEnAttente();
        for (size_t i = 0; i < std::size(SignauxArrêt); ++i)
            sigaction(SignauxArrêt[i], &m_anciennes[i], nullptr);
        sigprocmask(SIG_SETMASK, &m_masqueInitial, nullptr);
    }
    GardeSignaux(const GardeSignaux&) = delete;
    GardeSignaux& operator=(const GardeSignaux&) = delete;

    void débloquer() { sigprocmask(SIG_UNBLOCK, &m_bloqués, nullptr); }
    void bloquer() { sigprocmask(SIG_BLOCK, &m_bloqués, nullptr); }
    // Les signaux arrivés pendant qu'ils étaient bloqués passent par le gestionnaire.
    void recevoirEnAttente() {
        débloquer();
        bloquer();
    }
    // Dans l'enfant, avant exec : dispositions et masque d'origine (un signal ignoré le reste).
    void rendreDansLEnfant() const {
        for (size_t i = 0; i < std::size(SignauxArrêt); ++i)
            if (m_anciennes[i].sa_handler != SIG_IGN) signal(SignauxArrêt[i], SIG_DFL);
        sigprocmask(SIG_SETMASK, &m_masqueInitial, nullptr);
    }

private:
    sigset_t m_bloqués;
    sigset_t m_masqueInitial;
    struct sigaction m_anciennes[std::size(SignauxArrêt)];
};

// Donne le terminal de l'entrée standard au groupe ; SIGTTOU bloqué, car l'appelant peut être à
// l'arrière-plan (l'enfant tout juste séparé, nous au retour de make).
void donnerTerminal(pid_t groupe) {
    sigset_t ttou, avant;
    sigemptyset(&ttou);
    sigaddset(&ttou, SIGTTOU);
    sigprocmask(SIG_BLOCK, &ttou, &avant);
    tcsetpgrp(STDIN_FILENO, groupe);
    sigprocmask(SIG_SETMASK, &avant, nullptr);
}

int codeDeSortie(int statut) {
    if (WIFEXITED(statut)) return WEXITSTATUS(statut);
    if (WIFSIGNALED(statut)) return 128 + WTERMSIG(statut);
    return 1;
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
            if (erreur) *erreur = messageIntrouvable(c.programme);
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

std::optional<int> executerAuPremierPlan(const std::vector<Commande>& commandes, const QString& dossier,
                                         QString* erreur) {
    std::vector<Argv> argvs;
    for (const Commande& c : commandes) {
        const QString chemin = trouverProgramme(c.programme);
        if (chemin.isEmpty()) {
            if (erreur) *erreur = messageIntrouvable(c.programme);
            return std::nullopt;
        }
        argvs.emplace_back(chemin, c.arguments);
    }
    const QByteArray dossierOctets = QFile::encodeName(QDir::toNativeSeparators(dossier));

    // Au terminal (un shell, le terminal d'une tâche de VS Code), make passe au premier plan : il
    // lit le clavier sans être arrêté (avrdude y pose ses questions), et Ctrl+C lui parvient.
    const bool terminal = isatty(STDIN_FILENO) && tcgetpgrp(STDIN_FILENO) == getpgrp();

    GardeSignaux signaux;
    int code = 0;
    for (size_t i = 0; i < argvs.size(); ++i) {
        signaux.recevoirEnAttente();
        if (signalReçu) break;
        // Rien de ce que nous avons écrit ne doit passer après la sortie de make.
        std::fflush(nullptr);
        int tube[2];
        if (pipe2(tube, O_CLOEXEC) != 0) {
            if (erreur)
                *erreur = QStringLiteral("Impossible de démarrer un programme : %1.").arg(texteErreur(errno));
            return std::nullopt;
        }
        const pid_t pid = fork();
        if (pid < 0) {
            const int e = errno;
            close(tube[0]);
            close(tube[1]);
            if (erreur)
                *erreur = QStringLiteral("Impossible de démarrer un programme : %1.").arg(texteErreur(e));
            return std::nullopt;
        }
        if (pid == 0) {
            close(tube[0]);
            setpgid(0, 0);
            if (terminal) donnerTerminal(getpid());
            signaux.rendreDansLEnfant();
            if (!dossierOctets.isEmpty() && chdir(dossierOctets.constData()) != 0) echecEnfant(tube[1]);
            execv(argvs[i].pointeurs[0], argvs[i].pointeurs.data());
            echecEnfant(tube[1]);
        }
        // Fait des deux côtés : le groupe existe avant qu'un signal ait à lui être transmis.
        setpgid(pid, pid);
        if (terminal) donnerTerminal(pid);
        groupeEnCours = pid;
        close(tube[1]);
        int codeEnfant = 0;
        ssize_t lu;
        while ((lu = read(tube[0], &codeEnfant, sizeof codeEnfant)) < 0 && errno == EINTR) {
        }
        close(tube[0]);

        signaux.débloquer();
        // Un autre fil (programme des fenêtres) a pu recevoir le signal avant que le groupe soit connu.
        if (signalReçu) kill(-pid, signalReçu);
        int statut = 0;
        for (;;) {
            if (waitpid(pid, &statut, terminal ? WUNTRACED : 0) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (!WIFSTOPPED(statut)) break;
            // Ctrl+Z a arrêté make : le shell reprend le terminal quand nous nous arrêtons aussi ;
            // au retour au premier plan (fg), make le retrouve et repart.
            donnerTerminal(getpgrp());
            raise(SIGSTOP);
            if (tcgetpgrp(STDIN_FILENO) == getpgrp()) donnerTerminal(pid);
            kill(-pid, SIGCONT);
        }
        if (terminal) donnerTerminal(getpgrp());
        signaux.bloquer();
        groupeEnCours = 0;

        if (lu == static_cast<ssize_t>(sizeof codeEnfant)) {
            if (erreur)
                *erreur = QStringLiteral("Impossible de démarrer « %1 » dans le dossier « %2 » : %3.")
                              .arg(commandes[i].programme, QDir::toNativeSeparators(dossier),
                                   texteErreur(codeEnfant));
            return std::nullopt;
        }
        code = codeDeSortie(statut);
        // Tué par un signal (le nôtre, ou Ctrl+C venu du terminal) : rien de ses enfants ne reste.
        if (signalReçu || WIFSIGNALED(statut)) acheverGroupe(pid);
        if (code != 0) break;
    }
    signaux.recevoirEnAttente();
    return signalReçu ? 128 + int(signalReçu) : code;
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
