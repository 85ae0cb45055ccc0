// Programme des fenêtres de Quillon : le programme léger lui passe la main, avec les mêmes
// arguments, pour toute action qui montre une fenêtre ou une boîte de message.
#include "app/ActionsFenetres.h"
#include "launcher/LigneDeCommande.h"
#include "launcher/Principal.h"
#include "ui/fenetres/ApplicationGraphique.h"
#include "ui/fenetres/ServiceMessagesQt.h"

#include <QStringList>

int main(int argc, char** argv) {
    // Aucun objet graphique n'est créé ici : les actions make fonctionnent sans affichage.
    ApplicationGraphique::initialiser(argc, argv);
    ServiceMessagesQt messages;
    installerServiceMessages(&messages);
    EnregistrerActionsFenêtres();

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    int code = Principal(TexteBrutLigneDeCommande(arguments), DossierDuProgramme(argv[0]));
    // Un message qui n'a pu s'afficher qu'en console est un échec pour l'appelant.
    if (code == CodeSortie::Succès && messages.messagePerdu()) code = CodeSortie::Erreur;
    installerServiceMessages(nullptr);
    ApplicationGraphique::terminer();
    return code;
}
