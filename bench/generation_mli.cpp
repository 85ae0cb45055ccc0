// Mesure : une génération de code MLI (recherche sur toutes les sources de sommet et toutes les
// prédivisions, puis le générateur, modèle chargé depuis le disque), ce que chaque frappe demande.
// Usage : generation_mli [DOSSIER_DONNEES]  (défaut : data/ des sources)
#include "assistant/timers/CapacitesComposant.h"
#include "assistant/timers/GenerateurPWM.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    const QString données =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QUILLON_SOURCES "/data");
    CapacitésComposant c;
    QElapsedTimer chrono;
    chrono.start();
    if (!CapacitesComposant::lire(données + QStringLiteral("/Configuration.xml"), QStringLiteral("atmega88"),
                                  c)) {
        std::fprintf(stderr, "atmega88 absent du fichier des possibilités\n");
        return 1;
    }
    const double lecture = chrono.nsecsElapsed() / 1e6;
    EntréesGénérateur e;
    e.composant = &c;
    e.dossierModèles = données + QStringLiteral("/Modèle");
    e.fréquenceHorloge = 16e6;
    e.rapportCyclique = 0.25;
    e.CBInit = true;
    DocumentRiche doc;
    std::vector<double> durées;
    for (int i = 0; i < 1000; ++i) {
        e.indexSortie = i % int(c.sorties.size());
        e.fréquenceVoulue = 500 + 29 * i;
        e.ModePWM = i % 2 ? QStringLiteral("FPWM") : QStringLiteral("PWMPC");
        chrono.restart();
        const auto r = GénérerLeCodePWM(e, doc);
        durées.push_back(chrono.nsecsElapsed() / 1e6);
        if (!r.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(r.erreur));
            return 1;
        }
    }
    std::sort(durées.begin(), durées.end());
    std::printf("lecture de Configuration.xml (atmega88) : %.3f ms\n", lecture);
    std::printf(
        "génération MLI : médiane %.3f ms, 90e centile %.3f ms, maximum %.3f ms (cible : médiane < 1 ms)\n",
        durées[durées.size() / 2], durées[durées.size() * 9 / 10], durées.back());
    return 0;
}
