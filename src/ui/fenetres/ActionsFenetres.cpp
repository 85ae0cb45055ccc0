#include "ui/fenetres/ActionsFenetres.h"

#include "launcher/Principal.h"

// Chaque action qui montre une fenêtre s'inscrit ici, une ligne par mot de commande.
void EnregistrerActionsFenêtres() {}
