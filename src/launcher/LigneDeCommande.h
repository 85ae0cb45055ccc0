#pragma once
#include <QString>
#include <QStringList>

// Texte brut de la ligne de commande : les arguments après le nom du programme, joints par un
// blanc (un éditeur peut passer un dossier à blancs sans guillemets, en plusieurs arguments).
QString TexteBrutLigneDeCommande(const QStringList& argumentsSansProgramme);

// Découpe le texte brut en champs séparés par « > » dans etatGlobal().ArgumentsLigne (indices
// 1..NombreArguments) et rend le texte sans guillemets doubles.
QString DécouperLigneDeCommande(const QString& texteBrut, int maximum = 10);

// Champ numéro (depuis 1) de la ligne sans guillemets, chaque « > » comptant : vide quand deux
// séparateurs se suivent à sa place, là où le découpage les confond.
QString ChampÀSaPlace(const QString& ligne, int numéro);

// Ce qui empêche le champ du nom de fichier d'être un simple nom (vide s'il en est un).
QString DéfautNomDeFichier(const QString& nom);

// Texte du message d'usage pour une ligne de commande donnée.
QString TexteUsage(const QString& ligneDeCommande);
// Ce que « quillon --help » écrit : le message d'usage sans sa ligne d'erreur, lignes finies par LF.
QString TexteAide();
// Montre le message d'usage (icône critique, modal système) avec etatGlobal().LigneDeCommande,
// précédé au besoin de ce qui ne va pas dans la ligne.
void AfficherUsage(const QString& raison = {});
