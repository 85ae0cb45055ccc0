#include "app/ActionsFenetres.h"

#include "assistant/project/fenetres/FeuilleAssistante.h"
#include "launcher/LancementOutils.h"
#include "launcher/Principal.h"
#include "launcher/fenetres/FenIsis.h"
#include "makefile/fenetres/AccesFenetres.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "ui/fenetres/FErreur.h"

namespace {
// AVR Studio et ISIS : la fenêtre de choix du schéma est la seule qui puisse s'ouvrir.
ServicesOutils servicesOutils() {
    ServicesOutils s;
    s.choisirSchéma = &FenIsis::choisir;
    return s;
}
} // namespace

// Chaque action qui montre une fenêtre s'inscrit ici, une ligne par mot de commande.
void EnregistrerActionsFenêtres() {
    DéfinirAfficheurErreurNonRépertoriée(&FErreur::afficherErreurNonRépertoriée);
    DéfinirOuvertureAssistante(&FeuilleAssistante::ouvrir);
    EnregistrerActionFenêtre(QStringLiteral("avrstudio"), [] { return LancerOutil(servicesOutils()); });
    EnregistrerActionFenêtre(QStringLiteral("isis"), [] { return LancerOutil(servicesOutils()); });
    EnregistrerActionFenêtre(QStringLiteral("configurer"), &FenConfiguration::action);
    EnregistrerActionFenêtre(QStringLiteral("assistante"), &FenConfiguration::action);
}
