#pragma once
// État de la calculatrice MLI de l'assistante : valeurs voulues, exactes, et ce que montrent les
// champs. Une valeur absente est une valeur refusée ou pas encore saisie : rien n'est généré pour
// elle.
#include <QString>
#include <cstdint>
#include <optional>

struct EtatCalculatrice {
    int32_t FréquenceHorloge = 0; // Hz de l'horloge qui cadence le timer
    double FminHz = 0, FmaxHz = 0;
    std::optional<double> FréquenceHz; // fréquence voulue, exacte
    std::optional<double> PériodeS;    // période voulue, exacte
    std::optional<double> RapportCyclique;
    std::optional<double> TonS, ToffS;
    QString ModePWM = QStringLiteral("FPWM");
    QString TimerSortie, TimerEntrée;
    int indexSortie = 0, indexEntrée = 0;
    bool ContrôleESArmé = false;

    // Rapport cyclique utilisable : strictement entre 0 et 1.
    bool rapportValide() const { return RapportCyclique && *RapportCyclique > 0 && *RapportCyclique < 1; }
    // Fréquence hors des limites (bornes acceptées) ; une fréquence absente ne l'est jamais.
    bool horsLimites() const { return FréquenceHz && (*FréquenceHz < FminHz || *FréquenceHz > FmaxHz); }

    void réinitialiser() { *this = EtatCalculatrice(); }
};

EtatCalculatrice& etatCalculatrice();
