#pragma once
// Fichier des réglages « Paramètres.xml » du dossier d'installation.
#include <QString>

namespace Parametres {

inline const QString Racine = QStringLiteral("Paramètres");
inline const QString PlusDeBulles = QStringLiteral("PlusDeBulles");
inline const QString OngletDeDémarrage = QStringLiteral("OngletDeDémarrage");
inline const QString Silence = QStringLiteral("Silence");
inline const QString ApparenceFenêtre = QStringLiteral("Apparence Assistante Fenêtre");
inline const QString ApparenceBouton = QStringLiteral("Apparence Assistante Bouton");
inline const QString ApparenceNom = QStringLiteral("Apparence Assistante"); // attribut « Nom »
inline const QString ApparenceRépertoire = QStringLiteral("Apparence Assistante Répertoire");

// Lit une préférence ; ne lève jamais d'erreur (vide si absente ou illisible).
QString Lire(const QString& chemin);
// Écrit une préférence puis ferme le fichier ; faux (et erreur renseignée) si l'enregistrement a échoué.
bool Ecrire(const QString& chemin, const QString& valeur, QString* erreur = nullptr);
// Préférence lue comme un nombre en tête de texte (vide = 0).
int LireEntier(const QString& chemin);

} // namespace Parametres
