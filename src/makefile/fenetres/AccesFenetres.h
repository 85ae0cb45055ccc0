#pragma once
// Fenêtres que la configuration ouvre et qui appartiennent à d'autres parties du programme :
// chacune s'ouvre par une seule fonction, que la configuration appelle.
#include <QString>

class QWidget;

// Lecture et écriture des fusibles du microcontrôleur choisi, fenêtre modale.
void OuvrirFenêtreFusibles(QWidget* propriétaire);

// L'assistante de programmation, fenêtre modale ; rend la main quand elle se ferme.
void OuvrirAssistante(QWidget* propriétaire);

// Ouvre le fichier d'aide HTML à la section ancre (« configuration », « recherche »…) par le
// navigateur du système ; un fichier absent donne le message d'échec de l'ouverture.
void OuvrirAide(const QString& fichier, const QString& ancre);
