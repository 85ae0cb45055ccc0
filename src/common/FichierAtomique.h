#pragma once
// Écriture atomique : un fichier temporaire du même dossier, vérifié jusqu'au disque, puis un
// renommage sur la cible. Une panne ou un disque plein ne laissent jamais un demi-fichier ni un
// fichier vide. Lecture bornée : seul un fichier ordinaire de taille raisonnable est lu.
#include <QByteArray>
#include <QString>

namespace FichierAtomique {

// Taille au-delà de laquelle un fichier n'est pas lu. Le plus gros fichier livré (le fichier des
// possibilités des composants) fait 150 kio et un makefile réel quelques dizaines : 4 Mio laissent
// une large marge, et un tel fichier se charge encore en moins d'une seconde.
inline constexpr qint64 TailleMaxLue = 4 * 1024 * 1024;

// Écrit données dans chemin ; en cas d'échec, la cible reste telle qu'elle était et erreur
// (si donné) reçoit un texte français qui nomme le fichier et dit pourquoi (« disque plein »).
// Un fichier remplacé garde ses droits ; un nouveau reçoit 0666 moins le masque de l'utilisateur.
// Un lien symbolique est suivi jusqu'au fichier existant qu'il désigne (le lien reste un lien) ;
// un lien vers rien est refusé.
bool ecrire(const QString& chemin, const QByteArray& donnees, QString* erreur = nullptr);

// Fichier réellement écrit pour chemin, fichier du projet dossierProjet : chemin lui-même, ou, si
// c'est un lien symbolique, le fichier existant qu'il désigne dans le projet. Faux, avec un
// message qui nomme le lien, pour un lien vers rien ou hors du projet : un projet reçu d'ailleurs
// ne choisit pas où le programme écrit.
bool cibleDansProjet(const QString& chemin, const QString& dossierProjet, QString& cible,
                     QString* erreur = nullptr);

// ecrire pour un fichier d'un projet : un lien n'y est suivi que selon cibleDansProjet.
bool ecrireDansProjet(const QString& chemin, const QByteArray& donnees, const QString& dossierProjet,
                      QString* erreur = nullptr);

// Noms des copies de sécurité, sans jamais perdre une copie plus ancienne :
// - Numerotee : « nom.bak », puis « nom.bak.1 », « nom.bak.2 »… le premier nom libre ; la plus
//   ancienne garde le nom court ;
// - Glissante : « nom.bak » est toujours le fichier d'avant (d'autres outils lisent ce nom) ; la
//   copie qu'il remplace, si elle diffère, passe d'abord au premier « nom.bak.N » libre.
enum class Copie { Numerotee, Glissante };

// Nom de la copie que ecrireAvecCopie écrirait maintenant pour chemin ; vide si aucun n'est libre.
QString nomCopie(const QString& chemin, Copie sorte);

// ecrireDansProjet, après avoir gardé le contenu actuel de la cible sous nomCopie. La copie est
// écrite de la même façon, avant la cible, avec les droits du fichier copié et jamais à travers un
// lien (un lien à sa place est remplacé, ce qu'il désigne reste intact) ; si elle échoue, la cible
// n'est pas touchée. Pas de copie pour une cible absente ou qui contient déjà données. copieEcrite
// reçoit le nom de la copie écrite, vide sinon.
bool ecrireAvecCopie(const QString& chemin, const QByteArray& donnees, const QString& dossierProjet,
                     Copie sorte, QString* erreur = nullptr, QString* copieEcrite = nullptr);

// Lit tout le fichier. Faux, avec la raison en français, s'il ne peut pas être lu, si ce n'est pas
// un fichier ordinaire (dossier, tube, périphérique : un tube bloquerait, /dev/zero ne finirait
// pas) ou s'il dépasse tailleMax octets.
bool lire(const QString& chemin, QByteArray& donnees, QString* erreur = nullptr,
          qint64 tailleMax = TailleMaxLue);

} // namespace FichierAtomique
