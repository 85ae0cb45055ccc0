#pragma once
// Écriture atomique : un fichier temporaire du même dossier, puis un renommage sur la cible.
// Une panne ou un disque plein ne laissent jamais un demi-fichier.
#include <QByteArray>
#include <QString>

namespace FichierAtomique {

// Écrit données dans chemin ; en cas d'échec, la cible reste telle qu'elle était et erreur
// (si donné) reçoit un texte français qui dit pourquoi.
bool ecrire(const QString& chemin, const QByteArray& donnees, QString* erreur = nullptr);

// Lit tout le fichier ; faux s'il ne peut pas être lu.
bool lire(const QString& chemin, QByteArray& donnees, QString* erreur = nullptr);

} // namespace FichierAtomique
