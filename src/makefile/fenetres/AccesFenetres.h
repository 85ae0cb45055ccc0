#pragma once
// Fenêtres que la configuration ouvre et qui appartiennent à d'autres parties du programme :
// chacune s'ouvre par une seule fonction, que la configuration appelle.
class QWidget;

// Lecture et écriture des fusibles du microcontrôleur choisi, fenêtre modale.
void OuvrirFenêtreFusibles(QWidget* propriétaire);

// L'assistante de programmation, fenêtre modale ; rend la main quand elle se ferme.
void OuvrirAssistante(QWidget* propriétaire);
