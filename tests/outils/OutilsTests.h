#pragma once
// Outils communs aux tests : dossiers temporaires, fichiers, programme construit.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "common/Messages.h"
#include <functional>

namespace OutilsTests {

// Dossier des sources et dossier de construction.
QString dossierSources();
QString dossierConstruction();
// Chemin du programme construit.
QString programme();

QByteArray lireFichier(const QString& chemin);
void ecrireFichier(const QString& chemin, const QByteArray& contenu);

// Exécute un programme et attend sa fin ; rend le code de sortie (-1 s'il n'a pas démarré).
int executer(const QString& programme, const QStringList& arguments, QByteArray* sortie = nullptr,
             QByteArray* erreurs = nullptr, const QStringList& environnementEnPlus = {}, int delaiMs = 60000);

// Titres des messages enregistrés, dans l'ordre.
QStringList titres(const EnregistreurMessages& messages);

// Un makefile qui note chaque cible exécutée dans journal.txt ; « make clean » crée
// clean_commence puis attend que le fichier « continuer » existe (créé ici) avant de finir.
void preparerProjetJournal(const QString& dossier);

// Attend qu'une condition devienne vraie, au plus delaiMs.
bool attendre(const std::function<bool()>& condition, int delaiMs = 10000);

} // namespace OutilsTests
