#pragma once
// Présence d'un affichage, sans rien ouvrir : ce que le programme léger consulte avant de
// confier une fenêtre ou un message au programme des fenêtres.
namespace Affichage {

// Vrai si un affichage est nommé (variable d'affichage, ou plateforme Qt imposée).
bool disponible();

} // namespace Affichage
