#pragma once
// Compteur d'événements : un timer cadencé par sa broche d'horloge externe (Tn), qui compte les
// fronts choisis, et au choix interrompt tous les N. Le code rend le nombre d'événements sur 32
// bits, lu sans déchirure.
#include "assistant/timers/CapacitesComposant.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace Compteur {

// Entrées d'horloge externes utilisables (index dans c.entrées), dans l'ordre du fichier.
std::vector<int> entréesUtilisables(const CapacitésComposant& c);
// Vide quand le composant a une entrée utilisable ; sinon, pourquoi.
QString pourquoiAucuneEntrée(const CapacitésComposant& c);
// Timer (index dans c.timers) que l'entrée cadence, -1 si aucun.
int timerDeLEntrée(const CapacitésComposant& c, int indexEntrée);

struct Réglage {
    int indexEntrée = -1;
    int indexTimer = -1;
    bool montant = true;
    int64_t n = 0; // interruption tous les n événements ; 0 : compter seulement
    bool pullUp = false;
    QString port; // lettre du port de la broche
    int bit = -1;
    int codeSélection = 0;
    uint32_t config[2] = {0, 0};
    int64_t capacité = 0; // Max + 1 du timer
};

struct Résultat {
    QString erreur;
    Réglage réglage;
    bool ok() const { return erreur.isEmpty(); }
};

// n = 0 : compter seulement ; sinon une interruption tous les n événements (1 ≤ n ≤ Max + 1).
Résultat calculer(const CapacitésComposant& c, int indexEntrée, bool montant, int64_t n, bool pullUp);

// « Obtenu : T0 (PD4), fronts montants, interruption tous les 10 événements – Timer0, CTC, sommet 9 ».
QString ligneObtenu(const CapacitésComposant& c, const Réglage& r);

// Le texte C (fins de ligne CR LF).
QString code(const CapacitésComposant& c, const Réglage& r);

} // namespace Compteur
