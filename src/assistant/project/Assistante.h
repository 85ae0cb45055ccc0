#pragma once
// Travail de l'assistante qui ne dessine rien : onglet de démarrage, message du composant absent,
// vitesse série écrite dans le makefile, remplacement du fichier source.
#include "ui/DocumentRiche.h"

#include <QString>

namespace Assistante {

inline constexpr int NombreOnglets = 4;

// Onglet de démarrage des réglages déjà lus ; hors de 0 à 3, l'onglet 0.
int ongletDeDémarrage();
// Écrit l'onglet de démarrage dans les réglages ; un échec est dit dans un message.
bool définirOngletDeDémarrage(int onglet);

// « Attention ce µC n'est pas implémenté … » avec l'adresse de contact.
QString messageComposantAbsent();

// Vitesse série que make peut recevoir : un entier positif d'au plus 7 chiffres, sans zéro en
// tête, rien d'autre (ni blanc, ni signe, ni suite de ligne « \ », ni « $( »).
bool vitesseSérieValide(const QString& vitesse);
// Message du refus d'une vitesse, qui la montre (coupée si elle est longue).
QString messageVitesseRefusée(const QString& vitesse);

// BAUD du makefile du projet (à défaut, de la configuration par défaut), tel que make le lit :
// vide si la clé est vide, absente ou le fichier illisible. Sans message.
QString vitesseDuMakefile();

// Écrit « BAUD = vitesse » dans le makefile du projet (créé depuis la configuration par défaut
// s'il manque), atomiquement, avec ses propres fins de ligne ; puis dans makefileOuvert s'il est
// donné (le makefile de la fenêtre de configuration, que son OK réécrira). Une vitesse non valide
// est refusée avant de toucher à quoi que ce soit. Un échec est dit dans un message et rend faux.
bool ÉcrireVitesseSérie(const QString& vitesse, DocumentRiche* makefileOuvert = nullptr);

// Nom de la copie de sécurité que RemplacerFichierSource écrirait maintenant (« nom.c.bak », puis
// « nom.c.bak.1 »… le premier libre) ; vide si le source n'existe pas.
QString copieDuSource();

// Écrit texte sur le fichier source du projet, atomiquement, l'ancien gardé à côté sous
// copieDuSource(). Un texte vide n'est jamais écrit. Faux et un message en cas d'échec.
bool RemplacerFichierSource(const QString& texte);

} // namespace Assistante
