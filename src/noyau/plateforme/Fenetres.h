#pragma once
// Recherche de la fenêtre d'un outil déjà lancé et mise au premier plan, propres à chaque plateforme :
// X11 (EWMH) sous Linux, Win32 sous Windows, et à défaut les noms des processus en cours.
#include <QString>

namespace Fenetres {

// Ce qui a permis de trouver l'outil.
enum class Moyen { Aucun, X11, Win32, Processus };

struct Recherche {
    bool trouvée = false;
    QString titre; // titre de la fenêtre (ou nom du processus), en minuscules
    Moyen moyen = Moyen::Aucun;
};

// Première fenêtre de premier niveau, du haut vers le bas de l'empilement, visible ou réduite, dont
// le titre contient texte sans égard à la casse. Les événements en attente sont traités entre deux
// fenêtres. Sans système de fenêtres (pas d'affichage, Wayland) : même test sur le nom des processus.
Recherche chercher(const QString& texte);

// Met au premier plan la fenêtre dont le titre est titre, sans égard à la casse (la rouvre si elle
// est réduite). Sans système de fenêtres, vrai si un processus de ce nom tourne encore : il n'y a
// rien à montrer mais l'outil ne doit pas être lancé une seconde fois. Faux si rien ne correspond.
bool activer(const QString& titre);

// Recherche par le seul nom des processus, utilisée quand aucun affichage n'est joignable.
Recherche chercherProcessus(const QString& texte);

} // namespace Fenetres
