#pragma once
// Création à la demande de l'application graphique : les actions qui ne montrent rien n'en
// créent jamais, et fonctionnent donc sans affichage.
class QApplication;

namespace ApplicationGraphique {

// Retient les arguments du programme pour la création ultérieure de l'application.
void initialiser(int& argc, char** argv);
// Vrai si un affichage peut être ouvert (variable d'affichage ou plateforme Qt imposée).
bool affichageDisponible();
// L'application graphique, créée au premier appel ; nullptr sans affichage.
QApplication* assurer();
// Détruit l'application avant la fin de main.
void terminer();

} // namespace ApplicationGraphique
