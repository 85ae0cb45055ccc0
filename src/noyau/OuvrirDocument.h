#pragma once
// Ouverture d'un document, d'un dossier ou d'une adresse (« mailto: », page web) par le programme
// que le système y associe, avec les messages français en cas d'échec.
#include "common/Messages.h"

#include <QString>

// Ouvre fichier par le programme associé (verbe « open », commande d'affichage 10 = celle du
// système). Avec des paramètres ou un dossier, un « .EXE » démarre caché. Ne lève jamais d'erreur :
// un échec montre la boîte « Oops ... » et rend faux.
bool OuvrirDocument(const QString& fichier, int affichage = 10, const QString& paramètres = {},
                    const QString& dossier = {}, const QString& verbe = QStringLiteral("open"),
                    quintptr propriétaire = 0);

namespace Ouverture {

// Résultat de l'ouverture, à la manière du shell : plus de 32 (ou négatif) = réussite ; de 0 à 32,
// la cause de l'échec.
constexpr int Réussite = 42;
constexpr int FichierNonTrouvé = 2;
constexpr int DossierNonTrouvé = 3;
constexpr int PasDAssociation = 31;
constexpr int EchecQuelconque = 1;

bool estRéussite(int résultat);
// Message d'un résultat d'échec (de 0 à 32).
QString messageEchec(int résultat);
// La boîte montrée pour un résultat d'échec.
Message boîteEchec(int résultat);

// Résultat correspondant au code de sortie de xdg-open (0 réussite, 1 syntaxe, 2 fichier absent,
// 3 aucun outil, 4 action échouée) ; -1 quand xdg-open est introuvable.
int résultatDeXdgOpen(int statut);

// Adresse « mailto: » vers le contact, avec ce sujet et un corps vide (les blancs restent tels
// quels).
QString adresseCourriel(const QString& sujet);
QString sujetErreurNonRépertoriée(); // « Ereur non répertorié dans Quillon 2.1.30 »
QString sujetAPropos();              // « A propos de Quillon 2.1.30 »
// Ouvre le courriel d'erreur ou de remarques ; faux après le message d'échec.
bool écrireCourriel(const QString& sujet);

// Aide du programme : index.html du dossier de l'aide installée, ouverte au chapitre voulu
// (ancre sans « # » : « configuration », « recherche », « fusibles », « assistant », « apropos »,
// « erreur », « parametre-MCU », « parametre-F_CPU »… ; vide : le début). Faux après le message
// d'échec (« Fichier non trouvé. » si l'aide manque).
QString cheminAide();
QString adresseAide(const QString& chapitre = {});
bool ouvrirAide(const QString& chapitre = {});

} // namespace Ouverture
