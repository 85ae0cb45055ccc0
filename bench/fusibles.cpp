// Coût de la lecture des fusibles d'un ATmega8 par la fenêtre des fusibles (hors écran), comparé au
// temps d'avrdude seul pour les trois mêmes commandes (fusible haut, fusible bas, verrouillage),
// mesurés dans la même exécution contre le programmateur simulé, en alternance.
// Usage : fusibles [passes]   (programmateur_simule à côté du programme)
// Cible : la fenêtre coûte au plus le temps d'avrdude + 50 ms.
#include "common/Messages.h"
#include "fuses/DescriptionAVR.h"
#include "fuses/fenetres/FenFuseBit.h"
#include "makefile/ParametreMakefile.h"
#include "noyau/EtatGlobal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double médiane(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Les trois commandes, lancées directement l'une après l'autre ; faux si l'une échoue.
bool avrdudeSeul(const QString& port) {
    for (const char* mémoire : {"hfuse", "lfuse", "lock"}) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("avrdude"),
                {QStringLiteral("-p"), QStringLiteral("m8"), QStringLiteral("-P"), port, QStringLiteral("-c"),
                 QStringLiteral("avrisp"), QStringLiteral("-U"),
                 QLatin1String(mémoire) + QStringLiteral(":r:-:r")});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const QString simulateur =
        QCoreApplication::applicationDirPath() + QStringLiteral("/programmateur_simule");
    if (!QFileInfo(simulateur).isExecutable()) {
        std::fprintf(stderr, "programmateur_simule introuvable : %s (construisez-le d'abord)\n",
                     qPrintable(simulateur));
        return 1;
    }

    QTemporaryDir dossier;
    const QString port = dossier.filePath(QStringLiteral("port"));
    QProcess simulé;
    simulé.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    simulé.start(simulateur, {QStringLiteral("--lien"), port, QStringLiteral("--lfuse"), QStringLiteral("e1"),
                              QStringLiteral("--hfuse"), QStringLiteral("d9"), QStringLiteral("--lock"),
                              QStringLiteral("fc")});
    for (int i = 0; i < 3000 && !QFileInfo(port).isSymLink(); ++i)
        QThread::msleep(10);
    if (!QFileInfo(port).isSymLink()) {
        std::fprintf(stderr, "le programmateur simulé ne s'est pas annoncé\n");
        return 1;
    }

    EtatGlobal& e = etatGlobal();
    e.DossierInstallation = QCoreApplication::applicationDirPath();
    e.RépertoireSkin = e.DossierInstallation + QStringLiteral("/Skin/Plume/");
    ValeursMakefile& v = valeursMakefile();
    v.MicroContrôleur = QStringLiteral("atmega8");
    v.PartieAvrdude = QStringLiteral("m8");
    v.Programmateur = QStringLiteral("avrisp");
    v.PortProgrammateur = port;
    if (!ChargerDescriptionAVR(v.MicroContrôleur).réussi()) {
        std::fprintf(stderr, "description de l'ATmega8 introuvable\n");
        return 1;
    }
    EnregistreurMessages messages; // un échec est compté, pas affiché

    FenFuseBit fenêtre;
    fenêtre.show();
    QCoreApplication::processEvents();

    // Un tour de chauffe de chaque côté.
    avrdudeSeul(port);
    fenêtre.lire();

    std::vector<double> seul, parFenêtre;
    QElapsedTimer t;
    for (int i = 0; i < passes; ++i) {
        t.start();
        const bool ok = avrdudeSeul(port);
        seul.push_back(double(t.nsecsElapsed()) / 1e6);
        t.start();
        fenêtre.lire();
        parFenêtre.push_back(double(t.nsecsElapsed()) / 1e6);
        if (!ok || fenêtre.logique().ErreurAvrdude || !messages.messages.empty()) {
            std::fprintf(stderr, "une lecture a échoué à la passe %d\n", i + 1);
            return 1;
        }
    }

    simulé.terminate();
    simulé.waitForFinished(5000);

    const double a = médiane(seul), f = médiane(parFenêtre);
    std::printf("passes                                  : %d\n", passes);
    std::printf("avrdude seul, 3 commandes (médiane)     : %.1f ms (min %.1f, max %.1f)\n", a,
                *std::min_element(seul.begin(), seul.end()), *std::max_element(seul.begin(), seul.end()));
    std::printf("lecture par la fenêtre (médiane)        : %.1f ms (min %.1f, max %.1f)\n", f,
                *std::min_element(parFenêtre.begin(), parFenêtre.end()),
                *std::max_element(parFenêtre.begin(), parFenêtre.end()));
    std::printf("surcoût de la fenêtre                   : %+.1f ms (cible : au plus 50 ms)\n", f - a);
    const bool tenu = f - a <= 50.0;
    std::printf("%s\n", tenu ? "cible tenue" : "CIBLE DÉPASSÉE");
    return tenu ? 0 : 2;
}
