#pragma once
// Valeurs courantes du makefile, communes à tout le processus : la fenêtre de configuration les
// fixe, la fenêtre des fusibles, le chargeur des descriptions et l'assistante les lisent.
#include <QString>

struct ValeursMakefile {
    QString MicroContrôleur;   // MCU, en minuscules
    QString PartieAvrdude;     // identifiant avrdude du composant
    QString OptionsAvrdude;    // texte de AVRDUDE_FLAGS
    QString Programmateur;     // identifiant avrdude du programmateur
    QString PortProgrammateur; // port du programmateur
    QString FréquenceCPU;      // F_CPU tel que tapé
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
