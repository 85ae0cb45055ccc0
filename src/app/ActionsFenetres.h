#pragma once
// Inscrit auprès de la procédure d'entrée les actions servies par une fenêtre.
void EnregistrerActionsFenêtres();

#include <functional>

// Tout le programme des fenêtres : l'application graphique, le service des messages, les actions,
// puis la procédure d'entrée sur les arguments. prêt() est appelé quand l'application existe, avant
// toute fenêtre (la mesure d'ouverture y pose son guetteur). Rend le code de sortie.
int ExécuterProgrammeFenêtres(int argc, char** argv, const std::function<void()>& prêt = {});
