#pragma once
// Procédure d'entrée : découpe la ligne de commande, lit l'apparence dans les réglages, se place
// dans le dossier du projet et exécute l'action demandée.
#include "noyau/ErreurNonRepertoriee.h"

#include <QString>
#include <functional>

enum class EtapeDémarrage { Aucune, LigneDeCommande, XML, Assistante };

// Action servie par une fenêtre (configurer, assistante, avrstudio, isis) ; rend le code de sortie.
using ActionFenêtre = std::function<int()>;
void EnregistrerActionFenêtre(const QString& mot, ActionFenêtre action);
void OublierActionsFenêtres();

// Exécute tout le démarrage puis l'action ; les données sont trouvées depuis dossierProgramme.
int Principal(const QString& texteBrut, const QString& dossierProgramme);

// Étape de démarrage où Principal s'est arrêté en dernier (Aucune si tout s'est bien passé).
EtapeDémarrage DernièreEtapeEnErreur();

// Dossier du programme en cours d'exécution.
QString DossierDuProgramme(const char* argv0 = nullptr);
