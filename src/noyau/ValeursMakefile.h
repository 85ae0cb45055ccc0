#pragma once
// Valeurs courantes du makefile, communes à tout le processus : la fenêtre de configuration les
// fixe, la fenêtre des fusibles, le chargeur des descriptions et l'assistante les lisent.
#include <QString>
#include <cstdint>
#include <optional>

struct ValeursMakefile {
    QString MicroContrôleur;   // MCU, en minuscules
    // Le makefile du projet n'a pas de ligne MCU : MicroContrôleur est celui de la configuration
    // par défaut, que l'utilisateur n'a pas choisi.
    bool MicroContrôleurAbsent = false;
    QString PartieAvrdude;     // identifiant avrdude du composant
    QString OptionsAvrdude;    // texte de AVRDUDE_FLAGS
    QString Programmateur;     // identifiant avrdude du programmateur
    QString PortProgrammateur; // port du programmateur
    QString FréquenceCPU;      // F_CPU tel que tapé, accepté
    QString FréquenceCPULue;   // F_CPU tel que lu ou tapé, même refusé (pour le dire)
    QString Optimisation;      // code OPT
    QString FormatSortie;      // FORMAT
    QString DossiersInclude;   // EXTRAINCDIRS
    QString DossierOutils;     // DIRAVR

    void réinitialiser() { *this = ValeursMakefile(); }
};

ValeursMakefile& valeursMakefile();

// Ce que make retient d'une valeur du makefile : le texte avant un commentaire « # », sans blancs
// autour (« usbasp # clé » donne « usbasp »). La ligne du makefile, elle, garde son commentaire.
QString valeurSansCommentaire(const QString& valeur);

// Hertz d'une valeur de F_CPU : un entier de 1 à 2^32 − 1, avec ou sans suffixe d'entier du C
// (« 8000000UL », « 16000000L », « 1000000u ») et commentaire ; rien pour un autre texte.
std::optional<uint32_t> hertzDeFCPU(const QString& valeur);
