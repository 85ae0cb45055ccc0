// Coût d'une écriture de paramètre dans la configuration par défaut : chargement du modèle RTF,
// chaque clé écrite 100 fois avec le marquage allumé, puis enregistrement en texte et en RTF.
// Usage : ecriture_parametres [chemin de makefile.rtf]
// Cible : moins d'une milliseconde par écriture, pour que la fenêtre suive la frappe.
#include "common/Messages.h"
#include "makefile/ParametreMakefile.h"
#include "ui/DocumentRiche.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace {

// Mémoire résidente maximale du processus, en kio (-1 si inconnue).
long mémoireMaximaleKio() {
#ifdef Q_OS_UNIX
    rusage r{};
    if (getrusage(RUSAGE_SELF, &r) == 0) return r.ru_maxrss;
#endif
    return -1;
}

double ms(qint64 ns) {
    return double(ns) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString modèle =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QCoreApplication::applicationDirPath() + QStringLiteral("/Modèle/makefile.rtf");
    if (!QFileInfo::exists(modèle)) {
        std::fprintf(stderr, "Modèle introuvable : %s\n", qPrintable(modèle));
        return 1;
    }
    EnregistreurMessages messages; // une clé absente est comptée, pas affichée

    const QStringList clés = {QStringLiteral("MCU ="),
                              QStringLiteral("F_CPU ="),
                              QStringLiteral("OPT ="),
                              QStringLiteral("FORMAT ="),
                              QStringLiteral("EXTRAINCDIRS ="),
                              QStringLiteral("DIRAVR ="),
                              QStringLiteral("AVRDUDE_PROGRAMMER ="),
                              QStringLiteral("AVRDUDE_PORT ="),
                              QStringLiteral("AVRDUDE_FLAGS ="),
                              QStringLiteral("CompilCoff ="),
                              QStringLiteral("DEBUG ="),
                              QStringLiteral("AffichageMemoire ="),
                              QStringLiteral("TARGET ="),
                              QStringLiteral("BAUD ="),
                              QStringLiteral("AVRStudioExclusif =")};
    constexpr int Tours = 100;

    QElapsedTimer chrono;
    chrono.start();
    DocumentRiche document;
    QString erreur;
    if (!document.charger(modèle, &erreur)) {
        std::fprintf(stderr, "%s\n", qPrintable(erreur));
        return 1;
    }
    const qint64 chargement = chrono.nsecsElapsed();

    etatMarquage().MarquageActif = true;
    std::vector<qint64> durées;
    durées.reserve(Tours * clés.size());
    chrono.restart();
    for (int tour = 0; tour < Tours; ++tour) {
        for (const QString& clé : clés) {
            QElapsedTimer une;
            une.start();
            // Des longueurs qui varient, comme pendant la frappe.
            MarquerParamètre(document, clé, QStringLiteral("valeur %1").arg(tour * 37 % 1000));
            durées.push_back(une.nsecsElapsed());
        }
    }
    const qint64 écritures = chrono.nsecsElapsed();
    const int nombre = Tours * int(clés.size());
    std::sort(durées.begin(), durées.end());
    // Le pire cas isolé dépend surtout de l'ordonnanceur d'une machine chargée : médiane et 99e centile.
    const qint64 médiane = durées[durées.size() / 2];
    const qint64 centile99 = durées[durées.size() * 99 / 100];

    QTemporaryDir dossier;
    chrono.restart();
    const bool texteÉcrit = document.enregistrerTexte(dossier.filePath(QStringLiteral("makefile")), &erreur);
    const bool rtfÉcrit = document.enregistrerRtf(dossier.filePath(QStringLiteral("makefile.rtf")), &erreur);
    const qint64 enregistrement = chrono.nsecsElapsed();

    const double parÉcriture = ms(écritures) / nombre;
    std::printf("modèle                      : %s (%lld caractères)\n", qPrintable(modèle),
                static_cast<long long>(document.longueur()));
    std::printf("chargement du RTF           : %.3f ms\n", ms(chargement));
    std::printf("écritures                   : %d (%d clés x %d), %zu clé(s) absente(s)\n", nombre,
                int(clés.size()), Tours, messages.messages.size());
    std::printf("temps moyen par écriture    : %.4f ms (cible : moins de 1 ms, rapport %.3f)\n", parÉcriture,
                parÉcriture / 1.0);
    std::printf("médiane, 99e centile, pire  : %.4f ms, %.4f ms, %.4f ms\n", ms(médiane), ms(centile99),
                ms(durées.back()));
    std::printf("enregistrement texte + RTF  : %.3f ms%s\n", ms(enregistrement),
                texteÉcrit && rtfÉcrit ? "" : " (échec)");
    const long kio = mémoireMaximaleKio();
    if (kio >= 0)
        std::printf("mémoire résidente maximale  : %.1f Mio\n", kio / 1024.0);
    else
        std::printf("mémoire résidente maximale  : inconnue sur ce système\n");
    return texteÉcrit && rtfÉcrit && messages.messages.empty() ? 0 : 1;
}
