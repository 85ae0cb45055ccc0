#pragma once
// Le makefile d'un projet est celui que make lit : sur un système qui distingue la casse,
// « Makefile » est aussi courant que « makefile », et en écrire un second masquerait le premier.
#include <QString>

// Chemin du makefile de dossier : le premier de GNUmakefile, makefile et Makefile qui existe,
// comme make le cherche ; « makefile » quand il n'y en a aucun (c'est alors le fichier à créer).
QString MakefileDuProjet(const QString& dossier);
