#pragma once
// Raisons françaises des erreurs du système : aucun message de fichier ne cite le texte anglais
// de la bibliothèque C ou de Qt.
#include <QFileDevice>
#include <QString>

namespace ErreursSysteme {

// Raison d'un code errno, en minuscules et sans point final (« permission refusée »). En
// écriture, un fichier introuvable veut dire que c'est son dossier qui manque.
QString raison(int code, bool écriture = false);

// Raison d'un échec de QFile ou QSaveFile : le code errno relevé juste après l'échec s'il y en a
// un, sinon le genre d'erreur donné par Qt.
QString raison(QFileDevice::FileError erreur, int code, bool écriture = false);

} // namespace ErreursSysteme
