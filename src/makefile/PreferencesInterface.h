#pragma once
// Préférences d'interface lues dans « Paramètres.xml » à l'ouverture de la fenêtre de
// configuration et gardées pour tout le processus (l'assistante les lit aussi).
#include <QString>
#include <cstdint>

struct PréférencesInterface {
    QString PlusDeBulles;               // « 0 » ou vide : bulles d'aide montrées
    std::int16_t OngletDeDémarrage = 0; // onglet montré d'abord par l'assistante
    QString Silence;                    // « 0 » ou vide : les boutons jouent leurs sons

    // Valeur numérique de tête d'une préférence, comme le fait la case qui la montre.
    static bool cochée(const QString& texte);
    bool bullesPermises() const { return !cochée(PlusDeBulles); }

    void réinitialiser() { *this = PréférencesInterface(); }
};

PréférencesInterface& préférencesInterface();

// Relit les trois préférences. Un onglet illisible ou hors des limites garde la valeur d'avant.
void LirePréférencesInterface();

// Écrit une préférence tout de suite ; un échec (fichier en lecture seule…) est dit dans un
// message français et rend faux.
bool EcrirePréférenceInterface(const QString& chemin, const QString& valeur);
