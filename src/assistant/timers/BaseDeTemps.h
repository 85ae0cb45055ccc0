#pragma once
// Base de temps : une interruption périodique tirée d'un timer en CTC, ou, pour un timer sans CTC,
// de son débordement avec un compteur rechargé. Prédivision et sommet au plus juste ; quand aucun
// réglage n'est exact, la compensation alterne deux sommets pour que la période moyenne le soit,
// au prix d'un compte de gigue sur un tic.
#include "assistant/timers/CapacitesComposant.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace BaseDeTemps {

// Moins de cycles entre deux interruptions ne laisserait presque rien au reste du programme.
constexpr double CyclesMin = 100;
// En compensation, la routine récrit le sommet du tic qui commence : le compteur ne doit pas
// l'avoir dépassé avant qu'elle l'écrive.
constexpr double CyclesMinCompensation = 200;
// Le reste de la compensation tient sur 16 bits : reste + numérateur < 2 × dénominateur.
constexpr int64_t DénominateurMax = 32767;
// Sans CTC, la routine recharge le compteur au débordement : elle doit l'écrire avant le premier
// compte qui suit (une quarantaine de cycles au plus, routine de compensation comprise).
constexpr double PrédivisionMinDébordement = 64;

// Timers qui peuvent servir : pour chaque timer du composant, l'index de sa première entrée
// (le canal dont la comparaison suit le sommet du CTC), dans l'ordre du fichier.
std::vector<int> timersUtilisables(const CapacitésComposant& c);
// Vide quand le composant a un timer utilisable ; sinon, pourquoi (bulle de l'onglet grisé).
QString pourquoiAucunTimer(const CapacitésComposant& c);

struct Réglage {
    int indexTimer = -1;
    int indexPrédivision = -1;
    double prédivision = 0;
    int codeSélection = 0;
    double fréquenceHorloge = 0;
    double périodeVoulue = 0;
    int64_t comptes = 0; // comptes par tic (sommet + 1) ; en compensation, ceux du tic court
    bool compensé = false;
    bool débordement = false; // timer sans CTC : débordement et compteur rechargé
    int64_t capacité = 0;     // Max + 1 du timer
    // En compensation : numérateur tics sur dénominateur durent un compte de plus.
    int64_t numérateur = 0, dénominateur = 1;
    double périodeObtenue = 0; // s, moyenne sur le long terme
    double écartPpm = 0;       // (obtenue − voulue) / voulue, en millionièmes
    double gigue = 0;          // s : écart le plus grand d'un tic à la période moyenne
    uint32_t config[2] = {0, 0};
    bool exact() const { return écartPpm == 0; }
    int64_t sommet() const { return comptes - 1; }
    // Valeur rechargée dans TCNTn au débordement (mode sans CTC) ; tic long : un compte de moins.
    int64_t rechargement(bool long_ = false) const { return capacité - comptes - (long_ ? 1 : 0); }
};

struct Résultat {
    QString erreur; // message français ; vide en cas de succès
    Réglage réglage;
    bool ok() const { return erreur.isEmpty(); }
};

// Réglage du timer indexTimer (index dans c.timers) pour la période voulue (s) avec l'horloge F (Hz).
Résultat calculer(const CapacitésComposant& c, int indexTimer, double F, double période, bool compenser);

// Le premier timer qui atteint exactement la période, sinon celui de plus petit écart ; -1 si aucun.
int timerParDéfaut(const CapacitésComposant& c, double F, double période);

// « Obtenu : 1 ms (1 kHz), écart 0 ppm – Timer1, CTC, prédivision 8, sommet 1999 » ; sans CTC :
// « … – Timer0, débordement, prédivision 64, rechargé à 6 (250 comptes) ».
QString ligneObtenu(const CapacitésComposant& c, const Réglage& r);
// Écart en millionièmes : « 0 ppm », « +41,67 ppm ».
QString texteÉcartPpm(double ppm);

// Lecture du champ : une durée (« 1 ms », « 250 µs ») ou une fréquence (« 10 Hz ») ; rend la
// période en secondes, 0 quand le texte n'est ni l'une ni l'autre.
double lirePériodeOuFréquence(const QString& texte);

} // namespace BaseDeTemps
