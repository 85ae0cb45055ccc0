#pragma once
// Fenêtres que la configuration ouvre et qui appartiennent à d'autres parties du programme :
// chacune s'ouvre par une seule fonction, que la configuration appelle.
#include <QString>
#include <functional>

class QWidget;

// Lecture et écriture des fusibles du microcontrôleur choisi, fenêtre modale.
void OuvrirFenêtreFusibles(QWidget* propriétaire);

// L'assistante de programmation, fenêtre modale ; rend la main quand elle se ferme. Elle vient
// après la configuration dans l'ordre des dossiers : le câblage du programme l'inscrit ici.
void OuvrirAssistante(QWidget* propriétaire);
void DéfinirOuvertureAssistante(std::function<void(QWidget*)> ouvrir);

// Ouvre le fichier d'aide HTML à la section ancre (« configuration », « recherche »…) par le
// navigateur du système ; un fichier absent donne le message d'échec de l'ouverture.
void OuvrirAide(const QString& fichier, const QString& ancre);
