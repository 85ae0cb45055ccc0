#pragma once
// Écriture atomique : un fichier temporaire du même dossier, puis un renommage sur la cible.
// Une panne ou un disque plein ne laissent jamais un demi-fichier.
// Lecture bornée : seul un fichier ordinaire de taille raisonnable est lu.
#include <QByteArray>
#include <QString>

namespace FichierAtomique {

// Taille au-delà de laquelle un fichier n'est pas lu. Le plus gros fichier livré (le fichier des
// possibilités des composants) fait 150 kio et un makefile réel quelques dizaines : 4 Mio laissent
// une large marge, et un tel fichier se charge encore en moins d'une seconde.
inline constexpr qint64 TailleMaxLue = 4 * 1024 * 1024;

// Écrit données dans chemin ; en cas d'échec, la cible reste telle qu'elle était et erreur
// (si donné) reçoit un texte français qui dit pourquoi.
bool ecrire(const QString& chemin, const QByteArray& donnees, QString* erreur = nullptr);

// Lit tout le fichier. Faux, avec la raison en français, s'il ne peut pas être lu, si ce n'est pas
// un fichier ordinaire (dossier, tube, périphérique : un tube bloquerait, /dev/zero ne finirait
// pas) ou s'il dépasse tailleMax octets.
bool lire(const QString& chemin, QByteArray& donnees, QString* erreur = nullptr,
          qint64 tailleMax = TailleMaxLue);

} // namespace FichierAtomique
