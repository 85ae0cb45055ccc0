#pragma once
// Erreur non répertoriée : toute fenêtre y renvoie ce qu'elle n'a pas su traiter. Par défaut une
// boîte critique ; le programme des fenêtres installe la fenêtre d'erreur.
#include <QString>
#include <functional>

void DéfinirAfficheurErreurNonRépertoriée(std::function<void(const QString&)> afficheur);
void AfficherErreurNonRépertoriée(const QString& description);

// Codes de sortie du programme.
namespace CodeSortie {
constexpr int Succès = 0;
constexpr int Erreur = 1;
constexpr int LigneInvalide = 2;
} // namespace CodeSortie
