#pragma once
// Lancement d'AVR Studio et d'ISIS : préparation par la fenêtre cachée FenInvisible, puis
// démarrage de la commande du simulateur ou mise au premier plan de l'outil qui tourne déjà.
#include "launcher/ServicesOutils.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace LancementOutils {

// Dossier du projet en chemin absolu ; relatif, il a déjà été pris pour dossier courant.
QString DossierDuProjet();

// Schémas ISIS (*.DSN, sans égard à la casse) d'un dossier, triés par nom.
QStringList ListerSchémas(const QString& dossier);

// Programme et arguments d'une commande de simulateur dont les guillemets ont été retirés : le
// programme est le plus court début, coupé à un blanc, qui désigne un exécutable (chemin, ou nom
// trouvé par PATH), comme le chargeur de Windows lit un chemin sans guillemets ; la suite se
// découpe comme un shell. argumentsEnPlus viennent après. nullopt et erreur en français sinon.
std::optional<Processus::Commande>
AnalyserCommande(const QString& commande, const QStringList& argumentsEnPlus, QString* erreur = nullptr);

} // namespace LancementOutils

// Action « avrstudio » ou « isis » de la procédure d'entrée ; rend le code de sortie du programme.
int LancerOutil(const ServicesOutils& services = ServicesOutils());
