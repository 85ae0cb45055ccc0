#include "app/ActionsFenetres.h"

#include "assistant/project/fenetres/FeuilleAssistante.h"
#include "launcher/LancementOutils.h"
#include "launcher/LigneDeCommande.h"
#include "launcher/Principal.h"
#include "launcher/fenetres/FenIsis.h"
#include "makefile/fenetres/AccesFenetres.h"
#include "makefile/fenetres/FenConfiguration.h"
#include "noyau/EtatGlobal.h"
#include "ui/fenetres/ApplicationGraphique.h"
#include "ui/fenetres/FErreur.h"
#include "ui/fenetres/ServiceMessagesQt.h"

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

int ExécuterProgrammeFenêtres(int argc, char** argv, const std::function<void()>& prêt) {
    // Aucun objet graphique n'est créé ici : les actions make fonctionnent sans affichage.
    ApplicationGraphique::initialiser(argc, argv);
    ServiceMessagesQt messages;
    installerServiceMessages(&messages);
    EnregistrerActionsFenêtres();
    if (prêt) prêt();

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    int code = Principal(TexteBrutLigneDeCommande(arguments), DossierDuProgramme(argv[0]));
    // Un message qui n'a pu s'afficher qu'en console est un échec pour l'appelant.
    if (code == CodeSortie::Succès && messages.messagePerdu()) code = CodeSortie::Erreur;
    // Une fenêtre qui n'a pas pu s'ouvrir et a mis fin au programme.
    if (code == CodeSortie::Succès && etatGlobal().CodeDeSortie != 0) code = etatGlobal().CodeDeSortie;
    installerServiceMessages(nullptr);
    ApplicationGraphique::terminer();
    return code;
}
