#pragma once
// Ouverture par le programme associé, propre à chaque plateforme : xdg-open sous Linux,
// ShellExecute sous Windows.
#include <QString>

namespace OuvertureShell {

// Ouvre fichier ; rend un résultat à la manière du shell (voir Ouverture dans OuvrirDocument.h) :
// plus de 32 en cas de réussite, sinon la cause de l'échec. Ne montre rien.
int ouvrir(const QString& fichier, const QString& paramètres, const QString& dossier, const QString& verbe,
           int affichage, quintptr propriétaire);

} // namespace OuvertureShell
