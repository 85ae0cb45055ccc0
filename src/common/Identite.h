#pragma once
// Identité du programme : version, adresse de contact et textes de ses informations de fichier,
// définis une seule fois. Le numéro de version vient du projet CMake.
#include <QString>

namespace Identite {

int versionMajeure();
int versionMineure();
int versionRévision();
// Majeure.mineure.révision, par exemple « 2.1.30 ».
QString version();

// Adresse des courriels d'erreur et de remarques.
QString adresseContact();
// Description du fichier du programme (fenêtre « À propos »).
QString descriptionFichier();
// Mention légale du programme (vide).
QString mentionLégale();

} // namespace Identite
